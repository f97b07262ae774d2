// The host's record of a view, as far as the module reads and writes it. The
// rest belongs to the host and is carried over untouched; its pads are named by
// their byte offset so that later fields can be carved out of them in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

constexpr uint32_t ViewRecordSize = 264;

// View kinds: the pilot's seat, and the outside view the walk drives.
constexpr int32_t ViewKindCockpit = 1;
constexpr int32_t ViewKindOutside = 1250;

#pragma pack(push, 1)

// The host's position format: three 64-bit fixed-point values, each a fraction
// word (of the magnitude, x 4294967295) and then a signed whole word.
struct FixedPoint {
    uint32_t Fraction;
    int32_t Whole;
};
struct LatLonAlt {
    FixedPoint Latitude;  // metres north of the equator
    FixedPoint Longitude; // 2^32 units per turn
    FixedPoint Altitude;  // metres
};

// One row of the view rotation: three columns the module writes, then a word
// of the host's that it never changes.
struct ViewRotationRow {
    float Column[3];
    uint32_t Fourth;
};

struct ViewRecord {
    int32_t AspectNumerator; // the view's aspect ratio, numerator over denominator
    uint8_t Pad4[8];
    int32_t AspectDenominator;
    uint8_t Pad16[16];
    int32_t Kind;
    int32_t Direction; // steps of 45 degrees, added to the heading
    int32_t Word40;
    uint8_t Pad44[2];
    int16_t Zoom; // zoom x 64, in the cockpit
    uint8_t Pad48[4];
    uint16_t OutsideZoom; // the outside view's zoom, / 64
    uint8_t Pad54[30];
    ViewRotationRow Rotation[3];
    uint8_t Pad132[16];
    int16_t Heading; // 65536 per turn
    uint8_t Pad150[6];
    LatLonAlt EyePoint; // the outside view's eye
    uint8_t Pad180[12];
    LatLonAlt EyePointAgain; // the same point
    uint8_t Pad216[32];
    uint32_t CameraBlock;    // address of the camera block, 0 when there is none
    int16_t EyeReference[3]; // x, y, z in 1/256 units
    int16_t EyeOffset[3];    // x, y, z in 1/256 units: the eye is at reference + offset
};

#pragma pack(pop)

static_assert(sizeof(LatLonAlt) == 24);
static_assert(sizeof(ViewRotationRow) == 16);
static_assert(offsetof(ViewRotationRow, Fourth) == 12);
static_assert(sizeof(ViewRecord) == ViewRecordSize);
static_assert(offsetof(ViewRecord, AspectNumerator) == 0);
static_assert(offsetof(ViewRecord, AspectDenominator) == 12);
static_assert(offsetof(ViewRecord, Kind) == 32);
static_assert(offsetof(ViewRecord, OutsideZoom) == 52);
static_assert(offsetof(ViewRecord, EyePoint) == 156);
static_assert(offsetof(ViewRecord, EyePointAgain) == 192);
static_assert(offsetof(ViewRecord, CameraBlock) == 248);
static_assert(offsetof(ViewRecord, Direction) == 36);
static_assert(offsetof(ViewRecord, Word40) == 40);
static_assert(offsetof(ViewRecord, Zoom) == 46);
static_assert(offsetof(ViewRecord, Rotation[0].Column) == 84);
static_assert(offsetof(ViewRecord, Rotation[0].Fourth) == 96);
static_assert(offsetof(ViewRecord, Rotation[1].Column) == 100);
static_assert(offsetof(ViewRecord, Rotation[2].Column) == 116);
static_assert(offsetof(ViewRecord, Rotation[2].Fourth) == 128);
static_assert(offsetof(ViewRecord, Heading) == 148);
static_assert(offsetof(ViewRecord, EyeReference) == 252);
static_assert(offsetof(ViewRecord, EyeOffset) == 258);

// ---- The outside view's camera block and sub-block ------------------------------

#pragma pack(push, 1)

struct CameraBlock {
    uint8_t Pad0[120];
    uint32_t SubBlock; // 0 when there is none
    uint8_t Pad124[20];
    double Latitude;  // degrees
    double Longitude; // degrees
    double AltitudeKilometres;
    uint8_t Pad168[32];
    float Matrix[16]; // row by row
    double U, V;
    int32_t UWord, VWord; // U and V x 2^30
};
static_assert(offsetof(CameraBlock, SubBlock) == 120);
static_assert(offsetof(CameraBlock, Latitude) == 144);
static_assert(offsetof(CameraBlock, AltitudeKilometres) == 160);
static_assert(offsetof(CameraBlock, Matrix) == 200);
static_assert(offsetof(CameraBlock, U) == 264);
static_assert(offsetof(CameraBlock, V) == 272);
static_assert(offsetof(CameraBlock, UWord) == 280);
static_assert(sizeof(CameraBlock) == 288);

struct CameraSubBlock {
    uint8_t Pad0[8];
    double Latitude;  // degrees
    double Longitude; // degrees
    double AltitudeKilometres;
    uint8_t Pad32[112];
    float Word144;
    uint8_t Pad148[20];
    float Word168;
    uint8_t Pad172[20];
    float Word192;
    float Word196; // minus the eye's altitude
    float Word200;
};
static_assert(offsetof(CameraSubBlock, Latitude) == 8);
static_assert(offsetof(CameraSubBlock, AltitudeKilometres) == 24);
static_assert(offsetof(CameraSubBlock, Word144) == 144);
static_assert(offsetof(CameraSubBlock, Word168) == 168);
static_assert(offsetof(CameraSubBlock, Word192) == 192);
static_assert(offsetof(CameraSubBlock, Word196) == 196);
static_assert(sizeof(CameraSubBlock) == 204);

// The host's viewpoint records in GLOBAL.DLL: the position, and three angles
// in the order pitch, bank, heading (4294967295 units a turn).
struct EyeAttitude {
    uint32_t Pitch, Bank, Heading;
};
static_assert(sizeof(EyeAttitude) == 12);

#pragma pack(pop)

// One fixed-point value: the whole word cut toward zero (its low 32 bits, so
// past 2^31 it wraps, as 2^32 longitude units make a turn), the fraction of
// the magnitude: -1.25 is whole -1, fraction 0.25. Not a number or infinity
// gives zero words.
FixedPoint EncodeFixedPoint(double x);

// Whole words cut toward zero (their low 32 bits), fractions of the
// magnitude: -1.25 metres is whole -1, fraction 0.25. Not a number or
// infinity gives zero words.
LatLonAlt EncodeLatLonAlt(double latitudeDegrees, double longitudeDegrees, double altitudeMetres);
// The low 32 bits of degrees / 360 x 4294967295 cut toward zero; a negative
// angle wraps to its two's complement. Any finite angle gives defined bits.
uint32_t EncodeAngle(double degrees);

} // namespace host
