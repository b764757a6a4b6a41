#pragma once

#include "Vec3.h"

#include <array>
#include <vector>

using Triangle = std::array<int, 3>;

// An indexed triangle mesh, counter-clockwise seen from outside, symmetric about x = 0:
// mirror[i] is the vertex at the reflection of vertex i (i itself for a vertex on the plane).
struct TriangleMesh {
    std::vector<Vec3> positions;
    std::vector<Triangle> triangles;
    std::vector<int> mirror;
};

// Area-weighted vertex normals of the surface through `positions`. Throws DemoError when a
// vertex bounds no area, because its normal would be undefined.
std::vector<Vec3> vertexNormals(const std::vector<Vec3>& positions,
                                const std::vector<Triangle>& triangles);

// The vertices joined to each vertex by an edge, in ascending order.
std::vector<std::vector<int>> vertexNeighbours(const TriangleMesh& mesh);

// Adds `part` to `mesh` as a further component, shifting its indices.
void appendMesh(TriangleMesh& mesh, const TriangleMesh& part);

// Puts every mirror pair exactly at reflected positions (and plane vertices on the plane),
// undoing the rounding that breaks symmetry.
void symmetrize(const std::vector<int>& mirror, std::vector<Vec3>& positions);

// The enclosed volume; positive when the triangles face outwards.
double signedVolume(const std::vector<Vec3>& positions, const std::vector<Triangle>& triangles);
