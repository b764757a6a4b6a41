#pragma once

#include "TriangleMesh.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

// The edge length wanted over a surface, known at the vertices of a first mesh of it and read
// anywhere near the surface from the nearest of those vertices. The lengths are limited so that
// they grow by at most `gradation` per unit of distance along the mesh: a fine region then
// passes into a coarse one over a band of well-shaped triangles instead of a seam of slivers.
class EdgeLengthField {
  public:
    EdgeLengthField(const TriangleMesh& mesh, std::vector<double> lengths, double gradation);

    double at(const Vec3& p) const;

  private:
    std::int64_t cellKey(int i, int j, int k) const;

    std::vector<Vec3> points_;
    std::vector<double> lengths_;
    double cellSize_;
    std::unordered_map<std::int64_t, std::vector<int>> cells_;
};
