#include "pilot/mouse.h"

#include <cmath>
#include <cstring>

namespace pilot {

using geometry::Dot;
using geometry::Matrix4;
using geometry::Minus;
using geometry::Ray;
using geometry::Transform;
using geometry::Vector3;

namespace {

// One walk of a stream and, through its nested records, of the streams it
// calls; the stretch read last and the budget are shared by the whole walk.
int32_t Walk(const host::ByteSource& bytes, host::ByteSpan& span, uint32_t at, const Vector3& base,
             const Ray& ray, int32_t depth, int32_t& budget) {
    if (depth > StreamDepthLimit) return 0;
    Vector3 current = base; // the base until a sphere has been seen
    while (budget-- > 0) {
        const uint8_t* r = host::View(bytes, span, at, sizeof(uint16_t));
        if (!r) return 0;
        uint16_t op = host::Field<uint16_t>(r);
        if (op == host::StreamOpCall) {
            if (!(r = host::View(bytes, span, at, host::StreamCallSize))) return 0;
            uint32_t nested =
                at + uint32_t(host::Field<int32_t>(r + offsetof(host::StreamCallRecord, Offset)));
            if (nested == at) return 0; // a stream that calls itself
            if (int32_t hit = Walk(bytes, span, nested, current, ray, depth + 1, budget))
                return hit;
            at += host::StreamCallSize;
            continue;
        }
        if (op != host::EventOpSphere) return 0; // the end, or a record this walk does not know
        if (!(r = host::View(bytes, span, at, host::EventSphereSize))) return 0;
        host::EventSphereRecord s;
        std::memcpy(&s, r, sizeof s);
        uint16_t length = s.Length;
        uint32_t skip = s.Skip;
        double radius = s.Radius;
        current = {s.Centre[0] + base.X, s.Centre[1] + base.Y, s.Centre[2] + base.Z};
        bool any = s.Codes[0] || s.Codes[1] || s.Codes[2];
        bool hit = geometry::RaySphere(ray, current, radius * radius).Hit;
        if (hit && s.Kind == host::EventSphereKindControl && any) return 1;
        // A hit goes into the sphere's own records; a miss skips them.
        uint64_t next = uint64_t(at) + length + (hit ? 0 : uint64_t(skip));
        if (length == 0 || next > UINT32_MAX) return 0; // it would not move on
        at = uint32_t(next);
    }
    return 0;
}

} // namespace

LookTurn MouseLookMove(MouseLook& look, int32_t x, int32_t y, double zoom,
                       const MouseLookFeel& feel) {
    if (look.LastX == 0 && look.LastY == 0) {
        look.LastX = x;
        look.LastY = y;
        return {0, 0.0, 0.0};
    }
    double turn = feel.DegreesPerPixel / (zoom != 0.0 ? zoom : 1.0);
    double dx = double(x) - look.LastX, dy = double(y) - look.LastY;
    if (feel.InvertVertical) dy = -dy;
    look.LastX = x;
    look.LastY = y;
    return {1, dx * turn, dy * turn};
}

double ZoomAfterWheel(double zoom, int32_t delta) {
    return LimitedZoom(zoom + double(delta) / WheelNotch * ZoomPerNotch);
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
    Matrix4 m = geometry::Multiply(rotation, move); // rotate, then move to the eye

    double u = double(x) / width - 0.5, v = double(y) / height - 0.5;
    if (width < height)
        u *= double(width) / height;
    else
        v *= double(height) / width;
    v = -v;
    double depth = view.Zoom / ZoomWordScale * PickRayDepth;
    ray.Origin = Transform(m, 0.0f, 0.0f, 0.0f);
    Vector3 d = Minus(Transform(m, float(u), float(v), float(depth)), ray.Origin);
    double length = std::sqrt(Dot(d, d));
    ray.Direction =
        length > 0.0 ? Vector3{d.X / length, d.Y / length, d.Z / length} : Vector3{0.0, 0.0, 1.0};
    return true;
}

int32_t HitEventSpheres(const host::ByteSource& bytes, uint32_t stream, const Vector3& base,
                        const Ray& ray) {
    int32_t budget = StreamRecordLimit;
    host::ByteSpan span;
    return Walk(bytes, span, stream, base, ray, 0, budget);
}

} // namespace pilot
