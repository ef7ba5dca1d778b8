// Whether a brush encloses space, judged the way Doom 3's map compiler judges
// it: each side's polygon is cut from a huge square on its plane by every
// other side; a brush whose polygons still reach the edge of the world is
// open, one whose polygons span nothing on some axis has no volume, and two
// sides on one plane facing opposite ways make it invalid. The compiler throws
// such brushes away, so they are not written at all.
//
// The arithmetic is single precision, in the compiler's own order of
// operations, so that borderline brushes are judged as the compiler judges
// them.
#include <cmath>
#include <cstddef>
#include <vector>

#include "converter/output/brush.h"

namespace {

constexpr float kWorldCoord = 128.0f * 1024.0f;   // the world reaches this far each way
constexpr float kWorldSize = 2.0f * kWorldCoord;  // half the side of the starting square
constexpr float kNormalEpsilon = 0.00001f;        // planes this close are one plane
constexpr float kDistEpsilon = 0.01f;

struct Vec {
    float x, y, z;
};

// a·x + b·y + c·z + d = 0, (a, b, c) of unit length pointing out of the brush.
struct Plane {
    Vec normal;
    float d;
};

Vec Sub(const Vec& a, const Vec& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec Add(const Vec& a, const Vec& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec Scale(const Vec& a, float f) {
    return {a.x * f, a.y * f, a.z * f};
}
Vec Cross(const Vec& a, const Vec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const Vec& a, const Vec& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float InvSqrt(float x) {
    return x > 1.1754944e-038f ? std::sqrt(1.0f / x) : INFINITY;
}

// Snaps a normal that is axial but for rounding onto the axis; true if changed.
bool FixDegenerateNormal(Vec& n) {
    float* const c[3] = {&n.x, &n.y, &n.z};
    for (int axis = 0; axis < 3; axis++) {
        const float a = *c[(axis + 1) % 3];
        const float b = *c[(axis + 2) % 3];
        if (a == 0.0f && b == 0.0f) {
            const float want = *c[axis] > 0.0f ? 1.0f : -1.0f;
            if (*c[axis] == want) return false;
            *c[axis] = want;
            return true;
        }
    }
    for (int axis = 0; axis < 3; axis++) {
        if (std::fabs(*c[axis]) == 1.0f) {
            float& a = *c[(axis + 1) % 3];
            float& b = *c[(axis + 2) % 3];
            if (a == 0.0f && b == 0.0f) return false;
            a = b = 0.0f;
            return true;
        }
    }
    return false;
}

// The plane through three points; false for points on one line.
bool PlaneFromPoints(const Point3 (&p)[3], Plane& plane) {
    const Vec p1{static_cast<float>(p[0].x), static_cast<float>(p[0].y),
                 static_cast<float>(p[0].z)};
    const Vec p2{static_cast<float>(p[1].x), static_cast<float>(p[1].y),
                 static_cast<float>(p[1].z)};
    const Vec p3{static_cast<float>(p[2].x), static_cast<float>(p[2].y),
                 static_cast<float>(p[2].z)};
    Vec n = Cross(Sub(p1, p2), Sub(p3, p2));
    const float squared = n.x * n.x + n.y * n.y + n.z * n.z;
    const float inverse = InvSqrt(squared);
    if (!(inverse * squared > 0.0f)) return false;
    n = Scale(n, inverse);
    FixDegenerateNormal(n);
    plane.normal = n;
    plane.d = -Dot(n, p2);
    return true;
}

bool SamePlane(const Plane& a, const Plane& b) {
    return std::fabs(a.d - b.d) <= kDistEpsilon &&
           std::fabs(a.normal.x - b.normal.x) <= kNormalEpsilon &&
           std::fabs(a.normal.y - b.normal.y) <= kNormalEpsilon &&
           std::fabs(a.normal.z - b.normal.z) <= kNormalEpsilon;
}

Plane Flipped(const Plane& p) {
    return {{-p.normal.x, -p.normal.y, -p.normal.z}, -p.d};
}

// The square of side 2·kWorldSize on the plane, around its point nearest the origin.
void BaseWinding(const Plane& plane, std::vector<Vec>& w) {
    const Vec& n = plane.normal;
    const Vec org = Scale(n, -plane.d);
    Vec left;
    const float d = n.x * n.x + n.y * n.y;
    if (d == 0.0f) {
        left = {1.0f, 0.0f, 0.0f};
    } else {
        const float inverse = InvSqrt(d);
        left = {-n.y * inverse, n.x * inverse, 0.0f};
    }
    const Vec down = Cross(left, n);
    const Vec up = Scale(left, kWorldSize);
    const Vec right = Scale(down, kWorldSize);
    w = {Add(Sub(org, right), up), Add(Add(org, right), up), Sub(Add(org, right), up),
         Sub(Sub(org, right), up)};
}

// Keeps the part of the polygon in front of the plane; false when nothing is left.
bool ClipWinding(std::vector<Vec>& w, const Plane& plane, std::vector<Vec>& scratch) {
    enum { kFront, kBack, kOn };
    const size_t n = w.size();
    float dists[72];
    int sides[72];
    if (n + 1 > sizeof dists / sizeof dists[0]) return true;  // more corners than any side has
    int counts[3] = {0, 0, 0};
    for (size_t i = 0; i < n; i++) {
        const float dot = Dot(plane.normal, w[i]) + plane.d;
        dists[i] = dot;
        sides[i] = dot > 0.0f ? kFront : (dot < 0.0f ? kBack : kOn);
        counts[sides[i]]++;
    }
    sides[n] = sides[0];
    dists[n] = dists[0];
    if (counts[kFront] == 0) return false;
    if (counts[kBack] == 0) return true;
    scratch.clear();
    const float normal[3] = {plane.normal.x, plane.normal.y, plane.normal.z};
    for (size_t i = 0; i < n; i++) {
        const Vec& p1 = w[i];
        if (sides[i] == kOn) {
            scratch.push_back(p1);
            continue;
        }
        if (sides[i] == kFront) scratch.push_back(p1);
        if (sides[i + 1] == kOn || sides[i + 1] == sides[i]) continue;
        const Vec& p2 = w[(i + 1) % n];
        const float dot = dists[i] / (dists[i] - dists[i + 1]);
        const float a[3] = {p1.x, p1.y, p1.z};
        const float b[3] = {p2.x, p2.y, p2.z};
        float mid[3];
        for (int j = 0; j < 3; j++) {
            // Axial planes give the exact coordinate.
            if (normal[j] == 1.0f) {
                mid[j] = -plane.d;
            } else if (normal[j] == -1.0f) {
                mid[j] = plane.d;
            } else {
                mid[j] = a[j] + dot * (b[j] - a[j]);
            }
        }
        scratch.push_back({mid[0], mid[1], mid[2]});
    }
    w.swap(scratch);
    return true;
}

}  // namespace

BrushFault CheckBrush(const BrushPlane* planes, size_t count) {
    static std::vector<Plane> sides;
    static std::vector<Vec> winding, scratch;
    sides.clear();
    for (size_t i = 0; i < count; i++) {
        Plane plane;
        if (!PlaneFromPoints(planes[i].points, plane)) continue;  // dropped as degenerate
        bool duplicate = false;
        for (const Plane& earlier : sides) {
            if (SamePlane(earlier, plane)) {
                duplicate = true;
                break;
            }
            if (SamePlane(Flipped(earlier), plane)) return BrushFault::kMirrored;
        }
        if (!duplicate) sides.push_back(plane);
    }

    float low[3] = {INFINITY, INFINITY, INFINITY};
    float high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < sides.size(); i++) {
        BaseWinding(sides[i], winding);
        bool kept = true;
        for (size_t j = 0; j < sides.size() && kept; j++) {
            if (j != i) kept = ClipWinding(winding, Flipped(sides[j]), scratch);
        }
        if (!kept) continue;
        for (const Vec& p : winding) {
            const float c[3] = {p.x, p.y, p.z};
            for (int axis = 0; axis < 3; axis++) {
                if (c[axis] < low[axis]) low[axis] = c[axis];
                if (c[axis] > high[axis]) high[axis] = c[axis];
            }
        }
    }
    BrushFault fault = BrushFault::kNone;
    for (int axis = 0; axis < 3; axis++) {
        if (low[axis] >= high[axis]) return BrushFault::kNoVolume;
        if (low[axis] < -kWorldCoord || high[axis] > kWorldCoord) fault = BrushFault::kOpen;
    }
    return fault;
}
