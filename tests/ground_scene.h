// Scenes for the ground probe as the host holds them, built as plain bytes at
// a host address: the object table, entries, model data with their
// directories, and geometry streams. The generator also gives every triangle
// in the probe point's frame, placed by its own means (the east, up and north
// unit vectors of the probe point, not the host's rotations), for an oracle
// that tests every triangle. Shared by the tests, the fuzz seeds and the
// benchmarks.
#pragma once

#include "geometry/geometry.h"
#include "host/byte_source.h"
#include "host/scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace groundscene {

using geometry::Dot;
using geometry::Vector3;

inline Vector3 Add(const Vector3& a, const Vector3& b) {
    return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}
inline Vector3 Sub(const Vector3& a, const Vector3& b) {
    return geometry::Minus(a, b);
}
inline Vector3 Cross(const Vector3& a, const Vector3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
inline Vector3 Scale(const Vector3& a, double s) {
    return {a.X * s, a.Y * s, a.Z * s};
}

// A triangle as the stream stores it: vertices from the current sphere's
// centre, then the unit normal.
inline host::GeometryTriangle MakeTriangle(const Vector3& a, const Vector3& b, const Vector3& c) {
    host::GeometryTriangle t;
    const Vector3* v[3] = {&a, &b, &c};
    Vector3 stored[3];
    for (int i = 0; i < 3; ++i) {
        t.Vertex[i][0] = float(v[i]->X);
        t.Vertex[i][1] = float(v[i]->Y);
        t.Vertex[i][2] = float(v[i]->Z);
        stored[i] = {t.Vertex[i][0], t.Vertex[i][1], t.Vertex[i][2]};
    }
    // The normal of the vertices as stored.
    Vector3 n = Cross(Sub(stored[1], stored[0]), Sub(stored[2], stored[0]));
    double length = std::sqrt(Dot(n, n));
    if (length > 0) n = Scale(n, 1.0 / length);
    t.Normal[0] = float(n.X), t.Normal[1] = float(n.Y), t.Normal[2] = float(n.Z);
    return t;
}

// Host bytes from Base on, with their records.
struct Image {
    uint32_t Base;
    std::vector<uint8_t> Bytes;

    explicit Image(uint32_t base) : Base(base) {}
    uint32_t Here() const { return Base + uint32_t(Bytes.size()); }
    template <class T> uint32_t Put(const T& value) {
        uint32_t at = Here();
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&value);
        Bytes.insert(Bytes.end(), b, b + sizeof value);
        return at;
    }
    template <class T> void PutAt(uint32_t at, const T& value) {
        std::memcpy(&Bytes.at(at - Base), &value, sizeof value);
    }
    void Fill(uint32_t count, uint8_t byte) { Bytes.insert(Bytes.end(), count, byte); }

    // ---- Geometry records ----
    uint32_t Call(int32_t offset) {
        return Put(host::StreamCallRecord{host::StreamOpCall, offset});
    }
    void CallTo(uint32_t call, uint32_t target) { PutAt(call + 2, int32_t(target - call)); }
    uint32_t ReferencePoint(float latitude, float longitude, float altitude) {
        uint32_t at = Put(host::GeometryReferencePoint{host::GeometryOpReferencePoint, latitude,
                                                       longitude, altitude});
        Fill(host::GeometryReferencePointSize - sizeof(host::GeometryReferencePoint), 0xCD);
        return at;
    }
    // A sphere whose skip goes just past it unless set with SkipTo.
    uint32_t Sphere(const Vector3& centre, float radius,
                    uint16_t enter = sizeof(host::GeometrySphere),
                    int32_t skip = sizeof(host::GeometrySphere)) {
        host::GeometrySphere s{host::GeometryOpSphere,
                               enter,
                               skip,
                               {0, 0},
                               {float(centre.X), float(centre.Y), float(centre.Z)},
                               radius};
        return Put(s);
    }
    void SkipTo(uint32_t sphere, uint32_t target) { PutAt(sphere + 4, int32_t(target - sphere)); }
    uint32_t Triangles(const std::vector<host::GeometryTriangle>& list) {
        uint32_t at =
            Put(host::GeometryTriangleList{host::GeometryOpTriangles, int32_t(list.size())});
        for (const host::GeometryTriangle& t : list) Put(t);
        return at;
    }
    uint32_t End() { return Put(host::StreamOpEnd); }

    // ---- Model data, entries and the table ----
    // Model data with a "PNTR" directory of count entries, all blank; at least
    // the 200 bytes the probe checks.
    uint32_t ModelData(int32_t count) {
        uint32_t at = Here();
        Fill(host::SceneDirectoryTagAt, 0x11);
        for (char c : host::ModelDirectoryTag) Put(c);
        Put(count);
        Fill(uint32_t(count) * host::ModelDirectoryEntrySize, 0);
        if (Here() - at < host::SceneModelCheckSize)
            Fill(host::SceneModelCheckSize - (Here() - at), 0x22);
        return at;
    }
    uint32_t DirectoryEntry(uint32_t model, int32_t index) const {
        return model + host::SceneDirectoryEntriesAt +
               uint32_t(index) * host::ModelDirectoryEntrySize;
    }
    // Entry index of the model's directory: tag, and the offset to target (or
    // exactly offset when target is 0).
    void SetEntry(uint32_t model, int32_t index, const char (&tag)[5], uint32_t target,
                  int32_t offset = 0) {
        uint32_t entry = DirectoryEntry(model, index);
        std::memcpy(&Bytes.at(entry - Base), tag, 4);
        PutAt(entry + 4, target ? int32_t(target - entry) : offset);
    }
    // The table's 16 bytes, then its entries back to back, each pointing at
    // its model data.
    uint32_t Table(const std::vector<uint32_t>& models) {
        uint32_t at = Put(host::SceneTableHeader{int32_t(models.size()), {}, Here() + 16});
        for (uint32_t model : models) {
            host::SceneObjectEntry e{};
            std::memset(e.Pad0, 0x33, sizeof e.Pad0);
            e.ModelData = model;
            Put(e);
        }
        return at;
    }
};

// An image as plain bytes, but not the holes in it. A stretch given is the
// whole run of bytes between holes, or with Exact only the bytes asked for.
struct PlainBytes {
    const Image* From;
    std::vector<std::pair<uint32_t, uint32_t>> Holes; // address, size
    bool Exact = false;

    static bool Span(void* context, uint32_t address, uint32_t size, host::ByteSpan& out) {
        auto* p = static_cast<PlainBytes*>(context);
        uint64_t first = p->From->Base, last = first + p->From->Bytes.size();
        uint64_t end = uint64_t(address) + size;
        if (address < first || end > last) return false;
        for (auto [at, length] : p->Holes) {
            uint64_t after = uint64_t(at) + length;
            if (address < after && end > at) return false;
            if (after <= address) first = std::max(first, after);
            if (at >= end) last = std::min(last, uint64_t(at));
        }
        if (p->Exact) first = address, last = end;
        out = {uint32_t(first), uint32_t(last - first),
               p->From->Bytes.data() + (first - p->From->Base)};
        return true;
    }
    host::ByteSource Source() { return {&Span, this}; }
};

// ---- Placing points by the probe point's own axes ---------------------------------

constexpr double Radians = 3.14159265358979323846 / 180.0;

// Earth-centred: Y through the north pole, longitude 0 towards -Z.
inline Vector3 EarthPoint(double latitude, double longitude, double radius) {
    double f = latitude * Radians, l = longitude * Radians;
    return {radius * std::cos(f) * std::sin(l), radius * std::sin(f),
            -radius * std::cos(f) * std::cos(l)};
}

// p in the frame of q: X east, Y up, Z north.
inline Vector3 LocalOffset(double pLatitude, double pLongitude, double pRadius, double qLatitude,
                           double qLongitude, double qRadius) {
    Vector3 d =
        Sub(EarthPoint(pLatitude, pLongitude, pRadius), EarthPoint(qLatitude, qLongitude, qRadius));
    double f = qLatitude * Radians, l = qLongitude * Radians;
    Vector3 east{std::cos(l), 0.0, std::sin(l)};
    Vector3 up{std::cos(f) * std::sin(l), std::sin(f), -std::cos(f) * std::cos(l)};
    Vector3 north{-std::sin(f) * std::sin(l), std::cos(f), std::sin(f) * std::cos(l)};
    return {Dot(d, east), Dot(d, up), Dot(d, north)};
}

// ---- Random scenes ------------------------------------------------------------

struct WorldTriangle {
    Vector3 V[3]; // in the probe point's frame
};

struct SceneShape {
    int32_t Objects;
    double Spread; // objects' reference points within +-Spread metres east and north
    double Size;   // an object's parts within +-Size metres of its point
    int32_t LeastTriangles, MostTriangles; // per object
    bool Calls;                            // some parts in called streams
    bool RoofUnderProbe; // the first object's first part: a flat roof under the probe point
    double ProbeLatitude, ProbeLongitude, ProbeAltitude;
    bool KeepWorld = true; // every triangle in the probe point's frame, for an oracle
};

struct Scene {
    explicit Scene(uint32_t base) : Bytes(base) {}
    Image Bytes;
    uint32_t Table = 0;
    std::vector<WorldTriangle> World;
    int64_t Triangles = 0;
};

// One object: a reference point, a sphere around all its parts, then each
// part's sphere and triangle list (or a call of a stream holding them), every
// triangle inside its own sphere and every part's sphere inside the object's.
inline void AddObject(Scene& scene, const SceneShape& shape, std::mt19937& rng, double east,
                      double north, bool roof) {
    Image& im = scene.Bytes;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto within = [&](double a, double b) { return a + (b - a) * unit(rng); };
    const double R = 6367310.0;
    float latitude = float(shape.ProbeLatitude + north / R / Radians);
    float longitude = float(shape.ProbeLongitude +
                            east / (R * std::cos(shape.ProbeLatitude * Radians)) / Radians);
    float altitude = float(within(-5.0, 30.0));
    Vector3 base = LocalOffset(latitude, longitude, altitude + R, shape.ProbeLatitude,
                               shape.ProbeLongitude, shape.ProbeAltitude + R);

    int32_t total = int32_t(within(shape.LeastTriangles, shape.MostTriangles + 0.999));
    int32_t parts = 1 + int32_t(unit(rng) * 4.0);
    if (parts > total) parts = total;
    struct Part {
        Vector3 Centre; // from the object's point, as stored (f32 values)
        float Radius;
        int32_t Count;
        bool Called;
    };
    std::vector<Part> list;
    for (int32_t i = 0; i < parts; ++i) {
        Part p;
        p.Centre = {float(within(-shape.Size, shape.Size)), float(within(0.0, shape.Size)),
                    float(within(-shape.Size, shape.Size))};
        p.Radius = float(within(0.2, 0.5) * shape.Size);
        p.Count = total / parts + (i < total % parts);
        p.Called = shape.Calls && unit(rng) < 0.4;
        if (roof && i == 0) p.Centre = {0.0, float(shape.Size / 2), 0.0}, p.Called = false;
        list.push_back(p);
    }
    Vector3 top{0.0, float(shape.Size / 2), 0.0};
    double topRadius = 0.0;
    for (const Part& p : list) {
        Vector3 d = Sub(p.Centre, top);
        topRadius = std::max(topRadius, std::sqrt(Dot(d, d)) + p.Radius + 0.01);
    }

    uint32_t model = im.ModelData(2);
    im.SetEntry(model, 0, "SCEN", 0, 4);
    im.SetEntry(model, 1, "BLCK", im.Here());
    im.ReferencePoint(latitude, longitude, altitude);
    uint32_t topSphere = im.Sphere(top, float(topRadius));
    std::vector<uint32_t> skips, calls;
    // Triangles within radius r of the origin: flat roofs and slanted pieces.
    auto triangles = [&](double r, int32_t count, const Vector3& k, bool roofFirst) {
        std::vector<host::GeometryTriangle> out;
        while (int32_t(out.size()) < count) {
            Vector3 v[3];
            double y = within(-0.5, 0.5) * r;
            bool flat = unit(rng) < 0.5;
            if (roofFirst && out.empty()) {
                double h = 0.6 * r; // across the part's centre, within 0.9 of its radius
                v[0] = {-h, 0.0, -h}, v[1] = {h, 0.0, -h}, v[2] = {0.0, 0.0, h};
            } else {
                for (Vector3& p : v) {
                    do {
                        p = {within(-r, r), flat ? y : within(-r, r), within(-r, r)};
                    } while (Dot(p, p) > 0.81 * r * r);
                }
                Vector3 n = Cross(Sub(v[1], v[0]), Sub(v[2], v[0]));
                if (Dot(n, n) < 1e-4 * r * r * r * r) continue;
            }
            host::GeometryTriangle t = MakeTriangle(v[0], v[1], v[2]);
            out.push_back(t);
            WorldTriangle w;
            for (int j = 0; j < 3; ++j)
                w.V[j] = Add({t.Vertex[j][0], t.Vertex[j][1], t.Vertex[j][2]}, k);
            if (shape.KeepWorld) scene.World.push_back(w);
        }
        scene.Triangles += count;
        return out;
    };
    for (size_t i = 0; i < list.size(); ++i) {
        const Part& p = list[i];
        for (uint32_t s : skips) im.SkipTo(s, im.Here());
        skips.clear();
        if (p.Called) {
            calls.push_back(im.Call(0));
            continue;
        }
        skips.push_back(im.Sphere(p.Centre, p.Radius)); // its centre stored exactly: f32 values
        im.Triangles(triangles(p.Radius, p.Count, Add(p.Centre, base), roof && i == 0));
    }
    uint32_t end = im.End();
    for (uint32_t s : skips) im.SkipTo(s, end);
    im.SkipTo(topSphere, end);
    // The called streams: each inherits the current centre at its call.
    Vector3 inheritedFromCall = top;
    size_t next = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i].Called) {
            inheritedFromCall = list[i].Centre;
            continue;
        }
        const Part& p = list[i];
        Vector3 inherited = Add(inheritedFromCall, base);
        Vector3 relative = Sub(p.Centre, inheritedFromCall);
        im.CallTo(calls[next++], im.Here());
        uint32_t s = im.Sphere(relative, p.Radius);
        Vector3 stored{float(relative.X), float(relative.Y), float(relative.Z)};
        im.Triangles(triangles(p.Radius, p.Count, Add(stored, inherited), false));
        im.SkipTo(s, im.End());
    }
}

// A scene of shape.Objects objects around the probe point, the first right
// under it: the table at image base, then its entries, then each object's
// model data and geometry.
inline Scene MakeScene(uint32_t base, const SceneShape& shape, uint32_t seed) {
    Scene scene(base);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> spread(-shape.Spread, shape.Spread);
    // The table and its entries first; the model data's addresses are set after.
    std::vector<uint32_t> models(size_t(shape.Objects), 0);
    scene.Table = scene.Bytes.Table(models);
    for (int32_t i = 0; i < shape.Objects; ++i) {
        uint32_t model = scene.Bytes.Here();
        scene.Bytes.PutAt(scene.Table + 16 + uint32_t(i) * host::SceneObjectEntrySize + 96, model);
        double east = i == 0 ? 0.0 : spread(rng), north = i == 0 ? 0.0 : spread(rng);
        AddObject(scene, shape, rng, east, north, i == 0 && shape.RoofUnderProbe);
    }
    return scene;
}

} // namespace groundscene
