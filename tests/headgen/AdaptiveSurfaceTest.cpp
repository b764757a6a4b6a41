// The adaptive meshing on fields whose shapes and curvatures are known.
#include "AdaptiveSurface.h"

#include "EdgeLengthField.h"
#include "FieldGeometry.h"
#include "MeshChecks.h"
#include "Sdf.h"
#include "SurfaceTestShapes.h"
#include "common/DemoError.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

AdaptiveMeshing constantLength(double length) {
    return {[length](const Vec3&, double) { return length; }, 0.3, 0.1, 6};
}

struct EdgeStats {
    double shortest = 1e300;
    double longest = 0.0;
    double mean = 0.0;
};

// Edge lengths over the wanted length, of the edges whose middles pass `where`.
template <typename Where, typename Wanted>
EdgeStats edgeRatios(const TriangleMesh& mesh, Where where, Wanted wanted) {
    EdgeStats stats;
    int count = 0;
    for (const Triangle& t : mesh.triangles)
        for (int i = 0; i < 3; ++i) {
            const Vec3 &a = mesh.positions[t[i]], &b = mesh.positions[t[(i + 1) % 3]];
            const Vec3 middle = 0.5 * (a + b);
            if (!where(middle))
                continue;
            const double ratio = glm::distance(a, b) / wanted(middle);
            stats.shortest = std::min(stats.shortest, ratio);
            stats.longest = std::max(stats.longest, ratio);
            stats.mean += ratio;
            ++count;
        }
    stats.mean /= std::max(count, 1);
    return stats;
}

double worstQuality(const TriangleMesh& mesh) {
    double worst = 1.0;
    for (const Triangle& t : mesh.triangles) {
        const Vec3 &a = mesh.positions[t[0]], &b = mesh.positions[t[1]], &c = mesh.positions[t[2]];
        const double area = 0.5 * glm::length(glm::cross(b - a, c - a));
        const double sides =
            glm::dot(b - a, b - a) + glm::dot(c - b, c - b) + glm::dot(a - c, a - c);
        worst = std::min(worst, 4.0 * std::sqrt(3.0) * area / sides);
    }
    return worst;
}

} // namespace

TEST(FieldGeometry, CurvatureAndProjectionMatchKnownSurfaces) {
    // A sphere bends by 1 / radius everywhere, also on the level sets off its surface.
    EXPECT_NEAR(largestCurvature(sphere, {5.0, 1.0, 2.0}, 0.1), 0.2, 0.002);
    EXPECT_NEAR(largestCurvature(sphere, {0.0, 4.0, 6.0}, 0.1), 0.2, 0.002);
    EXPECT_NEAR(largestCurvature(sphere, {0.0, 1.0, 7.5}, 0.1), 1.0 / 5.5, 0.002);
    // A cylinder bends only around its axis.
    const DistanceField capsule = [](const Vec3& p) {
        return capsuleDistance(p, {0.0, -10.0, 0.0}, {0.0, 10.0, 0.0}, 2.0);
    };
    EXPECT_NEAR(largestCurvature(capsule, {0.0, 3.0, 2.0}, 0.1), 0.5, 0.005);
    // An ellipsoid with radii (6, 3, 3): a / b^2 at the long tip, 1 / b round the waist.
    const DistanceField ellipsoid = [](const Vec3& p) {
        return ellipsoidDistance(p, Vec3(0.0), {6.0, 3.0, 3.0});
    };
    EXPECT_NEAR(largestCurvature(ellipsoid, {6.0, 0.0, 0.0}, 0.05), 6.0 / 9.0, 0.01);
    EXPECT_NEAR(largestCurvature(ellipsoid, {0.0, 3.0, 0.0}, 0.05), 1.0 / 3.0, 0.005);

    // Projection lands on the surface, and no step is longer than allowed.
    const Vec3 landed = projectOntoSurface(sphere, {1.0, 9.0, 4.0}, 10.0, 4);
    EXPECT_LT(std::abs(sphere(landed)), 1e-9);
    const Vec3 held = projectOntoSurface(sphere, {0.0, 1.0, 9.0}, 0.1, 3);
    EXPECT_NEAR(held.z, 8.7, 1e-9);
    EXPECT_LT(glm::length(fieldGradient(sphere, {3.0, 1.0, 2.0}, 1e-3) - Vec3(1.0, 0.0, 0.0)),
              1e-6);
}

TEST(EdgeLengthField, LimitsGrowthAndReadsTheNearestVertex) {
    const TriangleMesh mesh =
        extractSymmetricSurface(sphere, uniformGrid(7.0, {0, -6, -5}, {0, 8, 9}, 0.5));
    // One short length at the top, long ones everywhere else.
    std::size_t top = 0;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i)
        if (mesh.positions[i].y > mesh.positions[top].y)
            top = i;
    std::vector<double> lengths(mesh.positions.size(), 5.0);
    lengths[top] = 0.2;
    const EdgeLengthField field(mesh, lengths, 0.5);

    EXPECT_EQ(field.at(mesh.positions[top]), 0.2);
    // Nowhere does the length grow faster than the gradation along an edge.
    double steepest = 0.0;
    for (const Triangle& t : mesh.triangles)
        for (int i = 0; i < 3; ++i) {
            const Vec3 &a = mesh.positions[t[i]], &b = mesh.positions[t[(i + 1) % 3]];
            steepest =
                std::max(steepest, std::abs(field.at(a) - field.at(b)) / glm::distance(a, b));
        }
    EXPECT_LE(steepest, 0.5 + 1e-9);
    // Far from the top the long length is kept; between, it grows with the distance.
    EXPECT_EQ(field.at({0.0, -4.0, 2.0}), 5.0);
    const double halfway = field.at({5.0, 1.0, 2.0});
    EXPECT_GT(halfway, 2.0);
    EXPECT_LT(halfway, 5.0);
    // A point off the mesh reads its nearest vertex, also from far away.
    EXPECT_EQ(field.at(mesh.positions[top] + Vec3(0.0, 0.05, 0.0)), 0.2);
    EXPECT_EQ(field.at({0.0, 60.0, 2.0}), 0.2);

    EXPECT_THROW(EdgeLengthField(mesh, {1.0, 2.0}, 0.5), DemoError);
    lengths[top] = 0.0;
    EXPECT_THROW(EdgeLengthField(mesh, lengths, 0.5), DemoError);
}

TEST(AdaptiveSurface, SphereIsClosedSymmetricOnTheSurfaceWithTheWantedEdges) {
    const SamplingGrid grid = uniformGrid(7.0, {0, -6, -5}, {0, 8, 9}, 0.5);
    const TriangleMesh mesh = adaptiveSymmetricSurface(sphere, grid, constantLength(0.8));
    const MeshView view = viewOf(mesh);
    EXPECT_EQ(badEdgeCount(view), 0u);
    ASSERT_EQ(components(view).size(), 1u);
    EXPECT_NEAR(signedVolume(view, components(view)[0]), 4.0 / 3.0 * std::numbers::pi * 125.0,
                0.02 * 523.6);
    std::size_t onPlane = 0;
    double farthest = 0.0;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const auto m = static_cast<std::size_t>(mesh.mirror[i]);
        ASSERT_EQ(mesh.positions[m], mirrorX(mesh.positions[i])) << "vertex " << i;
        onPlane += m == i;
        if (m == i) {
            ASSERT_EQ(mesh.positions[i].x, 0.0);
        }
        farthest = std::max(farthest, std::abs(sphere(mesh.positions[i])));
    }
    EXPECT_GT(onPlane, 20u);
    EXPECT_LT(farthest, 1e-4);
    EXPECT_TRUE(crossingTriangles(view).empty());

    // Edges near the wanted length, triangles well shaped, and about as many vertices as
    // such triangles need to cover the sphere.
    const EdgeStats stats = edgeRatios(
        mesh, [](const Vec3&) { return true; }, [](const Vec3&) { return 0.8; });
    EXPECT_GT(stats.mean, 0.8);
    EXPECT_LT(stats.mean, 1.1);
    EXPECT_GT(stats.shortest, 0.45);
    EXPECT_LT(stats.longest, 1.45);
    EXPECT_GT(worstQuality(mesh), 0.5);
    const double expected =
        4.0 * std::numbers::pi * 25.0 / (std::sqrt(3.0) / 4.0 * 0.8 * 0.8) / 2.0;
    EXPECT_NEAR(static_cast<double>(mesh.positions.size()), expected, 0.25 * expected);

    // The same input gives the same mesh.
    const TriangleMesh again = adaptiveSymmetricSurface(sphere, grid, constantLength(0.8));
    EXPECT_EQ(again.positions, mesh.positions);
    EXPECT_EQ(again.triangles, mesh.triangles);
}

TEST(AdaptiveSurface, EdgesFollowTheRuleAndTheCurvature) {
    // Fine over the top of the sphere, coarse below, and a gentle band between them.
    const auto wanted = [](const Vec3& p) { return p.y > 1.0 ? 0.4 : 1.2; };
    const AdaptiveMeshing graded{[&](const Vec3& p, double) { return wanted(p); }, 0.2, 0.1, 6};
    const TriangleMesh mesh =
        adaptiveSymmetricSurface(sphere, uniformGrid(7.0, {0, -6, -5}, {0, 8, 9}, 0.5), graded);
    EXPECT_EQ(badEdgeCount(viewOf(mesh)), 0u);
    const EdgeStats top = edgeRatios(
        mesh, [](const Vec3& p) { return p.y > 4.0; }, wanted);
    const EdgeStats bottom = edgeRatios(
        mesh, [](const Vec3& p) { return p.y < -2.0; }, wanted);
    EXPECT_NEAR(top.mean, 0.92, 0.08);
    EXPECT_NEAR(bottom.mean, 0.92, 0.08);

    // Given by the curvature, the edges are short round the thin waist of an ellipsoid and
    // long over its broad ends.
    const DistanceField ellipsoid = [](const Vec3& p) {
        return ellipsoidDistance(p, Vec3(0.0), {6.0, 6.0, 2.0});
    };
    const AdaptiveMeshing bending{
        [](const Vec3&, double curvature) { return std::clamp(0.3 / curvature, 0.2, 2.0); }, 0.3,
        0.05, 6};
    const TriangleMesh flat =
        adaptiveSymmetricSurface(ellipsoid, uniformGrid(8.0, {0, -8, -4}, {0, 8, 4}, 0.3), bending);
    EXPECT_EQ(badEdgeCount(viewOf(flat)), 0u);
    const auto unit = [](const Vec3&) { return 1.0; };
    const EdgeStats rim = edgeRatios(
        flat, [](const Vec3& p) { return std::abs(p.z) < 0.5; }, unit);
    const EdgeStats faces = edgeRatios(
        flat, [](const Vec3& p) { return std::hypot(p.x, p.y) < 2.0; }, unit);
    // Round the rim the curvature is 6 / 4 = 1.5, over the faces 2 / 36.
    EXPECT_LT(rim.mean, 0.3);
    EXPECT_GT(faces.mean, 1.3);
}

TEST(AdaptiveSurface, ThinGapsStayOpenAndThinTubesWhole) {
    // A ball with a slot across its front, 0.6 high and round at its end, meshed with edges
    // longer than the slot is high: its faces must neither meet nor cross, and a line of
    // sight into the slot stays clear.
    const DistanceField slotted = [](const Vec3& p) {
        const double slot = std::hypot(p.y, std::max(-p.z, 0.0)) - 0.3;
        return std::max(sphereDistance(p, Vec3(0.0), 4.0), -slot);
    };
    const AxisSpacing coarse = [](double) { return 0.4; };
    const SamplingGrid grid{5.0,
                            {0, -5, -5},
                            {0, 5, 5},
                            coarse,
                            [](double y) { return std::abs(y) < 0.6 ? 0.07 : 0.4; },
                            coarse};
    const TriangleMesh mesh = adaptiveSymmetricSurface(slotted, grid, constantLength(1.0));
    const MeshView view = viewOf(mesh);
    EXPECT_EQ(badEdgeCount(view), 0u);
    EXPECT_EQ(components(view).size(), 1u);
    EXPECT_TRUE(crossingTriangles(view).empty());
    for (double x : {-2.0, 0.0, 1.5})
        EXPECT_FALSE(segmentHitsMesh(view, {x, 0.0, 6.0}, {x, 0.0, 0.6})) << "x = " << x;

    // A ring whose tube is less than three wanted edges round.
    const DistanceField ring = [](const Vec3& p) {
        const double planar = std::hypot(p.y, p.z) - 4.0;
        return std::hypot(planar, p.x) - 0.35;
    };
    const TriangleMesh torus = adaptiveSymmetricSurface(
        ring, uniformGrid(5.0, {0, -5, -5}, {0, 5, 5}, 0.12), constantLength(0.9));
    const MeshView torusView = viewOf(torus);
    EXPECT_EQ(badEdgeCount(torusView), 0u);
    EXPECT_EQ(components(torusView).size(), 1u);
    EXPECT_TRUE(crossingTriangles(torusView).empty());
    // Euler's formula: V - E + F = 0 for a ring; each edge has two triangles.
    const auto vertices = static_cast<long>(torus.positions.size());
    const auto faces = static_cast<long>(torus.triangles.size());
    EXPECT_EQ(vertices - faces * 3 / 2 + faces, 0);
}
