#include "TestHead.h"

#include <algorithm>
#include <utility>
#include <glm/geometric.hpp>

const GeneratedHead& generated() {
    static const GeneratedHead head = generateHead();
    return head;
}

const LoadedHead& loaded() {
    static const LoadedHead head(generated().meshFile);
    return head;
}

namespace {

// The bounding box of one connected part of the head's rest pose.
std::pair<glm::dvec3, glm::dvec3> partBounds(const LoadedHead& head,
                                             const std::vector<std::size_t>& part) {
    glm::dvec3 lo(1e300), hi(-1e300);
    for (std::size_t t : part)
        for (auto v : head.base.triangles[t]) {
            lo = glm::min(lo, head.base.positions[v]);
            hi = glm::max(hi, head.base.positions[v]);
        }
    return {lo, hi};
}

} // namespace

std::vector<std::vector<std::size_t>> eyeballs(const LoadedHead& head) {
    std::vector<std::vector<std::size_t>> found;
    for (const auto& part : components(head.base)) {
        const auto [lo, hi] = partBounds(head, part);
        const glm::dvec3 size = hi - lo;
        if (size.x > 12.0 && size.x < 16.0 && size.y > 12.0 && size.y < 16.0)
            found.push_back(part);
    }
    const auto x = [&head](const std::vector<std::size_t>& part) {
        return head.base.positions[static_cast<std::size_t>(head.base.triangles[part[0]][0])].x;
    };
    std::sort(found.begin(), found.end(),
              [&x](const auto& a, const auto& b) { return x(a) > x(b); });
    return found;
}

std::vector<glm::dvec3> eyeCentres(const LoadedHead& head) {
    std::vector<glm::dvec3> centres;
    for (const auto& part : eyeballs(head)) {
        const auto [lo, hi] = partBounds(head, part);
        const glm::dvec3 size = hi - lo;
        centres.push_back({0.5 * (lo.x + hi.x), 0.5 * (lo.y + hi.y), lo.z + 0.5 * size.x});
    }
    std::sort(centres.begin(), centres.end(),
              [](const glm::dvec3& a, const glm::dvec3& b) { return a.x > b.x; });
    return centres;
}

MeshView combined(const std::vector<glm::dvec3>& headPositions, const LoadedHead& head) {
    MeshView mesh{headPositions, head.base.triangles};
    const auto offset = static_cast<std::int32_t>(headPositions.size());
    mesh.positions.insert(mesh.positions.end(), head.statics.positions.begin(),
                          head.statics.positions.end());
    for (const auto& t : head.statics.triangles)
        mesh.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
    return mesh;
}
