#include "host/viewpoint.h"

#include "geo_oracle.h"
#include "module_test.h"

#include <cmath>
#include <limits>

using namespace host;
using camera::GeoPosition;

namespace {

constexpr double Degree = M_PI / 180.0;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// ---- FractionOfMagnitude and EncodeViewpoint ---------------------------------------

TEST(FractionOfMagnitude, IsTheFractionOfTheMagnitude) {
    EXPECT_EQ(FractionOfMagnitude(-12.75), 0.75);
    EXPECT_EQ(FractionOfMagnitude(3.25), 0.25);
    EXPECT_EQ(FractionOfMagnitude(-0.0), 0.0);
    EXPECT_EQ(FractionOfMagnitude(1e15 + 0.5), 0.5);
    EXPECT_NEAR(FractionOfMagnitude(-7.999999), 0.999999, 1e-12);
    EXPECT_NEAR(FractionOfMagnitude(123456.789), 0.789, 1e-9);
}

TEST(EncodeViewpoint, CutsWholeWordsTowardZeroAndTakesFractionsFromTheMagnitude) {
    ViewpointWords w = EncodeViewpoint(0.5, -1.0, 1000.0);
    EXPECT_EQ(w.Altitude, 304);
    EXPECT_EQ(w.Longitude, -683565275); // 2^31 / pi = 683565275.58
    EXPECT_NEAR(w.LongitudeFraction / 4294967295.0, 0.5758, 1e-3);
    // 0.5 radians of the host's 10001700 m quarter meridian: 3183639.9886 m.
    EXPECT_EQ(w.Latitude, 3183639);
    EXPECT_NEAR(w.LatitudeFraction / 4294967295.0, 0.9886444, 1e-7);

    // Latitude -12.75 metres: whole -12, fraction 0.75 (not -13 and a quarter).
    ViewpointWords south = EncodeViewpoint(-12.75 / 10001700.0 * 1.5707963267948966, 0, 0);
    EXPECT_EQ(south.Latitude, -12);
    EXPECT_EQ(south.LatitudeFraction, 3221225471u); // 0.75 x 4294967295 = ...471.25

    // Between -2 pi and -pi: low 32 bits of the whole, fraction of the
    // magnitude. A tenth of a microradian past -1.5 pi is -3 x 2^30 - 68.3565
    // units; the low 32 bits of -3221225540 are 2^30 - 68.
    ViewpointWords west = EncodeViewpoint(0, -1.5 * M_PI - 1e-7, 0);
    EXPECT_EQ(west.Longitude, 1073741756);
    EXPECT_NEAR(west.LongitudeFraction / 4294967295.0, 0.356528, 1e-6);

    // Not finite: what the processor's own conversion yields; above all no trap.
    ViewpointWords bad = EncodeViewpoint(NaN, INFINITY, NaN);
    EXPECT_EQ(bad.Latitude, 0);
    EXPECT_EQ(bad.LatitudeFraction, 0u);
    EXPECT_EQ(bad.Longitude, 0);
    EXPECT_EQ(bad.Altitude, 0);
}

TEST(EncodeViewpoint, DecodesBackWithinACentimetre) {
    for (double lat = -1.4; lat <= 1.4; lat += 0.07)
        for (double lon = -3.1; lon <= 3.1; lon += 0.31) {
            GeoPosition p = {lat + 1e-3, lon + 1e-3, 3000.0};
            DecodedViewpoint d =
                DecodeViewpoint(EncodeViewpoint(p.Latitude, p.Longitude, p.Altitude));
            GeoPosition back = {d.LatitudeDegrees * Degree, d.LongitudeDegrees * Degree, 0.0};
            EXPECT_LT(oracle::Metres(p, back), 0.01) << lat << " " << lon;
            EXPECT_EQ(d.AltitudeMetres, 914.0);
        }
}

TEST(EncodeViewpoint, AltitudeIsHeldBetweenSeaLevelAndTheWordsTop) {
    // Below sea level the low 16 bits of -3 m would read as 65533 m.
    struct Case {
        double Feet;
        uint16_t Word;
    };
    const Case cases[] = {
        {-10.0, 0},     {-1e6, 0},     {-0.0, 0},         {0.0, 0},          {3.2, 0},
        {3.3, 1},       {1000.0, 304}, {214990.0, 65528}, {215010.0, 65535}, {215030.0, 65535},
        {1e300, 65535}, {-1e300, 0},   {INFINITY, 65535}, {-INFINITY, 0},    {NaN, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeViewpoint(0.1, 0.2, c.Feet).Altitude, c.Word) << c.Feet;
    // Every whole metre from 0 to 65535 keeps its value.
    for (int metres = 0; metres <= 65535; metres += 97)
        ASSERT_EQ(EncodeViewpoint(0, 0, (metres + 0.5) / 0.3048).Altitude, metres);
}

// ---- Reading the words back ---------------------------------------------------

TEST(DecodeViewpoint, ReadsTheSignOfTheWholeWordSouthAndWest) {
    // 33 degrees south, 70 degrees west, 1000 m: both whole words negative.
    ViewpointWords w = EncodeViewpoint(-33.0 * Degree, -70.0 * Degree, 1000.0 / 0.3048);
    EXPECT_LT(w.Latitude, 0);
    EXPECT_LT(w.Longitude, 0);
    DecodedViewpoint d = DecodeViewpoint(w);
    EXPECT_NEAR(d.LatitudeDegrees, -33.0, 1e-7);
    EXPECT_NEAR(d.LongitudeDegrees, -70.0, 1e-7);
    EXPECT_EQ(d.AltitudeMetres, 1000.0);
    // The host's form of a western longitude, minus a full turn, reads the same.
    DecodedViewpoint wrapped =
        DecodeViewpoint(EncodeViewpoint(-33.0 * Degree, (-70.0 - 360.0) * Degree, 0.0));
    EXPECT_NEAR(wrapped.LongitudeDegrees, -70.0, 1e-7);
}

// ---- The checked write ---------------------------------------------------------

class WriteViewpointTest : public ModuleTest {};

TEST_F(WriteViewpointTest, WritesTheFiveWordsWhereTheHostKeepsThem) {
    sim::MapHost(SimulatedHost::FixedWords, 0x10000);
    ViewpointWords w = EncodeViewpoint(0.7, -1.0, 500.0);
    EXPECT_EQ(WriteViewpoint(w), 1);
    EXPECT_EQ(sim::PeekHost<int32_t>(HostEyeLatitude), w.Latitude);
    EXPECT_EQ(sim::PeekHost<uint32_t>(HostEyeLatitudeFraction), w.LatitudeFraction);
    EXPECT_EQ(sim::PeekHost<int32_t>(HostEyeLongitude), w.Longitude);
    EXPECT_EQ(sim::PeekHost<uint32_t>(HostEyeLongitudeFraction), w.LongitudeFraction);
    EXPECT_EQ(sim::PeekHost<uint16_t>(HostEyeAltitude), w.Altitude);
    EXPECT_EQ(sim::PeekHost<uint16_t>(HostEyeAltitude + 2), 0) << "a 16-bit write";
}

TEST_F(WriteViewpointTest, APositionThatIsNotFiniteIsNeverWritten) {
    sim::MapHost(SimulatedHost::FixedWords, 0x10000);
    ASSERT_EQ(WriteViewpointAt(0.7, -1.0, 500.0), 1);
    const uint8_t* block = sim::HostBytes(ViewpointBlock, ViewpointBlockSize);
    const std::vector<uint8_t> before(block, block + ViewpointBlockSize);
    for (double bad : {NaN, double(INFINITY), -double(INFINITY)}) {
        EXPECT_EQ(WriteViewpointAt(bad, -1.0, 500.0), 0);
        EXPECT_EQ(WriteViewpointAt(0.7, bad, 500.0), 0);
        EXPECT_EQ(WriteViewpointAt(0.7, -1.0, bad), 0);
    }
    EXPECT_EQ(std::vector<uint8_t>(block, block + ViewpointBlockSize), before);
}

TEST_F(WriteViewpointTest, AnAbsentPartialOrReadOnlyBlockIsLeftAlone) {
    ViewpointWords w = EncodeViewpoint(0.7, -1.0, 500.0);
    EXPECT_EQ(WriteViewpoint(w), 0) << "nothing mapped";
    sim::MapHost(HostEyeLatitudeFraction, 16); // only the first half of the block
    EXPECT_EQ(WriteViewpoint(w), 0);
    EXPECT_EQ(sim::PeekHost<int32_t>(HostEyeLatitude), 0) << "not even that half";
    sim::UnmapHost(HostEyeLatitudeFraction);
    sim::MapHost(SimulatedHost::FixedWords, 0x10000, false);
    EXPECT_EQ(WriteViewpoint(w), 0) << "read-only";
    // A write there would have been a fault, and faults fail the test at its end.
}

} // namespace
