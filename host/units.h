// The host's units, and the constants it computes with, exactly as it has
// them: where two of its values of one quantity differ, each is named for
// where the host uses it.
#pragma once

#include "geometry/geometry.h"

namespace host {

// Angles: degrees to radians and back with the host's factors, not pi / 180
// and 180 / pi in full.
constexpr double RadiansPerDegree = 0.01745329251944;
constexpr double DegreesPerRadian = 57.29577951471995;
// A quarter and a half turn as the walk and the ground probe rotate by them,
// off from the exact ones in the eleventh digit.
constexpr double WalkQuarterTurn = 1.5707963267496;
constexpr double WalkHalfTurn = 3.1415926534992;
// The exact ones, where the host's conversions use them.
using geometry::HalfPi;
using geometry::Pi;
constexpr double DegreesPerTurn = 360.0;

// The earth: a sphere, positions projected onto it.
constexpr double EarthRadius = 6367310.0; // metres

// Latitude as metres north of the equator: the aircraft's latitude variable
// and the viewpoint words count 111130.0 metres a degree, the walk's eye
// records 111130.52399516014.
constexpr double MetresPerDegreeLatitude = 111130.0;
constexpr double EyeRecordMetresPerDegree = 111130.52399516014;
// Longitude: the aircraft's variable counts 2^48 units a turn (2^24 applied
// twice keeps the division exact), the viewpoint words and eye records 2^32.
constexpr double LongitudeVariableRoot = 16777216.0;
constexpr double EyeRecordLongitudeUnitsPerDegree = 11930464.711111;
// Fixed-point words: fractions count 2^32 - 1 to the whole, and angle words
// as many to the turn.
constexpr double FractionWordScale = 4294967295.0;
constexpr double AngleUnitsPerTurn = 4294967295.0;

// Heights: the fly-by works in feet, the viewpoint's altitude word in metres.
constexpr double FeetPerMetre = 3.28084;
constexpr double MetresPerFoot = 0.3048;

} // namespace host
