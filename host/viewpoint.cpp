#include "host/viewpoint.h"

#include <cmath>

namespace host {

namespace {

// Cut toward zero to 64 bits. Not a number and values out of range give the
// processor's own "integer indefinite", as the conversion instruction does,
// instead of undefined behaviour.
int64_t TruncateToInt64(double x) {
    constexpr double Limit = 9223372036854775808.0; // 2^63
    if (!(x > -Limit && x < Limit)) return INT64_MIN;
    return int64_t(x);
}

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
    double a = latitude / QuarterTurnRadians * MetresPerQuarterTurn;
    double b = longitude / HalfTurnRadians * LongitudeUnitsPerHalfTurn;
    ViewpointWords words;
    // Only the low 32 bits of the whole parts: 2^32 longitude units are a full
    // turn, so a longitude in [-2 pi, -pi) wraps onto the eastern half.
    words.Latitude = int32_t(uint32_t(TruncateToInt64(a)));
    words.LatitudeFraction = uint32_t(TruncateToInt64(FractionOfMagnitude(a) * FractionWordScale));
    words.Longitude = int32_t(uint32_t(TruncateToInt64(b)));
    words.LongitudeFraction = uint32_t(TruncateToInt64(FractionOfMagnitude(b) * FractionWordScale));
    words.Altitude = AltitudeWord(altitudeFeet);
    return words;
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
    // A host without the block, or with it read-only, is left alone: writing
    // there would be an access violation in the host's own thread.
    if (!hostmem::IsReadable(ViewpointBlock, ViewpointBlockSize) ||
        !hostmem::IsWritable(ViewpointBlock, ViewpointBlockSize))
        return 0;
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
