#include "CubePolygons.h"

#include "Vec3.h"

namespace {

struct CubeFace {
    std::array<int, 4> corners; // in order around the face
    std::array<int, 4> edges;   // edges[n] joins corners[n] and corners[n + 1]
    Vec3 normal;                // pointing out of the cube
};

struct CubeTopology {
    std::array<std::pair<int, int>, 12> edgeCorners{};
    std::array<int, 12> edgeAxis{};
    std::array<std::array<int, 8>, 8> edgeBetween{};
    std::array<CubeFace, 6> faces{};
    std::array<std::array<bool, 12>, 12> shareFace{};

    CubeTopology() {
        int edge = 0;
        for (int axis = 0; axis < 3; ++axis)
            for (int corner = 0; corner < 8; ++corner)
                if ((corner & (1 << axis)) == 0) {
                    const int other = corner | (1 << axis);
                    edgeCorners[edge] = {corner, other};
                    edgeAxis[edge] = axis;
                    edgeBetween[corner][other] = edgeBetween[other][corner] = edge;
                    ++edge;
                }
        int face = 0;
        for (int axis = 0; axis < 3; ++axis)
            for (int side = 0; side < 2; ++side) {
                const int u = axis == 0 ? 1 : 0;
                const int v = axis == 2 ? 1 : 2;
                const int base = side << axis, du = 1 << u, dv = 1 << v;
                CubeFace& f = faces[face++];
                f.corners = {base, base | du, base | du | dv, base | dv};
                for (int n = 0; n < 4; ++n)
                    f.edges[n] = edgeBetween[f.corners[n]][f.corners[(n + 1) % 4]];
                f.normal = Vec3(0.0);
                f.normal[axis] = side == 1 ? 1.0 : -1.0;
                for (int a : f.edges)
                    for (int b : f.edges)
                        shareFace[a][b] = true;
            }
    }

    Vec3 cornerPoint(int corner) const {
        return {double(corner & 1), double((corner >> 1) & 1), double(corner >> 2)};
    }
    Vec3 edgeMidpoint(int edge) const {
        return 0.5 * (cornerPoint(edgeCorners[edge].first) + cornerPoint(edgeCorners[edge].second));
    }
};

const CubeTopology& topology() {
    static const CubeTopology instance;
    return instance;
}

// Orients a face segment so that the inside of the face lies on its left, seen from outside
// the cube; around the cube these segments then chain head to tail.
void addSegment(const CubeTopology& cube, const CubeFace& face, int fromEdge, int toEdge,
                int referenceCorner, bool referenceInside, std::array<int, 12>& next) {
    const Vec3 a = cube.edgeMidpoint(fromEdge);
    const Vec3 b = cube.edgeMidpoint(toEdge);
    const Vec3 left = glm::cross(face.normal, b - a);
    const bool referenceOnLeft = glm::dot(left, cube.cornerPoint(referenceCorner) - a) > 0.0;
    if (referenceOnLeft == referenceInside)
        next[fromEdge] = toEdge;
    else
        next[toEdge] = fromEdge;
}

} // namespace

std::vector<CubePolygon> cubePolygons(const CubeCornerValues& values) {
    const CubeTopology& cube = topology();
    std::array<int, 12> next;
    next.fill(-1);
    for (const CubeFace& face : cube.faces) {
        std::array<bool, 4> inside{};
        std::array<double, 4> f{};
        for (int n = 0; n < 4; ++n) {
            f[n] = values[face.corners[n]];
            inside[n] = f[n] < 0.0;
        }
        std::vector<int> crossed;
        for (int n = 0; n < 4; ++n)
            if (inside[n] != inside[(n + 1) % 4])
                crossed.push_back(n);
        if (crossed.size() == 2) {
            addSegment(cube, face, face.edges[crossed[0]], face.edges[crossed[1]],
                       face.corners[crossed[0]], inside[crossed[0]], next);
        } else if (crossed.size() == 4) {
            // Two inside corners in diagonal: the bilinear interpolant decides whether they
            // are joined across the face centre. Its saddle value does not depend on where
            // the corner cycle starts, so both cubes of the face decide alike.
            const double denominator = f[0] + f[2] - f[1] - f[3];
            const bool insideJoined =
                denominator != 0.0 && (f[0] * f[2] - f[1] * f[3]) / denominator < 0.0;
            for (int n = 0; n < 4; ++n) {
                // Cut off the corners that stay apart.
                if (inside[n] == insideJoined)
                    continue;
                addSegment(cube, face, face.edges[(n + 3) % 4], face.edges[n], face.corners[n],
                           inside[n], next);
            }
        }
    }
    std::vector<CubePolygon> polygons;
    std::array<bool, 12> used{};
    for (int start = 0; start < 12; ++start) {
        if (next[start] < 0 || used[start])
            continue;
        CubePolygon polygon;
        for (int edge = start; !used[edge]; edge = next[edge]) {
            used[edge] = true;
            polygon.edges.push_back(edge);
        }
        // The chain runs clockwise seen from outside; the mesh wants counter-clockwise.
        std::vector<int> reversed(polygon.edges.rbegin(), polygon.edges.rend());
        polygon.edges = std::move(reversed);
        polygons.push_back(std::move(polygon));
    }
    return polygons;
}

std::pair<int, int> cubeEdgeCorners(int edge) {
    return topology().edgeCorners[edge];
}

int cubeEdgeAxis(int edge) {
    return topology().edgeAxis[edge];
}

bool cubeEdgesShareFace(int a, int b) {
    return topology().shareFace[a][b];
}
