#include "EdgeLengthField.h"

#include "common/DemoError.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

namespace {

// Lowers every length to at most its neighbour's plus `gradation` times the edge between them,
// growing outwards from the shortest, as Dijkstra's algorithm grows distances.
void limitGrowth(const TriangleMesh& mesh, std::vector<double>& lengths, double gradation) {
    const auto neighbours = vertexNeighbours(mesh);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (std::size_t i = 0; i < lengths.size(); ++i)
        queue.push({lengths[i], static_cast<int>(i)});
    while (!queue.empty()) {
        const auto [length, vertex] = queue.top();
        queue.pop();
        const auto v = static_cast<std::size_t>(vertex);
        if (length > lengths[v])
            continue;
        for (int n : neighbours[v]) {
            const auto u = static_cast<std::size_t>(n);
            const double reach =
                length + gradation * glm::distance(mesh.positions[v], mesh.positions[u]);
            if (reach < lengths[u]) {
                lengths[u] = reach;
                queue.push({reach, n});
            }
        }
    }
}

} // namespace

EdgeLengthField::EdgeLengthField(const TriangleMesh& mesh, std::vector<double> lengths,
                                 double gradation)
    : points_(mesh.positions), lengths_(std::move(lengths)) {
    if (mesh.triangles.empty() || lengths_.size() != points_.size())
        throw DemoError("head generator: edge lengths need one value per vertex");
    for (double length : lengths_)
        if (!(length > 0.0))
            throw DemoError("head generator: a wanted edge length is not positive");
    limitGrowth(mesh, lengths_, gradation);
    // Buckets twice as wide as the mesh's mean edge hold a few vertices each.
    double edgeSum = 0.0;
    for (const Triangle& t : mesh.triangles)
        for (int corner = 0; corner < 3; ++corner)
            edgeSum +=
                glm::distance(mesh.positions[t[corner]], mesh.positions[t[(corner + 1) % 3]]);
    cellSize_ = std::max(2.0 * edgeSum / (3.0 * static_cast<double>(mesh.triangles.size())), 1e-3);
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const Vec3 c = glm::floor(points_[i] / cellSize_);
        cells_[cellKey(int(c.x), int(c.y), int(c.z))].push_back(static_cast<int>(i));
    }
}

std::int64_t EdgeLengthField::cellKey(int i, int j, int k) const {
    const auto part = [](int v) { return static_cast<std::int64_t>(v + (1 << 20)); };
    return (part(i) << 42) | (part(j) << 21) | part(k);
}

double EdgeLengthField::at(const Vec3& p) const {
    const Vec3 c = glm::floor(p / cellSize_);
    const int ci = int(c.x), cj = int(c.y), ck = int(c.z);
    double best = 1e300;
    int nearest = -1;
    // Rings of cells outwards until nothing outside them can be nearer than what was found.
    for (int ring = 1; ring < 64; ++ring) {
        for (int i = ci - ring; i <= ci + ring; ++i)
            for (int j = cj - ring; j <= cj + ring; ++j)
                for (int k = ck - ring; k <= ck + ring; ++k) {
                    // Cells inside the ring were searched before.
                    const int away =
                        std::max({std::abs(i - ci), std::abs(j - cj), std::abs(k - ck)});
                    if (ring > 1 && away < ring)
                        continue;
                    const auto found = cells_.find(cellKey(i, j, k));
                    if (found == cells_.end())
                        continue;
                    for (int v : found->second) {
                        const Vec3 d = points_[static_cast<std::size_t>(v)] - p;
                        const double d2 = glm::dot(d, d);
                        if (d2 < best) {
                            best = d2;
                            nearest = v;
                        }
                    }
                }
        if (nearest >= 0 && std::sqrt(best) <= ring * cellSize_)
            return lengths_[static_cast<std::size_t>(nearest)];
    }
    throw DemoError("head generator: a point lies far from the surface it is meshed on");
}
