// The host's variable lookup: found through the panels table the host hands
// over in ImportTable, and the typed sample the fly-by reads through it.
#pragma once

#include "host/contract.h"

namespace host {

// The table the host stored in ImportTable, 0 while it has stored none.
Addr HostPanelsTable();

// The address of the lookup function, or 0 when there is no table or no
// function in its slot; checked before every use so that an absent table
// costs nothing.
Addr FindLookupVar();

// Makes record a fresh request for token and has the host fill it in.
void LookupVar(Addr lookupVar, HostVarRecord& record, uint32_t token);
double LookupValue(Addr lookupVar, uint32_t token);

// The aircraft as the fly-by reads it, in the host's own units.
struct AircraftSample {
    double Latitude;  // metres north of the equator
    double Longitude; // 2^48 units per turn
    double Altitude;  // metres
    double Heading;   // degrees
    double Pitch;     // degrees, positive nose down
    double Bank;      // degrees
    double Speed;     // km/h
};

// Seven lookups, in the order latitude, longitude, altitude, heading, pitch,
// bank, speed.
AircraftSample ReadAircraftSample(Addr lookupVar);

} // namespace host
