// The stand-in host's scene around the aircraft's start: the objects whose
// geometry the ground probe walks (standin/scene_side.cpp lays them out in the
// host's memory) and a runway painted on the ground south of them. One table
// for the host and for the pictures of what the cameras see (standin/render/).
#pragma once

#include <cmath>

namespace standin::scene {

constexpr double OriginLatitude = 47.0, OriginLongitude = 8.0; // degrees
constexpr double GroundAltitude = 400.0;                       // metres
// The host's metres north per degree of latitude; a degree of longitude is
// this times the cosine of the origin's latitude.
constexpr double MetresPerDegree = 111130.0;

struct Object {
    const char* Name;
    double EastMetres, NorthMetres; // the middle of its footprint
    double HalfEast, HalfNorth;
    double Height; // the flat roof above the ground
    bool Nested;   // its roof in a stream of its own, inside an outer sphere
    bool HasGeometry;
};

inline constexpr Object Objects[] = {
    {"hangar", 30.0, 0.0, 10.0, 10.0, 8.0, false, true},
    {"bridge", 0.0, 40.0, 15.0, 4.0, 6.0, false, true}, // a deck over the road
    {"tower", -30.0, 0.0, 5.0, 5.0, 15.0, true, true},
    {"shed", 0.0, -30.0, 4.0, 4.0, 3.0, false, false}, // no geometry block at all
};
inline constexpr int ObjectCount = int(sizeof Objects / sizeof Objects[0]);

// Painted on the ground: no geometry, the ground's own altitude.
struct Strip {
    double EastMetres, NorthMetres; // its middle
    double HeadingDegrees;          // along its length
    double Length, Width;
};
inline constexpr Strip Runway = {650.0, -80.0, 90.0, 1600.0, 30.0};

// Metres east and north of the origin, on the scale of a few kilometres.
struct Local {
    double East, North;
};
inline Local ToLocal(double latitude, double longitude) {
    constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
    return {(longitude - OriginLongitude) * MetresPerDegree *
                std::cos(OriginLatitude * kRadiansPerDegree),
            (latitude - OriginLatitude) * MetresPerDegree};
}

// The highest roof with geometry over a point, or the ground where there is none.
inline double GroundUnder(const Local& at) {
    double ground = GroundAltitude;
    for (const Object& o : Objects)
        if (o.HasGeometry && std::fabs(at.East - o.EastMetres) <= o.HalfEast &&
            std::fabs(at.North - o.NorthMetres) <= o.HalfNorth)
            ground = std::fmax(ground, GroundAltitude + o.Height);
    return ground;
}

} // namespace standin::scene
