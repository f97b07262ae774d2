// The slowest input of a fuzz run, told when the run ends: libFuzzer itself
// only reports inputs slower than whole seconds.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace fuzz {

struct Slowest {
    double Microseconds = 0.0;
    size_t Bytes = 0;
    long Inputs = 0; // the first ones pay for the process's warming up, and are not counted
    ~Slowest() {
        std::fprintf(stderr, "slowest input: %.0f us (%zu bytes)\n", Microseconds, Bytes);
    }
};

// Told when the process exits.
inline Slowest& SlowestInput() {
    static Slowest slowest;
    return slowest;
}

// Times one input from construction to destruction.
class TimedInput {
public:
    explicit TimedInput(size_t bytes) : Bytes(bytes), Start(std::chrono::steady_clock::now()) {}
    ~TimedInput() {
        double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - Start)
                .count();
        Slowest& s = SlowestInput();
        if (++s.Inputs > 100 && us > s.Microseconds) {
            s.Microseconds = us;
            s.Bytes = Bytes;
        }
    }

private:
    size_t Bytes;
    std::chrono::steady_clock::time_point Start;
};

} // namespace fuzz
