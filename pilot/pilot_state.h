// The one record of the internal pilot view: everything it keeps from one
// message or frame to the next. Cleared to zero at load, never as a whole
// again, so it survives switching the view off and on.
#pragma once

#include "camera/geo.h"
#include "module/key_bindings.h"
#include "platform/hostmem.h"

#include <cstdint>

namespace pilot {

using camera::Vector3;
using hostmem::Addr;

constexpr uint32_t ViewRecordSize = 264;

// Pitch (positive looks down), heading (positive turns right), bank; degrees.
struct Attitude {
    double Pitch, Heading, Bank;
};

// Latitude and longitude in degrees, altitude in metres.
struct WalkerPoint {
    double Latitude, Longitude, Altitude;
};

using ExtraCommandFunction = int32_t (*)(uint32_t first, uint32_t second,
                                         addon::KeyBinding* command);

struct PilotViewState {
    // Host discovery
    Addr G3dModuleBase;
    Addr GlobalModuleBase;
    Addr ModuleList;
    Addr ViewList;
    Addr SceneObjectTable;
    Addr HostViewMatrix;
    Addr EyePositionRecord;
    Addr EyeAttitudeRecord;

    // References
    addon::KeyBindingTable* Bindings;
    ExtraCommandFunction ExtraHandler;

    // Pilot clock, seconds
    double Clock;
    double TimeStep;

    // In-cockpit eye
    uint8_t ViewCopy[ViewRecordSize];
    Vector3 EyePosition;
    Attitude EyeAngles;
    Attitude PreviousEyeAngles;
    Attitude AircraftAttitude;
    Attitude PreviousAttitude;
    Attitude LatencyOffset;
    Attitude TurbulenceOffset;
    Attitude TurbulenceTarget;
    Attitude TurbulenceSpeed;
    double Zoom;
    double TurbulenceTimer;

    // Outside walk
    uint8_t SavedViewRecord[ViewRecordSize];
    int32_t ExternalView;
    int32_t ExternalViewEngaged;
    WalkerPoint WalkerPosition;
    Attitude WalkerAttitude;
    Attitude HeadAttitude;
    double EyeHeight;
    double WalkerZoom;
    double StartGroundAltitude;
    double BobOffset;
    double ForwardSpeed;
    double SideSpeed;
    double RunSpeed;

    // Held commands, 0 or 1
    int32_t ForwardHeld;
    int32_t BackwardHeld;
    int32_t StepRightHeld;
    int32_t StepLeftHeld;
    int32_t HeadUpHeld;
    int32_t HeadDownHeld;
    int32_t HeadRightHeld;
    int32_t HeadLeftHeld;
    int32_t UpHeld;
    int32_t DownHeld;
    int32_t CrouchHeld;

    // Settings hand-over and pointer state
    double LatencyFactor;
    double TurbulenceFactor;
    double PickRay[6]; // origin x, y, z, then unit direction x, y, z
    int32_t MouseLook;
    int32_t LastCursorX;
    int32_t LastCursorY;
};

extern PilotViewState ViewState;

} // namespace pilot
