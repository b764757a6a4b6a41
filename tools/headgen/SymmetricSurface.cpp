#include "SymmetricSurface.h"

#include "CubePolygons.h"
#include "common/DemoError.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct Grid {
    std::vector<double> xs; // x >= 0 only; xs[0] = 0 is the plane of symmetry
    std::vector<double> ys;
    std::vector<double> zs;

    int nx() const { return static_cast<int>(xs.size()); }
    int ny() const { return static_cast<int>(ys.size()); }
    int nz() const { return static_cast<int>(zs.size()); }
    Vec3 point(int i, int j, int k) const { return {xs[i], ys[j], zs[k]}; }
    std::size_t index(int i, int j, int k) const {
        return (static_cast<std::size_t>(k) * ys.size() + static_cast<std::size_t>(j)) * xs.size() +
               static_cast<std::size_t>(i);
    }
};

// Coordinates from `from` past `to`, one cell size apart, with a margin cell at each end.
std::vector<double> axisCoordinates(double from, double to, const AxisSpacing& spacing) {
    std::vector<double> coordinates{from};
    while (coordinates.back() < to) {
        const double step = spacing(coordinates.back());
        if (!(step > 1e-3))
            throw DemoError("head generator: a grid spacing is not positive");
        coordinates.push_back(coordinates.back() + step);
    }
    coordinates.push_back(coordinates.back() + spacing(coordinates.back()));
    return coordinates;
}

Grid makeGrid(const SamplingGrid& box) {
    Grid grid;
    grid.xs = axisCoordinates(0.0, box.halfWidth, box.xSpacing);
    // Start off the round numbers by an odd fraction of a cell, so that flat faces placed at
    // round coordinates do not lie on a sheet of grid points.
    const double yMargin = 1.3137 * box.ySpacing(box.lower.y);
    const double zMargin = 1.2719 * box.zSpacing(box.lower.z);
    grid.ys = axisCoordinates(box.lower.y - yMargin, box.upper.y, box.ySpacing);
    grid.zs = axisCoordinates(box.lower.z - zMargin, box.upper.z, box.zSpacing);
    return grid;
}

std::vector<double> sampleHalfGrid(const DistanceField& field, const Grid& grid) {
    std::vector<double> values(grid.xs.size() * grid.ys.size() * grid.zs.size());
    for (int k = 0; k < grid.nz(); ++k)
        for (int j = 0; j < grid.ny(); ++j)
            for (int i = 0; i < grid.nx(); ++i) {
                const bool boundary = i == grid.nx() - 1 || j == 0 || j == grid.ny() - 1 ||
                                      k == 0 || k == grid.nz() - 1;
                const double value = field(grid.point(i, j, k));
                if (boundary && value <= 0.0)
                    throw DemoError("head generator: a surface reaches the sampling grid's edge");
                values[grid.index(i, j, k)] = value;
            }
    return values;
}

class HalfMeshBuilder {
  public:
    HalfMeshBuilder(const Grid& grid, const std::vector<double>& values)
        : grid_(grid), values_(values), edgeVertex_(values.size() * 3, -1) {}

    void march() {
        for (int k = 0; k + 1 < grid_.nz(); ++k)
            for (int j = 0; j + 1 < grid_.ny(); ++j)
                for (int i = 0; i + 1 < grid_.nx(); ++i)
                    cube(i, j, k);
    }

    TriangleMesh take() { return std::move(mesh_); }

  private:
    void cube(int i, int j, int k) {
        CubeCornerValues corners;
        bool anyInside = false, anyOutside = false;
        for (int c = 0; c < 8; ++c) {
            corners[c] = values_[grid_.index(i + (c & 1), j + ((c >> 1) & 1), k + (c >> 2))];
            (corners[c] < 0.0 ? anyInside : anyOutside) = true;
        }
        if (!anyInside || !anyOutside)
            return;
        for (const CubePolygon& polygon : cubePolygons(corners)) {
            std::vector<int> loop;
            for (int edge : polygon.edges)
                loop.push_back(edgeVertex(i, j, k, edge, corners));
            emit(loop, polygon);
        }
    }

    int edgeVertex(int i, int j, int k, int edge, const CubeCornerValues& corners) {
        const auto [low, high] = cubeEdgeCorners(edge);
        const int li = i + (low & 1), lj = j + ((low >> 1) & 1), lk = k + (low >> 2);
        const int axis = cubeEdgeAxis(edge);
        int& slot = edgeVertex_[grid_.index(li, lj, lk) * 3 + static_cast<std::size_t>(axis)];
        if (slot < 0) {
            // Keep the crossing off the grid points so that no two vertices coincide.
            const double t = std::clamp(corners[low] / (corners[low] - corners[high]), 0.02, 0.98);
            const Vec3 a = grid_.point(li, lj, lk);
            const Vec3 p =
                a + t * (grid_.point(li + (axis == 0), lj + (axis == 1), lk + (axis == 2)) - a);
            slot = static_cast<int>(mesh_.positions.size());
            mesh_.positions.push_back(p);
        }
        return slot;
    }

    void emit(const std::vector<int>& loop, const CubePolygon& polygon) {
        const std::size_t n = loop.size();
        if (n == 3) {
            mesh_.triangles.push_back({loop[0], loop[1], loop[2]});
            return;
        }
        // Fan from the corner that gives the roundest triangles, using only diagonals that
        // no neighbouring cube can also produce (those between edges of different faces).
        int bestStart = -1;
        double bestQuality = 0.0;
        for (std::size_t start = 0; start < n; ++start) {
            bool allowed = true;
            double quality = 1e300;
            for (std::size_t step = 1; step + 1 < n; ++step) {
                if (step >= 2 &&
                    cubeEdgesShareFace(polygon.edges[start], polygon.edges[(start + step) % n]))
                    allowed = false;
                quality = std::min(quality, triangleQuality(loop[start], loop[(start + step) % n],
                                                            loop[(start + step + 1) % n]));
            }
            if (allowed && quality > bestQuality) {
                bestQuality = quality;
                bestStart = static_cast<int>(start);
            }
        }
        if (bestStart >= 0) {
            const auto s0 = static_cast<std::size_t>(bestStart);
            for (std::size_t step = 1; step + 1 < n; ++step)
                mesh_.triangles.push_back(
                    {loop[s0], loop[(s0 + step) % n], loop[(s0 + step + 1) % n]});
            return;
        }
        // Otherwise a centre vertex: a fan around it cannot share an edge with another cube.
        Vec3 centre(0.0);
        for (int v : loop)
            centre += mesh_.positions[v];
        const int c = static_cast<int>(mesh_.positions.size());
        mesh_.positions.push_back(centre / static_cast<double>(n));
        for (std::size_t k = 0; k < n; ++k)
            mesh_.triangles.push_back({c, loop[k], loop[(k + 1) % n]});
    }

    // Area over the sum of squared sides: largest for an equilateral triangle, 0 when flat.
    double triangleQuality(int a, int b, int c) const {
        const Vec3 pa = mesh_.positions[a], pb = mesh_.positions[b], pc = mesh_.positions[c];
        const double area = glm::length(glm::cross(pb - pa, pc - pa));
        const double sides =
            glm::dot(pb - pa, pb - pa) + glm::dot(pc - pb, pc - pb) + glm::dot(pa - pc, pa - pc);
        return sides > 0.0 ? area / sides : 0.0;
    }

    const Grid& grid_;
    const std::vector<double>& values_;
    std::vector<int> edgeVertex_;
    TriangleMesh mesh_;
};

} // namespace

// Vertices on the plane x = 0 are shared by both halves.
TriangleMesh mirrorHalfSurface(const TriangleMesh& half) {
    TriangleMesh mesh;
    mesh.positions = half.positions;
    mesh.mirror.resize(half.positions.size());
    for (std::size_t i = 0; i < half.positions.size(); ++i) {
        if (half.positions[i].x == 0.0) {
            mesh.mirror[i] = static_cast<int>(i);
        } else {
            mesh.mirror[i] = static_cast<int>(mesh.positions.size());
            mesh.mirror.push_back(static_cast<int>(i));
            mesh.positions.push_back(mirrorX(half.positions[i]));
        }
    }
    for (const Triangle& t : half.triangles) {
        mesh.triangles.push_back(t);
        // Reflection turns the winding round; swapping two corners restores it.
        mesh.triangles.push_back({mesh.mirror[t[0]], mesh.mirror[t[2]], mesh.mirror[t[1]]});
    }
    return mesh;
}

SamplingGrid uniformGrid(double halfWidth, const Vec3& lower, const Vec3& upper, double spacing) {
    const AxisSpacing constant = [spacing](double) { return spacing; };
    return {halfWidth, lower, upper, constant, constant, constant};
}

TriangleMesh extractHalfSurface(const DistanceField& field, const SamplingGrid& box) {
    const Grid grid = makeGrid(box);
    const std::vector<double> values = sampleHalfGrid(field, grid);
    HalfMeshBuilder builder(grid, values);
    builder.march();
    return builder.take();
}

TriangleMesh extractSymmetricSurface(const DistanceField& field, const SamplingGrid& box) {
    return mirrorHalfSurface(extractHalfSurface(field, box));
}

void relaxOntoSurface(TriangleMesh& mesh, const DistanceField& field, double maxStep, int passes) {
    const auto neighbours = vertexNeighbours(mesh);
    std::vector<Vec3> next(mesh.positions.size());
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
            const Vec3 p = mesh.positions[i];
            if (static_cast<std::size_t>(mesh.mirror[i]) < i) {
                next[i] = p; // the partner's result is reflected below
                continue;
            }
            Vec3 mean(0.0);
            for (int n : neighbours[i])
                mean += mesh.positions[n];
            mean /= static_cast<double>(neighbours[i].size());
            const Vec3 g = fieldGradient(field, p, 1e-3 * maxStep);
            const double gLength = glm::length(g);
            Vec3 move = 0.5 * (mean - p);
            if (gLength > 1e-9) {
                const Vec3 normal = g / gLength;
                move -= glm::dot(move, normal) * normal;
            }
            // A step longer than the grid spacing would jump to another sheet.
            const Vec3 q = projectOntoSurface(field, p + move, maxStep, 3);
            next[i] = q;
        }
        for (std::size_t i = 0; i < next.size(); ++i) {
            const auto m = static_cast<std::size_t>(mesh.mirror[i]);
            mesh.positions[i] = m < i ? mirrorX(next[m]) : next[i];
        }
        symmetrize(mesh.mirror, mesh.positions);
    }
}

void smoothSurface(TriangleMesh& mesh, int passes) {
    const auto neighbours = vertexNeighbours(mesh);
    std::vector<Vec3> next(mesh.positions.size());
    for (int pass = 0; pass < 2 * passes; ++pass) {
        const double factor = pass % 2 == 0 ? 0.5 : -0.53;
        for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
            Vec3 mean(0.0);
            for (int n : neighbours[i])
                mean += mesh.positions[n];
            mean /= static_cast<double>(neighbours[i].size());
            next[i] = mesh.positions[i] + factor * (mean - mesh.positions[i]);
        }
        mesh.positions.swap(next);
        symmetrize(mesh.mirror, mesh.positions);
    }
}
