#pragma once

#include <array>
#include <utility>
#include <vector>

// Corner k of a grid cube sits at offset (k & 1, (k >> 1) & 1, k >> 2); the field value there.
using CubeCornerValues = std::array<double, 8>;

// One closed loop of the surface inside a cube, as the cube edges it crosses (0..11), in
// counter-clockwise order seen from the positive (outside) side.
struct CubePolygon {
    std::vector<int> edges;
};

// The surface loops of one cube. Each face is cut by the same rule in the two cubes that share
// it (the asymptotic decider on faces with two inside and two outside corners in diagonal),
// so neighbouring cubes meet without cracks.
std::vector<CubePolygon> cubePolygons(const CubeCornerValues& values);

// The corners an edge joins (the lower first) and the axis (0, 1, 2) it runs along.
std::pair<int, int> cubeEdgeCorners(int edge);
int cubeEdgeAxis(int edge);

// Whether two edges lie on one face of the cube.
bool cubeEdgesShareFace(int a, int b);
