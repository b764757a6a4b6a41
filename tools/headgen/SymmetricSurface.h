#pragma once

#include "FieldGeometry.h"
#include "TriangleMesh.h"

#include <functional>

// The cell size along one axis as a function of the coordinate on that axis.
using AxisSpacing = std::function<double(double)>;

// A rectilinear sampling grid: fine where the surface has detail, coarse elsewhere.
struct SamplingGrid {
    double halfWidth; // the grid spans x in [-halfWidth, halfWidth]
    Vec3 lower;       // y and z of the lower corner (x is ignored)
    Vec3 upper;       // y and z of the upper corner
    AxisSpacing xSpacing;
    AxisSpacing ySpacing;
    AxisSpacing zSpacing;
};

// A grid of equal cubes.
SamplingGrid uniformGrid(double halfWidth, const Vec3& lower, const Vec3& upper, double spacing);

// Extracts the zero set of a field that is symmetric about x = 0 as a closed, consistently
// outward-facing triangle mesh. Marching cubes runs on the half x >= 0 only and the other half
// is its exact reflection, so the mesh is symmetric vertex for vertex. The field must be
// positive on the grid's boundary.
TriangleMesh extractSymmetricSurface(const DistanceField& field, const SamplingGrid& grid);

// The same surface's half x >= 0 on its own, with `mirror` left empty: an open mesh whose rim
// lies on the plane x = 0, every rim vertex exactly at x = 0 and every other vertex at x > 0.
TriangleMesh extractHalfSurface(const DistanceField& field, const SamplingGrid& grid);

// A half as extractHalfSurface gives it, joined to its reflection along the rim into one
// closed, symmetric mesh.
TriangleMesh mirrorHalfSurface(const TriangleMesh& half);

// Evens out the triangles and puts every vertex back on the zero set: each pass moves the
// vertices tangentially towards the mean of their neighbours, then projects them onto the
// surface with Newton steps along the field's gradient (none longer than maxStep). Keeps the
// mesh symmetric.
void relaxOntoSurface(TriangleMesh& mesh, const DistanceField& field, double maxStep, int passes);

// Taubin's low-pass filter: alternate shrinking and inflating Laplacian steps remove the
// grid's ripple from the vertices without shrinking the shape. Keeps the mesh symmetric.
void smoothSurface(TriangleMesh& mesh, int passes);
