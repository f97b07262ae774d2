// The host's variable lookup: found through the panels table the host hands
// over in ImportTable, and the typed sample the fly-by reads through it.
#pragma once

#include "host/contract.h"
#include "host/samples.h"

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

// Seven lookups, in the order latitude, longitude, altitude, heading, pitch,
// bank, speed.
AircraftSample ReadAircraftSample(Addr lookupVar);
// Five: pitch, bank, heading, on ground, ground speed.
CockpitSample ReadCockpitSample(Addr lookupVar);
// Seven: latitude, longitude, altitude, pitch, bank, heading, ground altitude.
WalkSample ReadWalkSample(Addr lookupVar);

} // namespace host
