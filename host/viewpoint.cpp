#include "host/viewpoint.h"

#include "platform/hostmem.h"

#include "host/access.h"
#include "host/units.h"
#include "host/view_record.h"

#include <cmath>

namespace host {

namespace {

uint16_t AltitudeWord(double altitudeFeet) {
    double metres = altitudeFeet * MetresPerFoot;
    if (!(metres > 0.0)) return 0; // below sea level, and not a number
    if (metres >= HighestAltitudeWord) return uint16_t(HighestAltitudeWord);
    return uint16_t(metres); // cut toward zero
}

double Unpack(int32_t whole, uint32_t fraction) {
    double f = fraction / FractionWordScale;
    return whole < 0 ? whole - f : whole + f;
}

} // namespace

double FractionOfMagnitude(double x) {
    double magnitude = std::fabs(x);
    return magnitude - std::trunc(magnitude);
}

ViewpointWords EncodeViewpoint(double latitude, double longitude, double altitudeFeet) {
    // Only the low 32 bits of the whole parts: 2^32 longitude units are a full
    // turn, so a longitude in [-2 pi, -pi) wraps onto the eastern half.
    FixedPoint a = EncodeFixedPoint(latitude / HalfPi * MetresPerQuarterTurn);
    FixedPoint b = EncodeFixedPoint(longitude / Pi * LongitudeUnitsPerHalfTurn);
    return {a.Whole, a.Fraction, b.Whole, b.Fraction, AltitudeWord(altitudeFeet)};
}

DecodedViewpoint DecodeViewpoint(const ViewpointWords& w) {
    double metres = Unpack(w.Latitude, w.LatitudeFraction);
    double units = Unpack(w.Longitude, w.LongitudeFraction);
    double longitude = std::fmod(units / LongitudeUnitsPerHalfTurn * 180.0, 360.0);
    if (longitude > 180.0) longitude -= 360.0;
    if (longitude <= -180.0) longitude += 360.0;
    return {metres / MetresPerQuarterTurn * 90.0, longitude, double(w.Altitude)};
}

ViewpointWords ReadViewpoint() {
    return {
        hostmem::Load<int32_t>(HostEyeLatitude), hostmem::Load<uint32_t>(HostEyeLatitudeFraction),
        hostmem::Load<int32_t>(HostEyeLongitude), hostmem::Load<uint32_t>(HostEyeLongitudeFraction),
        hostmem::Load<uint16_t>(HostEyeAltitude)};
}

int WriteViewpoint(const ViewpointWords& words) {
    // All five words, or none: the gap between them is the host's.
    if (!CanWrite(ViewpointBlock, ViewpointBlockSize)) return 0;
    hostmem::Store<int32_t>(HostEyeLatitude, words.Latitude);
    hostmem::Store<uint32_t>(HostEyeLatitudeFraction, words.LatitudeFraction);
    hostmem::Store<int32_t>(HostEyeLongitude, words.Longitude);
    hostmem::Store<uint32_t>(HostEyeLongitudeFraction, words.LongitudeFraction);
    hostmem::Store<uint16_t>(HostEyeAltitude, words.Altitude);
    return 1;
}

int WriteViewpointAt(double latitude, double longitude, double altitudeFeet) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || !std::isfinite(altitudeFeet))
        return 0;
    return WriteViewpoint(EncodeViewpoint(latitude, longitude, altitudeFeet));
}

} // namespace host
