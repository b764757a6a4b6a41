#include "TriangleMesh.h"

#include "common/DemoError.h"

#include <algorithm>
#include <string>

std::vector<Vec3> vertexNormals(const std::vector<Vec3>& positions,
                                const std::vector<Triangle>& triangles) {
    std::vector<Vec3> sums(positions.size(), Vec3(0.0));
    for (const Triangle& t : triangles) {
        // The cross product's length is twice the area: larger faces weigh more.
        const Vec3 n =
            glm::cross(positions[t[1]] - positions[t[0]], positions[t[2]] - positions[t[0]]);
        for (int v : t)
            sums[v] += n;
    }
    std::vector<Vec3> normals(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const double length = glm::length(sums[i]);
        if (!(length > 1e-12)) {
            const Vec3& p = positions[i];
            throw DemoError("head generator: the vertex at (" + std::to_string(p.x) + ", " +
                            std::to_string(p.y) + ", " + std::to_string(p.z) + ") bounds no area");
        }
        normals[i] = sums[i] / length;
    }
    return normals;
}

std::vector<std::vector<int>> vertexNeighbours(const TriangleMesh& mesh) {
    std::vector<std::vector<int>> neighbours(mesh.positions.size());
    for (const Triangle& t : mesh.triangles)
        for (int corner = 0; corner < 3; ++corner) {
            neighbours[t[corner]].push_back(t[(corner + 1) % 3]);
            neighbours[t[corner]].push_back(t[(corner + 2) % 3]);
        }
    for (auto& list : neighbours) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    return neighbours;
}

void appendMesh(TriangleMesh& mesh, const TriangleMesh& part) {
    const int offset = static_cast<int>(mesh.positions.size());
    mesh.positions.insert(mesh.positions.end(), part.positions.begin(), part.positions.end());
    for (const Triangle& t : part.triangles)
        mesh.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
    for (int m : part.mirror)
        mesh.mirror.push_back(m + offset);
}

void symmetrize(const std::vector<int>& mirror, std::vector<Vec3>& positions) {
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto m = static_cast<std::size_t>(mirror[i]);
        if (m == i) {
            positions[i].x = 0.0;
        } else if (m > i) {
            const Vec3 mean = 0.5 * (positions[i] + mirrorX(positions[m]));
            positions[i] = mean;
            positions[m] = mirrorX(mean);
        }
    }
}

double signedVolume(const std::vector<Vec3>& positions, const std::vector<Triangle>& triangles) {
    double sixTimes = 0.0;
    for (const Triangle& t : triangles)
        sixTimes += glm::dot(positions[t[0]], glm::cross(positions[t[1]], positions[t[2]]));
    return sixTimes / 6.0;
}
