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
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "converter/output/brush.h"

namespace {

constexpr float kWorldCoord = 128.0f * 1024.0f;   // the world reaches this far each way
constexpr float kWorldSize = 2.0f * kWorldCoord;  // half the side of the starting square
constexpr float kNormalEpsilon = 0.00001f;        // planes this close are one plane
constexpr float kDistEpsilon = 0.01f;
constexpr int64_t kPrismLimit = 1 << 20;  // coordinates whose products stay exact

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

// A side of a prism brush seen from above: inside where a·x + b·y <= c, (a, b)
// its outward normal, of any length.
struct HalfPlane {
    double a, b, c;
};

constexpr int kMostPrismSides = 64;
constexpr double kPrismReach = 131000.0;  // a prism reaching further is judged in full

// The quick form of the outline test: the sides sorted by the direction of
// their normals must turn the same way all around, once, and each must keep
// an edge of positive length between its neighbours. The corners are then
// the polygon the sides enclose. False when that is not so; the caller then
// cuts the outline in full.
bool OrderedOutlineClear(const HalfPlane* sides, int side_count) {
    // A number that grows with the normal's angle, from 0 up to 4.
    auto turn = [](const HalfPlane& h) {
        const double sum = std::fabs(h.a) + std::fabs(h.b);
        return h.b >= 0.0 ? 1.0 - h.a / sum : 3.0 + h.a / sum;
    };
    int order[kMostPrismSides];
    double key[kMostPrismSides];
    for (int i = 0; i < side_count; i++) {
        const double k = turn(sides[i]);
        int at = i;
        while (at > 0 && key[at - 1] > k) {
            key[at] = key[at - 1];
            order[at] = order[at - 1];
            at--;
        }
        key[at] = k;
        order[at] = i;
    }
    double cx[kMostPrismSides], cy[kMostPrismSides];
    for (int i = 0; i < side_count; i++) {
        const HalfPlane& u = sides[order[i]];
        const HalfPlane& v = sides[order[i + 1 == side_count ? 0 : i + 1]];
        // Each turn to the next normal is less than half a turn.
        const double det = u.a * v.b - u.b * v.a;
        if (!(det > 0.0)) return false;
        cx[i] = (u.c * v.b - u.b * v.c) / det;
        cy[i] = (u.a * v.c - u.c * v.a) / det;
        if (std::fabs(cx[i]) > kPrismReach || std::fabs(cy[i]) > kPrismReach) return false;
    }
    double twice_area = 0.0;
    for (int i = 0; i < side_count; i++) {
        const int next = i + 1 == side_count ? 0 : i + 1;
        // The edge on the next side runs from corner i to corner next, along
        // the side's direction (its normal turned a quarter to the left).
        const HalfPlane& h = sides[order[next]];
        const double along = (cx[next] - cx[i]) * -h.b + (cy[next] - cy[i]) * h.a;
        if (!(along > 0.0)) return false;
        twice_area += cx[i] * cy[next] - cx[next] * cy[i];
    }
    return twice_area > 2.0;
}

// True when the sides seen from above enclose a polygon of some area well
// inside the world, and no two of them face each other less than half a
// unit apart.
bool ClearOutline(const HalfPlane* sides, int side_count) {
    double squared[kMostPrismSides];
    for (int i = 0; i < side_count; i++) {
        const HalfPlane& u = sides[i];
        squared[i] = u.a * u.a + u.b * u.b;
        for (int j = 0; j < i; j++) {
            const HalfPlane& v = sides[j];
            const double dot = u.a * v.a + u.b * v.b;
            if (dot >= 0.0 || dot * dot < 0.9998 * squared[i] * squared[j]) continue;
            // Facing each other: they must stand half a unit apart at least.
            if (u.c / std::sqrt(squared[i]) + v.c / std::sqrt(squared[j]) < 0.5) return false;
        }
    }
    if (OrderedOutlineClear(sides, side_count)) return true;
    // The outline: a square around the world cut by every side.
    double xs[2][kMostPrismSides + 4], ys[2][kMostPrismSides + 4];
    int n = 4;
    const double far = 2.0 * kPrismReach;
    const double corner_x[4] = {-far, far, far, -far}, corner_y[4] = {-far, -far, far, far};
    for (int k = 0; k < 4; k++) {
        xs[0][k] = corner_x[k];
        ys[0][k] = corner_y[k];
    }
    int from = 0;
    double d[kMostPrismSides + 4];
    for (int s = 0; s < side_count && n > 0; s++) {
        const HalfPlane& h = sides[s];
        const double* px = xs[from];
        const double* py = ys[from];
        double* qx = xs[1 - from];
        double* qy = ys[1 - from];
        bool any_out = false;
        for (int k = 0; k < n; k++) {
            d[k] = h.a * px[k] + h.b * py[k] - h.c;
            any_out |= d[k] > 0.0;
        }
        if (!any_out) continue;  // the side cuts nothing off
        int m = 0;
        for (int k = 0, prev = n - 1; k < n; prev = k, k++) {
            const double d0 = d[prev], d1 = d[k];
            if ((d0 < 0.0 && d1 > 0.0) || (d0 > 0.0 && d1 < 0.0)) {
                const double t = d0 / (d0 - d1);
                qx[m] = px[prev] + t * (px[k] - px[prev]);
                qy[m] = py[prev] + t * (py[k] - py[prev]);
                m++;
            }
            if (d1 <= 0.0) {
                qx[m] = px[k];
                qy[m] = py[k];
                m++;
            }
        }
        n = m;
        from = 1 - from;
    }
    if (n < 3) return false;
    double twice_area = 0.0;
    for (int k = 0; k < n; k++) {
        const int next = k + 1 == n ? 0 : k + 1;
        if (std::fabs(xs[from][k]) > kPrismReach || std::fabs(ys[from][k]) > kPrismReach)
            return false;
        twice_area += xs[from][k] * ys[from][next] - xs[from][next] * ys[from][k];
    }
    return twice_area > 2.0;
}

// The common brush of this converter is a prism: horizontal top and bottom
// planes and vertical sides. Such a brush clearly encloses space when it has
// height, its outline seen from above is a polygon of some area well inside
// the world, and no two sides face each other less than half a unit apart. True only
// in that clear case; every other brush is judged in full.
bool ClearlyEnclosesSpace(const BrushPlane* planes, size_t count) {
    if (count > kMostPrismSides) return false;
    HalfPlane sides[kMostPrismSides];
    int side_count = 0;
    int64_t top = INT64_MAX, bottom = INT64_MIN;
    for (size_t i = 0; i < count; i++) {
        const Point3* p = planes[i].points;
        const int64_t ux = p[0].x - p[1].x, uy = p[0].y - p[1].y, uz = p[0].z - p[1].z;
        const int64_t vx = p[2].x - p[1].x, vy = p[2].y - p[1].y, vz = p[2].z - p[1].z;
        // Differences this small keep the products below exact; the outline
        // test below keeps the points themselves inside the world.
        if (static_cast<uint64_t>(ux + kPrismLimit) > 2 * kPrismLimit ||
            static_cast<uint64_t>(uy + kPrismLimit) > 2 * kPrismLimit ||
            static_cast<uint64_t>(uz + kPrismLimit) > 2 * kPrismLimit ||
            static_cast<uint64_t>(vx + kPrismLimit) > 2 * kPrismLimit ||
            static_cast<uint64_t>(vy + kPrismLimit) > 2 * kPrismLimit ||
            static_cast<uint64_t>(vz + kPrismLimit) > 2 * kPrismLimit)
            return false;
        const int64_t nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        if (nx == 0 && ny == 0 && nz != 0) {
            if (nz > 0) {
                top = std::min(top, p[1].z);
            } else {
                bottom = std::max(bottom, p[1].z);
            }
        } else if (nz == 0 && (nx != 0 || ny != 0)) {
            const double a = static_cast<double>(nx), b = static_cast<double>(ny);
            sides[side_count++] = {
                a, b, a * static_cast<double>(p[1].x) + b * static_cast<double>(p[1].y)};
        } else {
            return false;
        }
    }
    if (top == INT64_MAX || bottom == INT64_MIN || top <= bottom || side_count < 3 ||
        top > static_cast<int64_t>(kPrismReach) || bottom < -static_cast<int64_t>(kPrismReach))
        return false;
    // A floor and its ceiling, a mover and its trigger share their sides:
    // the outline of the brush before is judged once.
    static HalfPlane last_sides[kMostPrismSides];
    static int last_count = 0;
    static bool last_clear = false;
    if (side_count == last_count &&
        std::memcmp(sides, last_sides, sizeof(HalfPlane) * static_cast<size_t>(side_count)) == 0)
        return last_clear;
    std::memcpy(last_sides, sides, sizeof(HalfPlane) * static_cast<size_t>(side_count));
    last_count = side_count;
    last_clear = ClearOutline(sides, side_count);
    return last_clear;
}

}  // namespace

BrushFault CheckBrush(const BrushPlane* planes, size_t count) {
    if (ClearlyEnclosesSpace(planes, count)) return BrushFault::kNone;
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
