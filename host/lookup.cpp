#include "host/lookup.h"

#include "platform/hostmem.h"

#include <cstring>

ImportEntry ImportTable[2] = {{host::PanelsTableId, 0}, {0, 0}};

namespace host {

Addr HostPanelsTable() {
    // The host writes this word behind the compiler's back.
    return *static_cast<volatile uint32_t*>(&ImportTable[0].Table);
}

Addr FindLookupVar() {
    Addr table = HostPanelsTable();
    if (table == 0 || !hostmem::IsReadable(table + LookupVarSlot, sizeof(uint32_t))) return 0;
    return hostmem::Load<uint32_t>(table + LookupVarSlot);
}

void LookupVar(Addr lookupVar, HostVarRecord& record, uint32_t token) {
    std::memset(&record, 0, sizeof record);
    record.Token = token;
    hostmem::CallStdcall1(lookupVar, &record);
}

double LookupValue(Addr lookupVar, uint32_t token) {
    HostVarRecord record;
    LookupVar(lookupVar, record, token);
    return record.Value;
}

AircraftSample ReadAircraftSample(Addr lookupVar) {
    AircraftSample s;
    s.Latitude = LookupValue(lookupVar, HostVarLatitude);
    s.Longitude = LookupValue(lookupVar, HostVarLongitude);
    s.Altitude = LookupValue(lookupVar, HostVarAltitude);
    s.Heading = LookupValue(lookupVar, HostVarHeading);
    s.Pitch = LookupValue(lookupVar, HostVarPitch);
    s.Bank = LookupValue(lookupVar, HostVarBank);
    s.Speed = LookupValue(lookupVar, HostVarSpeed);
    return s;
}

CockpitSample ReadCockpitSample(Addr lookupVar) {
    CockpitSample s;
    s.Pitch = LookupValue(lookupVar, HostVarPitch);
    s.Bank = LookupValue(lookupVar, HostVarBank);
    s.Heading = LookupValue(lookupVar, HostVarHeading);
    s.OnGround = LookupValue(lookupVar, HostVarOnGround);
    s.GroundSpeed = LookupValue(lookupVar, HostVarGroundSpeed);
    return s;
}

WalkSample ReadWalkSample(Addr lookupVar) {
    WalkSample w;
    w.Latitude = LookupValue(lookupVar, HostVarLatitude);
    w.Longitude = LookupValue(lookupVar, HostVarLongitude);
    w.Altitude = LookupValue(lookupVar, HostVarAltitude);
    w.Pitch = LookupValue(lookupVar, HostVarPitch);
    w.Bank = LookupValue(lookupVar, HostVarBank);
    w.Heading = LookupValue(lookupVar, HostVarHeading);
    w.GroundAltitude = LookupValue(lookupVar, HostVarGroundAltitude);
    return w;
}

} // namespace host
