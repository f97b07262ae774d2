#include "host/view_record.h"

#include "host/units.h"

#include <cmath>

namespace host {

namespace {

// The low 32 bits of trunc(x), for any finite x.
uint32_t LowWord(double x) {
    double low = std::fmod(std::trunc(x), 4294967296.0);
    if (low < 0) low += 4294967296.0;
    return uint32_t(low);
}

} // namespace

FixedPoint EncodeFixedPoint(double x) {
    if (!std::isfinite(x)) return {0, 0}; // nothing undefined reaches the host
    double magnitude = std::fabs(x);
    double fraction = (magnitude - std::trunc(magnitude)) * FractionWordScale;
    return {uint32_t(fraction), int32_t(LowWord(x))};
}

LatLonAlt EncodeLatLonAlt(double latitude, double longitude, double altitude) {
    return {EncodeFixedPoint(latitude * EyeRecordMetresPerDegree),
            EncodeFixedPoint(longitude * EyeRecordLongitudeUnitsPerDegree),
            EncodeFixedPoint(altitude)};
}

uint32_t EncodeAngle(double degrees) {
    double units = degrees / DegreesPerTurn * AngleUnitsPerTurn;
    return std::isfinite(units) ? LowWord(units) : 0;
}

} // namespace host
