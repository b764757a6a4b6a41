#pragma once

#include "MeshChecks.h"
#include "model/MeshFileWriter.h"

#include <glm/vec3.hpp>
#include <map>
#include <string>
#include <vector>

// A mesh file image unpacked for checking: positions and normals as doubles, one entry per
// target, and each vertex's mirror image across x = 0.
struct LoadedHead {
    MeshView base;
    std::vector<glm::dvec3> baseNormals;
    std::vector<float> baseW;
    std::vector<std::string> targetNames;
    std::vector<std::vector<glm::dvec3>> targetPositions;
    std::vector<std::vector<glm::dvec3>> targetNormals;
    std::vector<std::vector<float>> targetW;
    MeshView statics;
    std::vector<glm::dvec3> staticNormals;
    std::vector<float> staticW;
    std::vector<std::int32_t> mirror; // -1 where no vertex sits at the mirror image

    explicit LoadedHead(const MeshFileImage& image);

    std::size_t targetIndex(const std::string& name) const;
    // The head with the given targets blended in, as the morph shader blends them.
    std::vector<glm::dvec3> blend(const std::map<std::string, double>& weights) const;
    // The base vertex nearest to a point.
    std::size_t nearestVertex(const glm::dvec3& point) const;
    // The frontmost base vertex (largest z) within a unit of the given x and y: what the
    // camera sees there.
    std::size_t frontVertexAt(double x, double y) const;
};
