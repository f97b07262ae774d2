// The host's five viewpoint words: how a position is encoded into them, how
// they read back, and the checked write that places the viewpoint.
#pragma once

#include "host/contract.h"

#include <cstdint>

namespace host {

constexpr double MetresPerQuarterTurn = 10001700.0;        // 111130.0 per degree
constexpr double LongitudeUnitsPerHalfTurn = 2147483648.0; // 2^32 per full turn
constexpr double HighestAltitudeWord = 65535.0;            // metres: the word is unsigned 16 bits

// Whole words cut toward zero, fraction words from the magnitude, so -12.75
// metres is whole -12 and fraction 0.75.
struct ViewpointWords {
    int32_t Latitude;           // whole metres north of the equator
    uint32_t LatitudeFraction;  // fraction x 4294967295
    int32_t Longitude;          // 2^32 units per turn
    uint32_t LongitudeFraction; // fraction x 4294967295
    uint16_t Altitude;          // whole metres, 0 to 65535
};

// |x| - trunc(|x|): in [0, 1) for every finite x.
double FractionOfMagnitude(double x);

// Latitude and longitude in radians (north and east positive), altitude in feet.
// The altitude is held to what the word can say: a point below sea level is
// written at 0 m, not 65 km up, and one above 65535 m at 65535 m.
ViewpointWords EncodeViewpoint(double latitude, double longitude, double altitudeFeet);

// The inverse, for whoever reads the words back: degrees, degrees, metres.
// The sign is the whole word's, so a value within one unit of zero on its
// negative side reads back as its magnitude.
struct DecodedViewpoint {
    double LatitudeDegrees;
    double LongitudeDegrees; // in (-180, 180]
    double AltitudeMetres;
};
DecodedViewpoint DecodeViewpoint(const ViewpointWords& words);

// The words as they are in host memory now (the block must be readable).
ViewpointWords ReadViewpoint();

// Writes the five words in the host's order; nothing when the block is not
// there or cannot be written. 1 when written.
int WriteViewpoint(const ViewpointWords& words);

// Encodes the position and writes it; nothing when one of its values is not
// finite (it would read as 0 N 0 E). 1 when written.
int WriteViewpointAt(double latitude, double longitude, double altitudeFeet);

} // namespace host
