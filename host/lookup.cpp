#include "host/lookup.h"

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

} // namespace host
