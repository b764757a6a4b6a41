#include "SurfaceRemesher.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace {

constexpr double splitAbove = 4.0 / 3.0;    // edge length over the wanted length
constexpr double collapseBelow = 4.0 / 5.0; // likewise
constexpr double leastAgreement = 0.3; // cosine between a new triangle's and the field's normal
constexpr double leastQuality = 0.1;   // of a new triangle; 1 when equilateral
constexpr double mostOffSurface = 0.1; // of a new triangle's middle, in wanted lengths

struct EdgeCandidate {
    double priority;
    int a;
    int b;
};

// 4 sqrt(3) area over the sum of squared sides: 1 for an equilateral triangle, 0 when flat.
double quality(const Vec3& a, const Vec3& b, const Vec3& c) {
    const double area = 0.5 * glm::length(glm::cross(b - a, c - a));
    const double sides = glm::dot(b - a, b - a) + glm::dot(c - b, c - b) + glm::dot(a - c, a - c);
    return sides > 0.0 ? 4.0 * std::sqrt(3.0) * area / sides : 0.0;
}

bool contains(const Triangle& t, int v) {
    return t[0] == v || t[1] == v || t[2] == v;
}

int third(const Triangle& t, int a, int b) {
    for (int v : t)
        if (v != a && v != b)
            return v;
    return -1;
}

// The operations run in passes over an adjacency built at the start of each pass. A vertex
// whose triangles an operation changed is locked for the rest of the pass, so every later
// operation of the pass reads only adjacency that is still true.
class Remesher {
  public:
    Remesher(const TriangleMesh& half, const DistanceField& field, const EdgeLengthAt& lengthAt)
        : field_(field), lengthAt_(lengthAt), triangles_(half.triangles),
          triangleAlive_(half.triangles.size(), 1) {
        for (const Vec3& p : half.positions) {
            const bool rim = p.x == 0.0;
            SurfacePoint s = onSurface(p, rim, lengthAt_(p));
            // A vertex that would cross the plane waits for the relaxation to place it.
            if (!rim && s.p.x <= 0.0)
                s.p = p;
            addVertex(s, rim);
        }
    }

    void run(int rounds) {
        for (int round = 0; round < rounds; ++round) {
            for (int pass = 0; pass < 4 && splitPass(); ++pass) {
            }
            for (int pass = 0; pass < 6 && collapsePass(); ++pass) {
            }
            for (int pass = 0; pass < 3 && flipPass(); ++pass) {
            }
            relaxPass();
        }
        relaxPass();
    }

    TriangleMesh result() const {
        TriangleMesh mesh;
        std::vector<int> index(positions_.size(), -1);
        for (std::size_t v = 0; v < positions_.size(); ++v)
            if (vertexAlive_[v]) {
                index[v] = static_cast<int>(mesh.positions.size());
                mesh.positions.push_back(positions_[v]);
            }
        for (std::size_t t = 0; t < triangles_.size(); ++t)
            if (triangleAlive_[t]) {
                const Triangle& tri = triangles_[t];
                mesh.triangles.push_back({index[tri[0]], index[tri[1]], index[tri[2]]});
            }
        return mesh;
    }

  private:
    // --- vertices

    // A point of the zero set and the field's unit normal there.
    struct SurfacePoint {
        Vec3 p;
        Vec3 normal;
    };

    int addVertex(const SurfacePoint& s, bool onPlane) {
        positions_.push_back(s.p);
        normals_.push_back(s.normal);
        lengths_.push_back(lengthAt_(s.p));
        onPlane_.push_back(onPlane);
        vertexAlive_.push_back(1);
        locked_.push_back(1);
        return static_cast<int>(positions_.size()) - 1;
    }

    void moveVertex(int v, const SurfacePoint& s) {
        const auto i = static_cast<std::size_t>(v);
        positions_[i] = s.p;
        normals_[i] = s.normal;
        lengths_[i] = lengthAt_(s.p);
    }

    // Newton steps along the gradient, none longer than a third of the wanted length so that
    // none jumps to a neighbouring sheet; rim points stay on the plane, where the symmetric
    // field's gradient lies in the plane anyway.
    SurfacePoint onSurface(const Vec3& start, bool onPlane, double wanted) const {
        const double maxStep = 0.3 * wanted, tolerance = 1e-7 * wanted;
        SurfacePoint s{start, Vec3(0.0)};
        for (int i = 0; i < 4; ++i) {
            const double value = field_(s.p);
            const Vec3 g = fieldGradient(field_, s.p, 1e-4);
            const double g2 = glm::dot(g, g);
            if (g2 < 1e-20)
                break;
            s.normal = g / std::sqrt(g2);
            if (std::abs(value) < tolerance)
                break;
            const Vec3 correction = value * g / g2;
            const double length = glm::length(correction);
            s.p -= length > maxStep ? correction * (maxStep / length) : correction;
            if (onPlane)
                s.p.x = 0.0;
        }
        return s;
    }

    const Vec3& position(int v) const { return positions_[static_cast<std::size_t>(v)]; }
    double wanted(int v) const { return lengths_[static_cast<std::size_t>(v)]; }
    bool onPlane(int v) const { return onPlane_[static_cast<std::size_t>(v)] != 0; }
    bool locked(int v) const { return locked_[static_cast<std::size_t>(v)] != 0; }
    void lock(int v) { locked_[static_cast<std::size_t>(v)] = 1; }

    // --- adjacency

    void rebuild() {
        const std::size_t count = positions_.size();
        first_.assign(count + 1, 0);
        for (std::size_t t = 0; t < triangles_.size(); ++t)
            if (triangleAlive_[t])
                for (int v : triangles_[t])
                    ++first_[static_cast<std::size_t>(v) + 1];
        for (std::size_t v = 0; v < count; ++v)
            first_[v + 1] += first_[v];
        incident_.resize(static_cast<std::size_t>(first_[count]));
        std::vector<int> cursor(first_.begin(), first_.end() - 1);
        for (std::size_t t = 0; t < triangles_.size(); ++t)
            if (triangleAlive_[t])
                for (int v : triangles_[t])
                    incident_[static_cast<std::size_t>(cursor[static_cast<std::size_t>(v)]++)] =
                        static_cast<int>(t);
        locked_.assign(count, 0);
        for (std::size_t v = 0; v < count; ++v)
            if (!vertexAlive_[v])
                locked_[v] = 1;

        ringFirst_.assign(count + 1, 0);
        rings_.clear();
        std::vector<int> around;
        for (std::size_t v = 0; v < count; ++v) {
            around.clear();
            for (int t : incident(static_cast<int>(v)))
                for (int u : triangle(t))
                    if (u != static_cast<int>(v))
                        around.push_back(u);
            std::sort(around.begin(), around.end());
            around.erase(std::unique(around.begin(), around.end()), around.end());
            rings_.insert(rings_.end(), around.begin(), around.end());
            ringFirst_[v + 1] = static_cast<int>(rings_.size());
        }
    }

    std::span<const int> incident(int v) const {
        const auto i = static_cast<std::size_t>(v);
        return {incident_.data() + first_[i], static_cast<std::size_t>(first_[i + 1] - first_[i])};
    }

    const Triangle& triangle(int t) const { return triangles_[static_cast<std::size_t>(t)]; }
    bool alive(int t) const { return triangleAlive_[static_cast<std::size_t>(t)] != 0; }

    // The vertices joined to v by an edge, in ascending order, as the pass began: still true
    // for every vertex that is not locked.
    std::span<const int> ring(int v) const {
        const auto i = static_cast<std::size_t>(v);
        return {rings_.data() + ringFirst_[i],
                static_cast<std::size_t>(ringFirst_[i + 1] - ringFirst_[i])};
    }

    // The triangle that runs a -> b and the one that runs b -> a, -1 where there is none.
    void edgeTriangles(int a, int b, int& forward, int& backward) const {
        forward = backward = -1;
        for (int t : incident(a)) {
            if (!alive(t))
                continue;
            const Triangle& tri = triangle(t);
            for (int i = 0; i < 3; ++i)
                if (tri[i] == a) {
                    if (tri[(i + 1) % 3] == b)
                        forward = t;
                    else if (tri[(i + 2) % 3] == b)
                        backward = t;
                }
        }
    }

    template <typename Visit> void forEachEdge(Visit visit) const {
        const auto count = static_cast<int>(first_.size()) - 1;
        for (int a = 0; a < count; ++a) {
            if (!vertexAlive_[static_cast<std::size_t>(a)])
                continue;
            for (int b : ring(a))
                if (b > a)
                    visit(a, b);
        }
    }

    std::vector<EdgeCandidate> edgesWhere(bool tooLong) const {
        std::vector<EdgeCandidate> edges;
        forEachEdge([&](int a, int b) {
            const double ratio =
                glm::distance(position(a), position(b)) / (0.5 * (wanted(a) + wanted(b)));
            if (tooLong ? ratio > splitAbove : ratio < collapseBelow)
                edges.push_back({ratio, a, b});
        });
        // The longest first when splitting, the shortest first when collapsing.
        std::sort(edges.begin(), edges.end(), [tooLong](const auto& x, const auto& y) {
            if (x.priority != y.priority)
                return tooLong ? x.priority > y.priority : x.priority < y.priority;
            return x.a != y.a ? x.a < y.a : x.b < y.b;
        });
        return edges;
    }

    // --- checks

    Vec3 fieldNormalOf(int a, int b, int c) const {
        const Vec3 sum = normals_[static_cast<std::size_t>(a)] +
                         normals_[static_cast<std::size_t>(b)] +
                         normals_[static_cast<std::size_t>(c)];
        const double length = glm::length(sum);
        return length > 1e-12 ? sum / length : Vec3(0.0);
    }

    // Whether the triangle (a, b, c) with its corners at pa, pb, pc faces along the field's
    // normal and is well shaped and close to the surface.
    bool fits(int a, int b, int c, const Vec3& pa, const Vec3& pb, const Vec3& pc) const {
        const Vec3 cross = glm::cross(pb - pa, pc - pa);
        const double length = glm::length(cross);
        if (length < 1e-12)
            return false;
        if (glm::dot(cross / length, fieldNormalOf(a, b, c)) < leastAgreement)
            return false;
        if (quality(pa, pb, pc) < leastQuality)
            return false;
        const double size = (wanted(a) + wanted(b) + wanted(c)) / 3.0;
        return std::abs(field_((pa + pb + pc) / 3.0)) <= mostOffSurface * size;
    }

    // The cosine between the triangle's normal, with v at p, and the field's normal.
    double agreement(int t, int v, const Vec3& p) const {
        const Triangle& tri = triangle(t);
        Vec3 corners[3];
        for (int i = 0; i < 3; ++i)
            corners[i] = tri[i] == v ? p : position(tri[i]);
        const Vec3 cross = glm::cross(corners[1] - corners[0], corners[2] - corners[0]);
        const double length = glm::length(cross);
        if (length < 1e-12)
            return -1.0;
        return glm::dot(cross / length, fieldNormalOf(tri[0], tri[1], tri[2]));
    }

    // --- splits

    bool splitPass() {
        rebuild();
        bool changed = false;
        for (const EdgeCandidate& edge : edgesWhere(true)) {
            int a = edge.a, b = edge.b;
            if (locked(a) || locked(b))
                continue;
            int forward, backward;
            edgeTriangles(a, b, forward, backward);
            if (forward < 0) {
                std::swap(a, b);
                std::swap(forward, backward);
            }
            if (forward < 0)
                continue;
            const int c = third(triangle(forward), a, b);
            const int d = backward >= 0 ? third(triangle(backward), a, b) : -1;
            if (locked(c) || (d >= 0 && locked(d)))
                continue;
            const bool rim = backward < 0 && onPlane(a) && onPlane(b);
            const SurfacePoint middle =
                onSurface(0.5 * (position(a) + position(b)), rim, 0.5 * (wanted(a) + wanted(b)));
            if (!rim && middle.p.x <= 0.0)
                continue;
            if (!halvesKeepFacing(a, b, c, middle.p) ||
                (d >= 0 && !halvesKeepFacing(b, a, d, middle.p)))
                continue;
            const int m = addVertex(middle, rim);
            triangles_[static_cast<std::size_t>(forward)] = {a, m, c};
            addTriangle({m, b, c});
            if (backward >= 0) {
                triangles_[static_cast<std::size_t>(backward)] = {b, m, d};
                addTriangle({m, a, d});
                lock(d);
            }
            for (int v : {a, b, c})
                lock(v);
            changed = true;
        }
        return changed;
    }

    // Whether both halves of the triangle (a, b, c), cut at `middle` on a -> b, face as it does.
    bool halvesKeepFacing(int a, int b, int c, const Vec3& middle) const {
        const Vec3 &pa = position(a), &pb = position(b), &pc = position(c);
        const Vec3 facing = glm::cross(pb - pa, pc - pa);
        return glm::dot(glm::cross(middle - pa, pc - pa), facing) > 0.0 &&
               glm::dot(glm::cross(pb - middle, pc - middle), facing) > 0.0;
    }

    void addTriangle(const Triangle& t) {
        triangles_.push_back(t);
        triangleAlive_.push_back(1);
    }

    // --- collapses

    bool collapsePass() {
        rebuild();
        bool changed = false;
        for (const EdgeCandidate& edge : edgesWhere(false)) {
            if (locked(edge.a) || locked(edge.b))
                continue;
            if (tryCollapse(edge.a, edge.b) || tryCollapse(edge.b, edge.a))
                changed = true;
        }
        return changed;
    }

    // Removes `gone` by moving it onto `kept`, if the result is sound.
    bool tryCollapse(int gone, int kept) {
        // A rim vertex may only slide along the rim.
        if (onPlane(gone) && !onPlane(kept))
            return false;
        int forward, backward;
        edgeTriangles(gone, kept, forward, backward);
        if (forward < 0 && backward < 0)
            return false;
        const bool rimEdge = forward < 0 || backward < 0;
        if (rimEdge != (onPlane(gone) && onPlane(kept)))
            return false;
        std::vector<int> opposite;
        for (int t : {forward, backward})
            if (t >= 0)
                opposite.push_back(third(triangle(t), gone, kept));
        std::sort(opposite.begin(), opposite.end());
        for (int o : opposite)
            if (locked(o))
                return false;
        // The two rings may share only the opposite corners, or the surface would pinch.
        const std::span<const int> ringGone = ring(gone), ringKept = ring(kept);
        std::vector<int> common;
        std::set_intersection(ringGone.begin(), ringGone.end(), ringKept.begin(), ringKept.end(),
                              std::back_inserter(common));
        if (common != opposite)
            return false;
        for (int o : opposite)
            if (ring(o).size() <= 3)
                return false;
        if (ringGone.size() + ringKept.size() - common.size() - 2 < 3)
            return false;

        const Vec3& p = position(kept);
        for (int t : incident(gone)) {
            if (!alive(t) || t == forward || t == backward)
                continue;
            Triangle moved = triangle(t);
            Vec3 corners[3];
            for (int i = 0; i < 3; ++i) {
                if (moved[i] == gone)
                    moved[i] = kept;
                corners[i] = position(moved[i]);
                if (moved[i] != kept && glm::distance(p, corners[i]) >
                                            splitAbove * 0.5 * (wanted(kept) + wanted(moved[i])))
                    return false;
            }
            if (!fits(moved[0], moved[1], moved[2], corners[0], corners[1], corners[2]))
                return false;
        }
        // An edge between two rim vertices must stay on the rim, with one triangle.
        if (onPlane(kept))
            for (int n : ringGone) {
                if (n == kept || !onPlane(n))
                    continue;
                int count = 0;
                for (int v : {kept, gone})
                    for (int t : incident(v))
                        if (alive(t) && t != forward && t != backward && contains(triangle(t), n))
                            ++count;
                if (count != 1)
                    return false;
            }

        for (int t : {forward, backward})
            if (t >= 0)
                triangleAlive_[static_cast<std::size_t>(t)] = 0;
        for (int t : incident(gone))
            if (alive(t))
                for (int& v : triangles_[static_cast<std::size_t>(t)])
                    if (v == gone)
                        v = kept;
        vertexAlive_[static_cast<std::size_t>(gone)] = 0;
        lock(gone);
        for (int v : ringGone)
            lock(v);
        return true;
    }

    // --- flips

    int idealValence(int v) const { return onPlane(v) ? 4 : 6; }

    bool flipPass() {
        rebuild();
        bool changed = false;
        forEachEdge([&](int a, int b) {
            if (locked(a) || locked(b))
                return;
            int forward, backward;
            edgeTriangles(a, b, forward, backward);
            if (forward < 0 || backward < 0)
                return;
            const int c = third(triangle(forward), a, b);
            const int d = third(triangle(backward), a, b);
            if (locked(c) || locked(d) || (onPlane(c) && onPlane(d)))
                return;
            const std::span<const int> ringC = ring(c);
            if (std::binary_search(ringC.begin(), ringC.end(), d))
                return;
            const int va = static_cast<int>(ring(a).size()), vb = static_cast<int>(ring(b).size());
            const int vc = static_cast<int>(ringC.size()), vd = static_cast<int>(ring(d).size());
            if (va <= 3 || vb <= 3)
                return;
            const auto deviation = [this](int v, int valence) {
                const int off = valence - idealValence(v);
                return off * off;
            };
            const int before =
                deviation(a, va) + deviation(b, vb) + deviation(c, vc) + deviation(d, vd);
            const int after = deviation(a, va - 1) + deviation(b, vb - 1) + deviation(c, vc + 1) +
                              deviation(d, vd + 1);
            if (after >= before)
                return;
            if (!fits(a, d, c, position(a), position(d), position(c)) ||
                !fits(d, b, c, position(d), position(b), position(c)))
                return;
            triangles_[static_cast<std::size_t>(forward)] = {a, d, c};
            triangles_[static_cast<std::size_t>(backward)] = {d, b, c};
            for (int v : {a, b, c, d})
                lock(v);
            changed = true;
        });
        return changed;
    }

    // --- relaxation

    // Moves every vertex towards the middle of its neighbours along the surface; rim vertices
    // towards the middle of their two rim neighbours, along the rim.
    void relaxPass() {
        rebuild();
        const auto count = static_cast<int>(positions_.size());
        for (int v = 0; v < count; ++v) {
            if (!vertexAlive_[static_cast<std::size_t>(v)])
                continue;
            const std::span<const int> around = ring(v);
            Vec3 middle(0.0);
            int used = 0;
            for (int u : around)
                if (!onPlane(v) || onPlane(u)) {
                    middle += position(u);
                    ++used;
                }
            if (used == 0 || (onPlane(v) && used != 2))
                continue;
            middle /= static_cast<double>(used);
            const Vec3& p = position(v);
            Vec3 move = middle - p;
            if (!onPlane(v)) {
                const Vec3& n = normals_[static_cast<std::size_t>(v)];
                move -= glm::dot(move, n) * n;
            }
            const SurfacePoint q = onSurface(p + move, onPlane(v), wanted(v));
            if (!onPlane(v) && q.p.x < std::min(p.x, 0.1 * wanted(v)))
                continue;
            double worstBefore = 1.0, worstAfter = 1.0;
            for (int t : incident(v)) {
                worstBefore = std::min(worstBefore, agreement(t, v, p));
                worstAfter = std::min(worstAfter, agreement(t, v, q.p));
            }
            if (worstAfter < std::min(worstBefore, leastAgreement))
                continue;
            moveVertex(v, q);
        }
    }

    const DistanceField& field_;
    const EdgeLengthAt& lengthAt_;
    std::vector<Vec3> positions_;
    std::vector<Vec3> normals_; // the field's unit normal at each vertex
    std::vector<double> lengths_;
    std::vector<char> onPlane_;
    std::vector<char> vertexAlive_;
    std::vector<Triangle> triangles_;
    std::vector<char> triangleAlive_;
    std::vector<int> first_; // incident_[first_[v] .. first_[v + 1]) are v's triangles
    std::vector<int> incident_;
    std::vector<int> ringFirst_; // likewise for rings_, v's neighbours
    std::vector<int> rings_;
    std::vector<char> locked_;
};

} // namespace

void remeshHalfSurface(TriangleMesh& half, const DistanceField& field, const EdgeLengthAt& lengthAt,
                       int rounds) {
    Remesher remesher(half, field, lengthAt);
    remesher.run(rounds);
    half = remesher.result();
}
