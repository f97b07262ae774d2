// Scenarios: small text files that read like a flight log. Each line is a
// step: set-up, flying, input to the module, or a check.
#pragma once

#include "standin/standin.h"

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
    double Time; // seconds since the scenario started
    Aircraft Plane;
    bool ModuleLoaded;
    Viewpoint View;
    int Lookups;
    EyeReading Eye;
    WalkReading Walk;
    bool Crouching; // the pilot holds the crouch key
};

void WriteTrace(const std::string& path, const std::vector<TraceRow>& rows);
void WritePicture(const std::string& path, const std::string& title,
                  const std::vector<TraceRow>& rows);
void WriteWalkPicture(const std::string& path, const std::string& title,
                      const std::vector<TraceRow>& rows);
void WriteEyePicture(const std::string& path, const std::string& title,
                     const std::vector<TraceRow>& rows);
std::string DescribeRow(const TraceRow& row);

} // namespace standin
