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

// One row of the view rotation: three columns the module writes, then a word
// of the host's that it never changes.
struct ViewRotationRow {
    float Column[3];
    uint32_t Fourth;
};

struct ViewRecord {
    uint8_t Pad0[32];
    int32_t Kind;
    int32_t Direction; // steps of 45 degrees, added to the heading
    int32_t Word40;
    uint8_t Pad44[2];
    int16_t Zoom; // zoom x 64
    uint8_t Pad48[36];
    ViewRotationRow Rotation[3];
    uint8_t Pad132[16];
    int16_t Heading; // 65536 per turn
    uint8_t Pad150[102];
    int16_t EyeReference[3]; // x, y, z in 1/256 units
    int16_t EyeOffset[3];    // x, y, z in 1/256 units: the eye is at reference + offset
};

#pragma pack(pop)

static_assert(sizeof(ViewRotationRow) == 16);
static_assert(offsetof(ViewRotationRow, Fourth) == 12);
static_assert(sizeof(ViewRecord) == ViewRecordSize);
static_assert(offsetof(ViewRecord, Kind) == 32);
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

} // namespace host
