#include "MeshChecks.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <map>
#include <unordered_map>

namespace {

std::uint64_t edgeKey(std::int32_t a, std::int32_t b) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::min(a, b))) << 32) |
           static_cast<std::uint32_t>(std::max(a, b));
}

bool segmentCrossesTriangle(const glm::dvec3& s0, const glm::dvec3& s1, const glm::dvec3& a,
                            const glm::dvec3& b, const glm::dvec3& c) {
    // Moller-Trumbore with the segment's parameter restricted to [0, 1].
    const glm::dvec3 direction = s1 - s0;
    const glm::dvec3 e1 = b - a, e2 = c - a;
    const glm::dvec3 h = glm::cross(direction, e2);
    const double det = glm::dot(e1, h);
    if (std::abs(det) < 1e-14)
        return false;
    const double inv = 1.0 / det;
    const glm::dvec3 s = s0 - a;
    const double u = inv * glm::dot(s, h);
    if (u < 0.0 || u > 1.0)
        return false;
    const glm::dvec3 q = glm::cross(s, e1);
    const double v = inv * glm::dot(direction, q);
    if (v < 0.0 || u + v > 1.0)
        return false;
    const double t = inv * glm::dot(e2, q);
    return t >= 0.0 && t <= 1.0;
}

bool trianglesCross(const MeshView& mesh, const TriangleIndices& p, const TriangleIndices& q) {
    const auto& x = mesh.positions;
    for (int i = 0; i < 3; ++i) {
        if (segmentCrossesTriangle(x[p[i]], x[p[(i + 1) % 3]], x[q[0]], x[q[1]], x[q[2]]))
            return true;
        if (segmentCrossesTriangle(x[q[i]], x[q[(i + 1) % 3]], x[p[0]], x[p[1]], x[p[2]]))
            return true;
    }
    return false;
}

// A uniform grid of buckets holding the triangles whose bounding boxes overlap each cell.
class TriangleGrid {
  public:
    TriangleGrid(const MeshView& mesh, double cell) : mesh_(mesh), cell_(cell) {
        for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
            forCells(t, [&](std::int64_t key) { buckets_[key].push_back(t); });
    }

    template <typename Visit> void forCells(std::size_t triangle, Visit visit) const {
        glm::dvec3 lo(1e300), hi(-1e300);
        for (std::int32_t v : mesh_.triangles[triangle]) {
            lo = glm::min(lo, mesh_.positions[v]);
            hi = glm::max(hi, mesh_.positions[v]);
        }
        const glm::ivec3 a(glm::floor(lo / cell_)), b(glm::floor(hi / cell_));
        for (int i = a.x; i <= b.x; ++i)
            for (int j = a.y; j <= b.y; ++j)
                for (int k = a.z; k <= b.z; ++k)
                    visit((static_cast<std::int64_t>(i + 100000) * 200000 + (j + 100000)) * 200000 +
                          (k + 100000));
    }

    const std::vector<std::size_t>* bucket(std::int64_t key) const {
        const auto found = buckets_.find(key);
        return found == buckets_.end() ? nullptr : &found->second;
    }

  private:
    const MeshView& mesh_;
    double cell_;
    std::unordered_map<std::int64_t, std::vector<std::size_t>> buckets_;
};

bool shareVertex(const TriangleIndices& p, const TriangleIndices& q) {
    for (std::int32_t a : p)
        for (std::int32_t b : q)
            if (a == b)
                return true;
    return false;
}

} // namespace

std::size_t badEdgeCount(const MeshView& mesh) {
    std::map<std::uint64_t, std::pair<int, int>> uses; // count, direction balance
    for (const auto& t : mesh.triangles)
        for (int i = 0; i < 3; ++i) {
            const std::int32_t a = t[i], b = t[(i + 1) % 3];
            auto& use = uses[edgeKey(a, b)];
            use.first += 1;
            use.second += a < b ? 1 : -1;
        }
    std::size_t bad = 0;
    for (const auto& [key, use] : uses)
        if (use.first != 2 || use.second != 0)
            ++bad;
    return bad;
}

std::vector<std::vector<std::size_t>> components(const MeshView& mesh) {
    std::vector<std::int32_t> parent(mesh.positions.size());
    for (std::size_t i = 0; i < parent.size(); ++i)
        parent[i] = static_cast<std::int32_t>(i);
    auto find = [&](std::int32_t v) {
        while (parent[v] != v)
            v = parent[v] = parent[parent[v]];
        return v;
    };
    for (const auto& t : mesh.triangles)
        for (int i = 1; i < 3; ++i)
            parent[find(t[i])] = find(t[0]);
    std::map<std::int32_t, std::vector<std::size_t>> byRoot;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
        byRoot[find(mesh.triangles[t][0])].push_back(t);
    std::vector<std::vector<std::size_t>> result;
    for (auto& [root, list] : byRoot)
        result.push_back(std::move(list));
    return result;
}

double signedVolume(const MeshView& mesh, const std::vector<std::size_t>& triangles) {
    double sum = 0.0;
    for (std::size_t t : triangles) {
        const auto& i = mesh.triangles[t];
        sum +=
            glm::dot(mesh.positions[i[0]], glm::cross(mesh.positions[i[1]], mesh.positions[i[2]]));
    }
    return sum / 6.0;
}

std::vector<TrianglePair> crossingTriangles(const MeshView& mesh,
                                            const std::vector<std::size_t>& candidates) {
    const TriangleGrid grid(mesh, 2.0);
    std::vector<std::size_t> all;
    if (candidates.empty())
        for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
            all.push_back(t);
    const auto& checked = candidates.empty() ? all : candidates;
    std::vector<bool> isCandidate(mesh.triangles.size(), false);
    for (std::size_t t : checked)
        isCandidate[t] = true;
    std::vector<std::size_t> seenBy(mesh.triangles.size(), static_cast<std::size_t>(-1));
    std::vector<TrianglePair> pairs;
    for (std::size_t t : checked) {
        const auto& p = mesh.triangles[t];
        grid.forCells(t, [&](std::int64_t key) {
            const auto* bucket = grid.bucket(key);
            if (!bucket)
                return;
            for (std::size_t other : *bucket) {
                // Each pair once: candidate pairs from the lower index only.
                if (other == t || seenBy[other] == t || (isCandidate[other] && other < t))
                    continue;
                seenBy[other] = t;
                const auto& q = mesh.triangles[other];
                if (!shareVertex(p, q) && trianglesCross(mesh, p, q))
                    pairs.push_back({t, other});
            }
        });
    }
    return pairs;
}

bool segmentHitsMesh(const MeshView& mesh, const glm::dvec3& from, const glm::dvec3& to) {
    for (const auto& t : mesh.triangles)
        if (segmentCrossesTriangle(from, to, mesh.positions[t[0]], mesh.positions[t[1]],
                                   mesh.positions[t[2]]))
            return true;
    return false;
}
