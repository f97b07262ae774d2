// Scenarios: small text files that read like a flight log. Each line is a
// step: set-up, flying, input to the module, or a check.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace standin {

struct Step {
    int Line;
    std::vector<std::string> Words;
};

struct Scenario {
    std::string Name; // the file's name without folder and extension
    bool HostMainWindow = true;
    bool ProvidePanelsTable = true;
    ListSetUp HostModuleList = ListSetUp::Present;
    ListSetUp HostViewList = ListSetUp::Present;
    std::vector<Step> Steps;
};

Scenario& CurrentScenario();
Options& CurrentOptions();
bool ReadScenario(const std::string& path, Scenario& scenario, std::string& error);
HWND FrameWindow();

// One frame of the flight as the stand-in saw it, for the log, trace and picture.
struct TraceRow {
    double Time;  // seconds since the scenario started
    int StepLine; // the scenario's line that flew this frame
    Aircraft Plane;
    bool ModuleLoaded;
    Viewpoint View;
    int Lookups;
    EyeReading Eye;
    WalkReading Walk;
    bool Crouching; // the pilot holds the crouch key
};

// What a soak did and found (standin/soak.cpp).
struct SoakReport {
    long long Frames = 0, Legs = 0, Commands = 0, Dialogs = 0, ClockJumps = 0, Inputs = 0;
    double SimulatedSeconds = 0.0, WallSeconds = 0.0;
    std::map<std::string, long long> Anomalies; // by kind
};
// Flies frames frames of random flights, from seed, with the module loaded.
SoakReport RunSoak(long long frames, uint32_t seed);

void WriteTrace(const std::string& path, const std::vector<TraceRow>& rows);
void WritePicture(const std::string& path, const std::string& title,
                  const std::vector<TraceRow>& rows);
void WriteWalkPicture(const std::string& path, const std::string& title,
                      const std::vector<TraceRow>& rows);
void WriteEyePicture(const std::string& path, const std::string& title,
                     const std::vector<TraceRow>& rows);
std::string DescribeRow(const TraceRow& row);

} // namespace standin
