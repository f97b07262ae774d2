#include "pilot/mouse.h"

#include <cmath>
#include <cstring>

namespace pilot {

namespace {

// A point (x, y, z, 1) times M, row vector on the left.
camera::Vector3 Transform(const Matrix4& m, float x, float y, float z) {
    float out[3];
    for (int c = 0; c < 3; ++c) out[c] = x * m.M[0][c] + y * m.M[1][c] + z * m.M[2][c] + m.M[3][c];
    return {out[0], out[1], out[2]};
}

double Dot(const camera::Vector3& a, const camera::Vector3& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}

camera::Vector3 Minus(const camera::Vector3& a, const camera::Vector3& b) {
    return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}

// One walk of a stream and, through its nested records, of the streams it
// calls; budget is shared by the whole walk.
int32_t Walk(const ByteSource& bytes, uint32_t at, const camera::Vector3& base, const Ray& ray,
             int32_t depth, int32_t& budget) {
    if (depth > StreamDepthLimit) return 0;
    camera::Vector3 current = base; // the base until a sphere has been seen
    while (budget-- > 0) {
        uint16_t op;
        if (!bytes.Read(bytes.Context, at, &op, sizeof op)) return 0;
        if (op == OpNestedStream) {
            int32_t offset;
            if (!bytes.Read(bytes.Context, at + 2, &offset, sizeof offset)) return 0;
            uint32_t nested = at + uint32_t(offset);
            if (nested == at) return 0; // a stream that calls itself
            if (int32_t hit = Walk(bytes, nested, current, ray, depth + 1, budget)) return hit;
            at += NestedStreamRecordSize;
            continue;
        }
        if (op != OpEventSphere) return 0; // the end, or a record this walk does not know
        uint8_t r[EventSphereRecordSize];
        if (!bytes.Read(bytes.Context, at, r, sizeof r)) return 0;
        auto field = [&r](uint32_t offset, auto value) {
            std::memcpy(&value, r + offset, sizeof value);
            return value;
        };
        uint16_t length = field(2, uint16_t{});
        uint32_t skip = field(4, uint32_t{});
        uint16_t kind = field(8, uint16_t{});
        double radius = field(22, float{});
        current = {field(10, float{}) + base.X, field(14, float{}) + base.Y,
                   field(18, float{}) + base.Z};
        bool any = field(26, uint32_t{}) || field(30, uint32_t{}) || field(34, uint32_t{});
        bool hit = RaySphere(ray, current, radius * radius).Hit;
        if (hit && kind == EventSphereKindControl && any) return 1;
        // A hit goes into the sphere's own records; a miss skips them.
        uint64_t next = uint64_t(at) + length + (hit ? 0 : uint64_t(skip));
        if (length == 0 || next > UINT32_MAX) return 0; // it would not move on
        at = uint32_t(next);
    }
    return 0;
}

} // namespace

MouseOutcome MouseLookMove(PilotViewState& state, int32_t x, int32_t y, const MouseLookFeel& feel) {
    if (state.LastCursorX == 0 && state.LastCursorY == 0) {
        // The first sample only sets the reference; (0, 0) counts as none.
        state.LastCursorX = x;
        state.LastCursorY = y;
        return {1, 0};
    }
    // Until a cockpit view was taken over there is no zoom: turn as at zoom 1.
    double zoom = state.Eye.Zoom != 0.0 ? state.Eye.Zoom : 1.0;
    double turn = feel.DegreesPerPixel / zoom;
    double dx = double(x) - state.LastCursorX, dy = double(y) - state.LastCursorY;
    if (feel.InvertVertical) dy = -dy;
    if (state.ExternalView) {
        state.WalkerAttitude.Heading += dx * turn;
        state.HeadAttitude.Pitch += dy * turn;
    } else {
        state.Eye.EyeAngles.Heading += dx * turn;
        state.Eye.EyeAngles.Pitch += dy * turn;
        state.Eye.Glide.Active = 0;
    }
    state.LastCursorX = x;
    state.LastCursorY = y;
    return {1, 1};
}

MouseOutcome MouseWheelTurn(PilotViewState& state, int32_t delta) {
    double step = double(delta) / WheelNotch * ZoomPerNotch;
    if (state.ExternalView) {
        state.WalkerZoom = LimitedZoom(state.WalkerZoom + step);
        return {1, 0};
    }
    state.Eye.Zoom = LimitedZoom(state.Eye.Zoom + step);
    state.Eye.Glide.Active = 0;
    return {1, 1};
}

bool ComputePickRay(const host::ViewRecord& view, int32_t width, int32_t height, int32_t x,
                    int32_t y, Ray& ray) {
    if (width <= 0 || height <= 0) return false; // no area, no ray
    Matrix4 rotation{}, move{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rotation.M[r][c] = view.Rotation[r].Column[c];
    rotation.M[3][3] = 1.0f;
    for (int i = 0; i < 4; ++i) move.M[i][i] = 1.0f;
    for (int i = 0; i < 3; ++i)
        move.M[3][i] = float((view.EyeReference[i] + view.EyeOffset[i]) / EyeWordScale);
    Matrix4 m = Multiply(rotation, move); // rotate, then move to the eye

    double u = double(x) / width - 0.5, v = double(y) / height - 0.5;
    if (width < height)
        u *= double(width) / height;
    else
        v *= double(height) / width;
    v = -v;
    double depth = view.Zoom / ZoomWordScale * PickRayDepth;
    ray.Origin = Transform(m, 0.0f, 0.0f, 0.0f);
    camera::Vector3 d = Minus(Transform(m, float(u), float(v), float(depth)), ray.Origin);
    double length = std::sqrt(Dot(d, d));
    ray.Direction = length > 0.0 ? camera::Vector3{d.X / length, d.Y / length, d.Z / length}
                                 : camera::Vector3{0.0, 0.0, 1.0};
    return true;
}

SphereHit RaySphere(const Ray& ray, const camera::Vector3& centre, double squaredRadius) {
    camera::Vector3 w = Minus(centre, ray.Origin);
    double l = Dot(w, w), s = Dot(w, ray.Direction);
    if (l >= squaredRadius && s < 1e-10) return {false, 0.0, 0.0}; // outside, and behind
    double m = squaredRadius - l + s * s;
    if (!(m > 1e-10)) return {false, 0.0, 0.0};
    double root = std::sqrt(m);
    return {true, s - root, s + root};
}

int32_t HitEventSpheres(const ByteSource& bytes, uint32_t stream, const camera::Vector3& base,
                        const Ray& ray) {
    int32_t budget = StreamRecordLimit;
    return Walk(bytes, stream, base, ray, 0, budget);
}

} // namespace pilot
