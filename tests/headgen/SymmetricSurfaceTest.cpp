// The surface extraction on its own, on fields whose answers are known.
#include "SymmetricSurface.h"

#include "HarmonicField.h"
#include "MeshChecks.h"
#include "Sdf.h"
#include "SurfaceTestShapes.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

namespace {} // namespace

TEST(SymmetricSurface, SphereIsClosedOutwardSymmetricAndOnTheSurface) {
    TriangleMesh mesh =
        extractSymmetricSurface(sphere, uniformGrid(7.0, {0, -6, -5}, {0, 8, 9}, 0.5));
    relaxOntoSurface(mesh, sphere, 0.5, 4);
    const MeshView view = viewOf(mesh);
    EXPECT_EQ(badEdgeCount(view), 0u);
    EXPECT_EQ(components(view).size(), 1u);
    const double volume = signedVolume(view, components(view)[0]);
    EXPECT_NEAR(volume, 4.0 / 3.0 * std::numbers::pi * 125.0, 0.01 * 523.6);
    double farthest = 0.0;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        farthest = std::max(farthest, std::abs(sphere(mesh.positions[i])));
        const Vec3 image = mesh.positions[static_cast<std::size_t>(mesh.mirror[i])];
        ASSERT_EQ(image, mirrorX(mesh.positions[i])) << "vertex " << i;
    }
    EXPECT_LT(farthest, 1e-3);
    // Outward normals point away from the centre.
    const auto normals = vertexNormals(mesh.positions, mesh.triangles);
    for (std::size_t i = 0; i < normals.size(); ++i)
        ASSERT_GT(glm::dot(normals[i], glm::normalize(mesh.positions[i] - Vec3(0, 1, 2))), 0.9);
}

TEST(SymmetricSurface, ThinGapsHolesAndRandomBlobsStayWatertight) {
    // Two balls a little over one cell apart, a ring, and clusters of random blobs whose
    // saddles put two inside corners on many cube faces: every result must be closed.
    const DistanceField pair = [](const Vec3& p) {
        return std::min(sphereDistance(p, {3.3, 0, 0}, 3.0), sphereDistance(p, {-3.3, 0, 0}, 3.0));
    };
    const DistanceField ring = [](const Vec3& p) {
        const double planar = std::hypot(p.y, p.z) - 4.0;
        return std::hypot(planar, p.x) - 1.2;
    };
    std::vector<DistanceField> fields{pair, ring};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0), radius(0.3, 1.2);
    for (int cluster = 0; cluster < 4; ++cluster) {
        std::vector<std::pair<Vec3, double>> blobs;
        for (int b = 0; b < 12; ++b) {
            const Vec3 c{std::abs(coordinate(random)), coordinate(random), coordinate(random)};
            const double r = radius(random);
            blobs.push_back({c, r});
            blobs.push_back({mirrorX(c), r});
        }
        fields.push_back([blobs](const Vec3& p) {
            double d = 1e9;
            for (const auto& [c, r] : blobs)
                d = smoothUnion(d, sphereDistance(p, c, r), 0.3);
            return d;
        });
    }
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const TriangleMesh mesh =
            extractSymmetricSurface(fields[f], uniformGrid(7.0, {0, -6, -6}, {0, 6, 6}, 0.37));
        const MeshView view = viewOf(mesh);
        EXPECT_EQ(badEdgeCount(view), 0u) << "field " << f;
        for (const auto& part : components(view))
            EXPECT_GT(signedVolume(view, part), 0.0) << "field " << f;
        if (f == 0) {
            EXPECT_EQ(components(view).size(), 2u) << "the balls stay apart";
        }
    }
}

TEST(SymmetricSurface, SmoothingKeepsSymmetryAndSize) {
    TriangleMesh mesh =
        extractSymmetricSurface(sphere, uniformGrid(7.0, {0, -6, -5}, {0, 8, 9}, 0.5));
    smoothSurface(mesh, 5);
    double meanRadius = 0.0;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        meanRadius += glm::length(mesh.positions[i] - Vec3(0, 1, 2));
        ASSERT_EQ(mesh.positions[static_cast<std::size_t>(mesh.mirror[i])],
                  mirrorX(mesh.positions[i]));
    }
    EXPECT_NEAR(meanRadius / static_cast<double>(mesh.positions.size()), 5.0, 0.05);
}

TEST(HarmonicField, InterpolatesBetweenFixedValuesAlongTheGraph) {
    // A path 0-1-...-10 with its ends fixed is a straight ramp; a separate free pair that
    // touches nothing fixed stays at zero.
    std::vector<std::vector<int>> neighbours(13);
    for (int i = 0; i < 10; ++i) {
        neighbours[static_cast<std::size_t>(i)].push_back(i + 1);
        neighbours[static_cast<std::size_t>(i + 1)].push_back(i);
    }
    neighbours[11] = {12};
    neighbours[12] = {11};
    std::vector<std::optional<double>> fixed(13);
    fixed[0] = 2.0;
    fixed[10] = 7.0;
    const auto field = harmonicField(neighbours, fixed);
    for (int i = 0; i <= 10; ++i)
        EXPECT_NEAR(field[static_cast<std::size_t>(i)], 2.0 + 0.5 * i, 1e-9);
    EXPECT_EQ(field[11], 0.0);
    EXPECT_EQ(field[12], 0.0);
}
