#include "AdaptiveSurface.h"

#include "EdgeLengthField.h"
#include "SurfaceRemesher.h"

TriangleMesh adaptiveSymmetricSurface(const DistanceField& field, const SamplingGrid& grid,
                                      const AdaptiveMeshing& meshing) {
    TriangleMesh half = extractHalfSurface(field, grid);
    std::vector<double> lengths;
    lengths.reserve(half.positions.size());
    for (const Vec3& p : half.positions)
        lengths.push_back(meshing.edgeLength(p, largestCurvature(field, p, meshing.curvatureStep)));
    const EdgeLengthField wanted(half, std::move(lengths), meshing.gradation);
    remeshHalfSurface(
        half, field, [&wanted](const Vec3& p) { return wanted.at(p); }, meshing.rounds);
    return mirrorHalfSurface(half);
}
