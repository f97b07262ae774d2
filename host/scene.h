// The host scene library's object table and the model data it points to, as
// far as the ground probe reads them: each object's directory and its geometry
// block, a stream of records of nested bounding spheres and triangle lists
// placed at geographic reference points. Values are little-endian and the
// stream's records unaligned: read them with memcpy into these layouts.
#pragma once

#include "host/model.h"
#include "host/stream.h"

#include <cstddef>
#include <cstdint>

namespace host {

// ---- The object table -------------------------------------------------------------

constexpr uint32_t SceneTableCheckSize = 16; // bytes of the table checked before use

#pragma pack(push, 1)

struct SceneTableHeader {
    int32_t Count; // read again before each entry: the host may change it
    uint8_t Pad4[8];
    uint32_t FirstEntry; // entries are back to back from here
};
static_assert(offsetof(SceneTableHeader, Count) == 0);
static_assert(offsetof(SceneTableHeader, FirstEntry) == 12);
static_assert(sizeof(SceneTableHeader) == SceneTableCheckSize);

struct SceneObjectEntry {
    uint8_t Pad0[96];
    uint32_t ModelData;
    uint8_t Pad100[4];
};
static_assert(offsetof(SceneObjectEntry, ModelData) == 96);

#pragma pack(pop)

constexpr uint32_t SceneObjectEntrySize = 104;
static_assert(sizeof(SceneObjectEntry) == SceneObjectEntrySize);

// ---- An object's model data ----------------------------------------------------------

constexpr uint32_t SceneModelCheckSize = 200; // bytes of the model data checked before use
constexpr uint32_t SceneDirectoryTagAt = 124;
constexpr uint32_t SceneDirectoryCountAt = 128;
constexpr uint32_t SceneDirectoryEntriesAt = 132;
// The directory's entries as every model's (host/model.h).
constexpr char GeometryBlockTag[4] = {'B', 'L', 'C', 'K'};

// ---- The geometry stream ----------------------------------------------------------------

// Calls and ends: host/stream.h.
constexpr uint16_t GeometryOpReferencePoint = 0xF002; // what follows is placed at this point
constexpr uint16_t GeometryOpOther = 0xF003;          // a record of another kind: the probe stops
constexpr uint16_t GeometryOpSphere = 0xF004;         // bounding sphere: enter or skip
constexpr uint16_t GeometryOpTriangles = 0xF005;      // triangle list

#pragma pack(push, 1)

// The first 14 of the record's 30 bytes: the rest are not the probe's.
struct GeometryReferencePoint {
    uint16_t Op;
    float Latitude, Longitude; // degrees
    float Altitude;            // metres
};
static_assert(offsetof(GeometryReferencePoint, Latitude) == 2);
static_assert(offsetof(GeometryReferencePoint, Longitude) == 6);
static_assert(offsetof(GeometryReferencePoint, Altitude) == 10);

// The fields of a sphere record; its size is its enter length.
struct GeometrySphere {
    uint16_t Op;
    uint16_t EnterLength; // on a hit: the next record, from this one
    int32_t SkipLength;   // on a miss: the next record, from this one
    uint8_t Pad8[2];
    float Centre[3]; // x, y, z in metres from the stream's base
    float Radius;
};
static_assert(offsetof(GeometrySphere, EnterLength) == 2);
static_assert(offsetof(GeometrySphere, SkipLength) == 4);
static_assert(offsetof(GeometrySphere, Centre) == 10);
static_assert(offsetof(GeometrySphere, Radius) == 22);

struct GeometryTriangleList {
    uint16_t Op;
    int32_t Count; // triangles that follow
};
static_assert(offsetof(GeometryTriangleList, Count) == 2);

struct GeometryTriangle {
    float Vertex[3][3]; // x, y, z of each, from the current sphere's centre
    float Normal[3];
};
static_assert(offsetof(GeometryTriangle, Normal) == 36);

#pragma pack(pop)

constexpr uint32_t GeometryReferencePointSize = 30;
constexpr uint32_t GeometryTriangleListHeaderSize = 6;
constexpr uint32_t GeometryTriangleSize = 48;
static_assert(sizeof(GeometryReferencePoint) == 14);
static_assert(sizeof(GeometrySphere) == 26);
static_assert(sizeof(GeometryTriangleList) == GeometryTriangleListHeaderSize);
static_assert(sizeof(GeometryTriangle) == GeometryTriangleSize);

} // namespace host
