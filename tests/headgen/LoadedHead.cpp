#include "LoadedHead.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <stdexcept>
#include <tuple>

namespace {

void unpack(const std::vector<float>& floats, std::size_t count, std::vector<glm::dvec3>& positions,
            std::vector<glm::dvec3>& normals, std::vector<float>& w) {
    for (std::size_t i = 0; i < count; ++i) {
        const float* v = &floats[i * 7];
        positions.emplace_back(v[0], v[1], v[2]);
        normals.emplace_back(v[3], v[4], v[5]);
        w.push_back(v[6]);
    }
}

std::vector<TriangleIndices> triangles(const std::vector<std::int32_t>& indices) {
    std::vector<TriangleIndices> result;
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
        result.push_back({indices[i], indices[i + 1], indices[i + 2]});
    return result;
}

} // namespace

LoadedHead::LoadedHead(const MeshFileImage& image) {
    const auto count = static_cast<std::size_t>(image.vertexCount);
    unpack(image.baseVertices, count, base.positions, baseNormals, baseW);
    base.triangles = triangles(image.indices);
    targetNames = image.targetNames;
    for (const auto& block : image.targetBlocks) {
        std::vector<glm::dvec3> positions, normals;
        std::vector<float> w;
        unpack(block, count, positions, normals, w);
        targetPositions.push_back(std::move(positions));
        targetNormals.push_back(std::move(normals));
        targetW.push_back(std::move(w));
    }
    unpack(image.staticVertices, static_cast<std::size_t>(image.staticVertexCount),
           statics.positions, staticNormals, staticW);
    statics.triangles = triangles(image.staticIndices);

    std::map<std::tuple<double, double, double>, std::int32_t> byPosition;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& p = base.positions[i];
        byPosition[{p.x, p.y, p.z}] = static_cast<std::int32_t>(i);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto& p = base.positions[i];
        const auto found = byPosition.find({-p.x, p.y, p.z});
        mirror.push_back(found == byPosition.end() ? -1 : found->second);
    }
}

std::size_t LoadedHead::targetIndex(const std::string& name) const {
    for (std::size_t k = 0; k < targetNames.size(); ++k)
        if (targetNames[k] == name)
            return k;
    throw std::out_of_range("no target " + name);
}

std::vector<glm::dvec3> LoadedHead::blend(const std::map<std::string, double>& weights) const {
    std::vector<glm::dvec3> positions = base.positions;
    for (const auto& [name, weight] : weights) {
        const auto& target = targetPositions[targetIndex(name)];
        for (std::size_t i = 0; i < positions.size(); ++i)
            positions[i] += weight * (target[i] - base.positions[i]);
    }
    return positions;
}

std::size_t LoadedHead::nearestVertex(const glm::dvec3& point) const {
    std::size_t best = 0;
    double bestDistance = 1e300;
    for (std::size_t i = 0; i < base.positions.size(); ++i) {
        const double d = glm::distance(base.positions[i], point);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

std::size_t LoadedHead::frontVertexAt(double x, double y) const {
    std::size_t best = 0;
    double bestZ = -1e300;
    for (std::size_t i = 0; i < base.positions.size(); ++i) {
        const auto& p = base.positions[i];
        if (std::abs(p.x - x) < 1.0 && std::abs(p.y - y) < 1.0 && p.z > bestZ) {
            bestZ = p.z;
            best = i;
        }
    }
    if (bestZ == -1e300)
        throw std::out_of_range("no vertex in front of the given point");
    return best;
}
