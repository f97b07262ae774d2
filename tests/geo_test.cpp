#include "camera/geo.h"

#include "geo_oracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace camera;
using namespace geometry;

namespace {

constexpr double Degree = M_PI / 180.0;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// The distance's earth: sixty nautical miles to the degree.
constexpr double DistanceRadius = 1852.0 * 60.0 * 57.29577951471995;

// ---- Rotations and angles ----------------------------------------------------

TEST(Rotations, TurnAheadAndRightVectorsAndUseOnlyTheOldComponents) {
    // A quarter turn of (1, 2, 3): an update in place would feed the new Y into Z.
    Vector3 v = {1, 2, 3};
    RotateAboutX(v, M_PI / 2);
    EXPECT_EQ(v.X, 1.0);
    EXPECT_NEAR(v.Y, -3, 1e-12);
    EXPECT_NEAR(v.Z, 2, 1e-12);
    RotateAboutY(v, M_PI / 2);
    EXPECT_NEAR(v.X, 2, 1e-12);
    EXPECT_NEAR(v.Y, -3, 1e-12);
    EXPECT_NEAR(v.Z, -1, 1e-12);
    // A sixth of a turn (cos 0.5, sin 0.866) keeps the length.
    Vector3 ahead = {0, 0, 100};
    RotateAboutX(ahead, M_PI / 3);
    EXPECT_NEAR(ahead.Y, -86.60254, 1e-5);
    EXPECT_NEAR(ahead.Z, 50.0, 1e-12);
}

TEST(Angles, TakeTheirBranchByWhichDifferenceIsZero) {
    // Worked by hand: a 3-4-5 triangle's angle is asin 0.6; a difference straight south reads
    // as a full turn, and one straight west (no north part) as three quarters.
    const Vector3 o = {0, 0, 0};
    EXPECT_DOUBLE_EQ(AzimuthOf({3, 0, 4}, o), M_PI + std::asin(0.6));
    EXPECT_DOUBLE_EQ(AzimuthOf(o, {0, 0, 5}), 2 * M_PI);
    EXPECT_DOUBLE_EQ(AzimuthOf({-2, 9, 0}, o), 1.5 * M_PI);
    EXPECT_EQ(AzimuthOf({0, 9, 0}, o), 0.0);
    EXPECT_DOUBLE_EQ(ElevationOf({5, 2, -2}, o), M_PI / 4);
    EXPECT_EQ(ElevationOf({5, 0, 3}, o), 0.0);
    // Not-a-number differences count as zero.
    EXPECT_EQ(AzimuthOf({NaN, 0, NaN}, o), 0.0);
    EXPECT_EQ(ElevationOf({0, NaN, 1}, o), 0.0);
}

// ---- OffsetPosition --------------------------------------------------------------

TEST(OffsetPosition, ProjectsTheTangentPlaneBackOntoTheSphere) {
    GeoPosition north = OffsetPosition({0, 0, 0}, {0, 0, 1000});
    EXPECT_NEAR(north.Latitude, std::atan(1000 / 6367310.0), 1e-15);
    EXPECT_NEAR(north.Longitude, -2 * M_PI, 1e-12);
    EXPECT_EQ(north.Altitude, 0.0);

    GeoPosition east = OffsetPosition({-33 * Degree, -70 * Degree, 5000}, {1000, 0, 0});
    // Unchanged but for the projection's pull toward the equator, tan 33 x d^2 / 2R.
    EXPECT_NEAR((east.Latitude + 33 * Degree) * 6367310.0, 0.051, 0.001);
    EXPECT_NEAR(east.Longitude / Degree, -69.989271, 1e-6);

    // Against the earth-centred reckoning, in every quarter and either longitude form.
    for (GeoPosition from : {GeoPosition{0.8, -2.0, 0}, GeoPosition{-0.4, 0.7, 0},
                             GeoPosition{0.2, 0.7 - 2 * M_PI, 0}, GeoPosition{-1.2, 3.0, 0}}) {
        GeoPosition got = OffsetPosition(from, {-730, 0, 2400});
        EXPECT_LT(oracle::Metres(got, oracle::TangentPoint(from, -730, 2400)), 1e-4);
        EXPECT_GE(got.Longitude, -2 * M_PI);
        EXPECT_LT(got.Longitude, 0.0);
    }
    // No offset east or north is the start, whatever the offset up.
    for (GeoPosition from : {GeoPosition{0.5, 1.0, 0}, GeoPosition{-0.5, -1.0, 0}}) {
        for (double up : {0.0, 500.0}) {
            GeoPosition got = OffsetPosition(from, {0, up, 0});
            EXPECT_NEAR(got.Latitude, from.Latitude, 1e-12);
            double expected = from.Longitude >= 0 ? from.Longitude - 2 * M_PI : from.Longitude;
            EXPECT_NEAR(got.Longitude, expected, 1e-12);
        }
    }
}

TEST(OnTheSphere, BringsEveryLatitudeIntoRangeAndLeavesThoseInRangeAlone) {
    // A point exactly over the north pole, as the elevation's -0 gave it.
    GeoPosition pole = OnTheSphere({-1.5 * M_PI, 0.3, 100});
    EXPECT_EQ(pole.Latitude, M_PI / 2);
    EXPECT_EQ(pole.Longitude, 0.3);
    EXPECT_EQ(pole.Altitude, 100.0);
    for (double lat : {-M_PI / 2, -0.7, 0.0, 1.2, M_PI / 2}) {
        GeoPosition p = OnTheSphere({lat, -2.0, 0});
        EXPECT_EQ(p.Latitude, lat);
        EXPECT_EQ(p.Longitude, -2.0);
    }
    // Beyond a pole: the same point on the sphere, reached the other way.
    for (double lat : {M_PI / 2 + 0.2, -M_PI / 2 - 0.2, -1.5 * M_PI + 0.2, 2.5}) {
        GeoPosition from = {lat, 0.4, 0};
        GeoPosition p = OnTheSphere(from);
        EXPECT_LE(std::fabs(p.Latitude), M_PI / 2) << lat;
        EXPECT_LT(oracle::Metres(p, from), 1e-6) << lat;
    }
    EXPECT_TRUE(std::isnan(OnTheSphere({NaN, 0, 0}).Latitude));
}

// ---- GreatCircleDistance ---------------------------------------------------------

TEST(GreatCircleDistance, CountsSixtyNauticalMilesToTheDegreeAcrossEitherMeridian) {
    EXPECT_NEAR(GreatCircleDistance({0, 0.3, 0}, {1 * Degree, 0.3, 0}), 60 * 1852.0, 1e-5);
    EXPECT_NEAR(GreatCircleDistance({0, 179.9 * Degree, 0}, {0, -179.9 * Degree, 0}),
                0.2 * 60 * 1852.0, 1e-4);
    for (double lat : {0.0, 0.4, -1.1})
        EXPECT_LT(GreatCircleDistance({lat, 0.1, 0}, {lat, 0.1 - 2 * M_PI, 0}), 0.2);
    // An offset on the tangent plane: its length seen from the centre, in every direction.
    for (double d : {100.0, 1000.0, 5000.0, 10000.0})
        for (double bearing = 0; bearing < 360; bearing += 45) {
            GeoPosition from = {0.7, -1.9, 0};
            Vector3 v = {d * std::sin(bearing * Degree), 0, d * std::cos(bearing * Degree)};
            double expected = std::atan(d / 6367310.0) * DistanceRadius;
            EXPECT_NEAR(GreatCircleDistance(from, OffsetPosition(from, v)), expected, 1e-3)
                << d << " m at " << bearing;
        }
}

TEST(GreatCircleDistance, EqualPositionsAreNeverNotANumberApart) {
    // Next to a cosine of 1 acos resolves about a decimetre; where the cosine
    // rounds above 1 the distance must be 0, not a missing one.
    int exactZeros = 0;
    for (int i = -1500; i <= 1500; ++i) {
        double lat = i * 0.001, lon = i * 0.002;
        for (double other : {lon, lon + 1e-15, lon - 2 * M_PI}) {
            double d = GreatCircleDistance({lat, lon, 0}, {lat, other, 0});
            ASSERT_TRUE(d >= 0 && d < 0.2) << d << " at latitude " << lat;
            exactZeros += d == 0.0;
        }
    }
    EXPECT_GT(exactZeros, 0);
    EXPECT_TRUE(std::isnan(GreatCircleDistance({NaN, 0, 0}, {0, 0, 0})));
}

} // namespace
