// Checks of the generated head as the demo will read it: the file's layout and limits, the
// surfaces' soundness, where the head stands, and what each expression does.
#include "HeadGltf.h"
#include "MeshChecks.h"
#include "ModelImporter.h"
#include "TestHead.h"
#include "model/MeshFile.h"
#include "model/VertexCacheOrder.h"
#include "tests/support/TemporaryDirectory.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <tinyxml.h>

namespace {

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string xmlOf(const GeneratedHead& head) {
    const TemporaryDirectory dir;
    writeHeadFiles(head, dir.path());
    return fileBytes(dir.path() / "headModel.xml");
}

double triangleArea(const MeshView& mesh, const TriangleIndices& t) {
    return 0.5 * glm::length(glm::cross(mesh.positions[t[1]] - mesh.positions[t[0]],
                                        mesh.positions[t[2]] - mesh.positions[t[0]]));
}

} // namespace

TEST(HeadModel, IsTheSameOnEveryRun) {
    const GeneratedHead second = generateHead();
    EXPECT_EQ(encodeMeshFile(generated().meshFile), encodeMeshFile(second.meshFile));
    EXPECT_EQ(xmlOf(generated()), xmlOf(second));
}

TEST(HeadModel, FilesReadBackThroughTheDemosReader) {
    const TemporaryDirectory directory;
    const std::filesystem::path& dir = directory.path();
    writeHeadFiles(generated(), dir / "meshes");
    const MeshFileImage& image = generated().meshFile;

    const MeshFile file = readMeshFile((dir / "meshes" / "headModelNew.dat").string());
    const HeadMesh& head = *file.headMesh;
    ASSERT_EQ(head.vertexCount(), image.vertexCount);
    EXPECT_EQ(head.baseStride(), 28u);
    EXPECT_EQ(head.targetStride(), 28u);
    EXPECT_EQ(head.targetNames(), image.targetNames);
    EXPECT_TRUE(
        std::equal(image.baseVertices.begin(), image.baseVertices.end(), head.vertexData()));
    const auto last = static_cast<std::int32_t>(image.targetNames.size()) - 1;
    EXPECT_TRUE(std::equal(image.targetBlocks.back().begin(), image.targetBlocks.back().end(),
                           head.getTarget(last).block));
    ASSERT_EQ(head.indexCount(), image.indices.size());
    EXPECT_TRUE(std::equal(image.indices.begin(), image.indices.end(), head.indices()));
    const StaticMesh& statics = *file.staticMesh;
    EXPECT_EQ(statics.vertexCount(), static_cast<std::uint32_t>(image.staticVertexCount));
    EXPECT_EQ(statics.stride(), 28);
    EXPECT_TRUE(
        std::equal(image.staticIndices.begin(), image.staticIndices.end(), statics.indices()));

    TiXmlDocument xml((dir / "meshes" / "headModel.xml").string().c_str());
    EXPECT_TRUE(xml.LoadFile());
}

TEST(HeadModel, CountsLayoutAndIndicesFitTheDemo) {
    const MeshFileImage& image = generated().meshFile;
    EXPECT_EQ(image.baseFloats, 7);
    EXPECT_EQ(image.targetFloats, 7);
    EXPECT_EQ(image.staticFloats, 7);
    // Detailed enough for the face, light enough for vertex shading on the CPU at 60 Hz.
    EXPECT_GE(image.vertexCount, 15000);
    EXPECT_LE(image.vertexCount, 40000);
    EXPECT_GE(image.targetNames.size(), 20u);
    EXPECT_EQ(std::set<std::string>(image.targetNames.begin(), image.targetNames.end()).size(),
              image.targetNames.size());
    EXPECT_GE(image.staticVertexCount, 1500);
    EXPECT_LE(image.staticVertexCount, 8000);

    const LoadedHead& head = loaded();
    for (const MeshView* mesh : {&head.base, &head.statics}) {
        const auto count = static_cast<std::int32_t>(mesh->positions.size());
        double smallest = 1e300;
        for (const auto& t : mesh->triangles) {
            for (std::int32_t v : t) {
                ASSERT_GE(v, 0);
                ASSERT_LT(v, count);
            }
            EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
            smallest = std::min(smallest, triangleArea(*mesh, t));
        }
        EXPECT_GT(smallest, 1e-4) << "a degenerate triangle";
    }
    EXPECT_EQ(image.indices.size() % 3, 0u);
    EXPECT_EQ(image.staticIndices.size() % 3, 0u);
    // In vertex-cache order, or the software renderer shades each vertex three to four times.
    EXPECT_LE(transformedVertexRatio(image.indices, head.base.positions.size()), 1.5);
    EXPECT_LE(transformedVertexRatio(image.staticIndices, head.statics.positions.size()), 1.5);
}

TEST(HeadModel, NormalsAreUnitAndWMarksTheGlazedParts) {
    const LoadedHead& head = loaded();
    auto check = [](const std::vector<glm::dvec3>& normals, const std::vector<float>& w,
                    const std::vector<float>& baseW, const std::string& what) {
        for (std::size_t i = 0; i < normals.size(); ++i) {
            ASSERT_NEAR(glm::length(normals[i]), 1.0, 1e-5) << what << " vertex " << i;
            ASSERT_TRUE(w[i] == 0.0f || w[i] == 1.0f) << what << " vertex " << i;
            ASSERT_EQ(w[i], baseW[i]) << what << " vertex " << i;
        }
    };
    check(head.baseNormals, head.baseW, head.baseW, "base");
    // The upper teeth are glazed throughout.
    check(head.staticNormals, head.staticW, std::vector<float>(head.staticW.size(), 1.0f),
          "static");
    for (std::size_t k = 0; k < head.targetNames.size(); ++k)
        check(head.targetNormals[k], head.targetW[k], head.baseW, head.targetNames[k]);
    // The eyeballs are glazed, the skin is not.
    const auto parts = eyeballs(head);
    for (std::size_t t : parts.at(0))
        ASSERT_EQ(head.baseW[static_cast<std::size_t>(head.base.triangles[t][0])], 1.0f);
    EXPECT_EQ(head.baseW[head.nearestVertex({0.0, 80.0, -8.0})], 0.0f);
    // The normals face out of the surface: along the direction from the head's axis at the
    // crown, forwards at the nose tip.
    const std::size_t crown = head.nearestVertex({0.0, 80.0, -8.0});
    EXPECT_GT(head.baseNormals[crown].y, 0.9);
    const std::size_t nose = head.nearestVertex({0.0, -35.0, 80.0});
    EXPECT_GT(head.baseNormals[nose].z, 0.7);
}

TEST(HeadModel, SurfacesAreClosedOutwardFacingManifolds) {
    const LoadedHead& head = loaded();
    EXPECT_EQ(badEdgeCount(head.base), 0u);
    EXPECT_EQ(badEdgeCount(head.statics), 0u);
    const auto headParts = components(head.base);
    std::size_t largest = 0;
    for (const auto& part : headParts) {
        EXPECT_GT(signedVolume(head.base, part), 0.0);
        largest = std::max(largest, part.size());
    }
    // One skin from crown to neck; the rest are the lower teeth, the tongue and the eyeballs.
    EXPECT_GT(largest, head.base.triangles.size() * 2 / 3);
    for (const auto& part : components(head.statics))
        EXPECT_GT(signedVolume(head.statics, part), 0.0);
    EXPECT_EQ(eyeCentres(head).size(), 2u);
}

TEST(HeadModel, SitsWhereTheCameraLooks) {
    const LoadedHead& head = loaded();
    glm::dvec3 lo(1e300), hi(-1e300);
    for (const auto& p : head.base.positions) {
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
    EXPECT_NEAR(hi.y - lo.y, 185.0, 15.0) << "head and neck height";
    EXPECT_NEAR(lo.x + hi.x, 0.0, 1e-3) << "centred on the y axis";
    const auto eyes = eyeCentres(head);
    ASSERT_EQ(eyes.size(), 2u);
    for (const auto& eye : eyes)
        EXPECT_NEAR(eye.y, -10.0, 2.0);
    EXPECT_NEAR(eyes[0].x, -eyes[1].x, 1e-3);
    // The face looks along +z: the frontmost point is the nose, on the middle line.
    const auto front =
        *std::max_element(head.base.positions.begin(), head.base.positions.end(),
                          [](const glm::dvec3& a, const glm::dvec3& b) { return a.z < b.z; });
    EXPECT_LT(std::abs(front.x), 1.5);
    EXPECT_GT(front.y, -45.0);
    EXPECT_LT(front.y, -25.0);

    // Seen by the demo's start camera, every vertex lies inside the picture with a margin.
    const glm::dmat4 view =
        glm::lookAtRH(glm::dvec3(0, -10, 450), glm::dvec3(0, -10, 0), glm::dvec3(0, 1, 0));
    const glm::dmat4 projection =
        glm::perspectiveRH_ZO(std::numbers::pi / 6.0, 4.0 / 3.0, 0.1, 3000.0);
    double extentX = 0.0, extentY = 0.0;
    for (const MeshView* mesh : {&head.base, &head.statics})
        for (const auto& p : mesh->positions) {
            const glm::dvec4 clip = projection * view * glm::dvec4(p, 1.0);
            extentX = std::max(extentX, std::abs(clip.x / clip.w));
            extentY = std::max(extentY, std::abs(clip.y / clip.w));
        }
    EXPECT_LT(extentX, 0.8);
    EXPECT_LT(extentY, 0.96);
    EXPECT_GT(extentY, 0.6) << "the head fills the picture";
}

TEST(HeadModel, NeutralSurfaceIsSmoothAndFreeOfSelfIntersection) {
    const LoadedHead& head = loaded();
    // Smooth: no fold or spike. The sharpest creases meant to be there are the corners of the
    // mouth and of the eyes, and the groove where the ear meets the head.
    std::map<std::uint64_t, std::vector<glm::dvec3>> faceNormalsByEdge;
    for (const auto& t : head.base.triangles) {
        const glm::dvec3 n =
            glm::normalize(glm::cross(head.base.positions[t[1]] - head.base.positions[t[0]],
                                      head.base.positions[t[2]] - head.base.positions[t[0]]));
        for (int i = 0; i < 3; ++i) {
            const auto a = static_cast<std::uint32_t>(std::min(t[i], t[(i + 1) % 3]));
            const auto b = static_cast<std::uint32_t>(std::max(t[i], t[(i + 1) % 3]));
            faceNormalsByEdge[(std::uint64_t(a) << 32) | b].push_back(n);
        }
    }
    std::vector<double> bends;
    for (const auto& [edge, normals] : faceNormalsByEdge)
        if (normals.size() == 2)
            bends.push_back(std::acos(std::clamp(glm::dot(normals[0], normals[1]), -1.0, 1.0)));
    std::sort(bends.begin(), bends.end());
    const double degrees = 180.0 / std::numbers::pi;
    EXPECT_LT(bends.back() * degrees, 95.0) << "sharpest bend between neighbouring triangles";
    EXPECT_LT(bends[bends.size() * 999 / 1000] * degrees, 50.0);
    EXPECT_LT(bends[bends.size() / 2] * degrees, 5.0) << "typical bend";

    EXPECT_EQ(crossingTriangles(combined(head.base.positions, head)).size(), 0u);
}

TEST(HeadModel, GlbImportsBackAsTheSameHeadUpToFraming) {
    const MeshFileImage& image = generated().meshFile;
    const std::string glb = encodeHeadGlb(image);
    const ImportedModel imported = convertGltf(
        {reinterpret_cast<const std::uint8_t*>(glb.data()), glb.size()}, {}, ExternalFiles::Refuse);
    const MeshFileImage& back = imported.meshFile;
    ASSERT_EQ(back.targetNames, image.targetNames);
    ASSERT_EQ(back.vertexCount, image.vertexCount);
    ASSERT_EQ(back.staticVertexCount, image.staticVertexCount);
    ASSERT_EQ(back.indices.size(), image.indices.size());

    // The importer scales and moves the whole model: find how from the two heights.
    const auto yRange = [](const MeshFileImage& m) {
        float lo = 1e30f, hi = -1e30f;
        for (const auto* vertices : {&m.baseVertices, &m.staticVertices})
            for (std::size_t i = 1; i < vertices->size(); i += 7) {
                lo = std::min(lo, (*vertices)[i]);
                hi = std::max(hi, (*vertices)[i]);
            }
        return std::pair{lo, hi};
    };
    const auto [lo, hi] = yRange(image);
    const auto [backLo, backHi] = yRange(back);
    const double scale = (backHi - backLo) / double(hi - lo);
    const auto position = [](const std::vector<float>& v, std::size_t i) {
        return glm::dvec3(v[i * 7], v[i * 7 + 1], v[i * 7 + 2]);
    };
    // The offset from the neutral nose tip, the frontmost vertex of both.
    const auto front = [&](const MeshFileImage& m) {
        std::size_t best = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(m.vertexCount); ++i)
            if (m.baseVertices[i * 7 + 2] > m.baseVertices[best * 7 + 2])
                best = i;
        return position(m.baseVertices, best);
    };
    const glm::dvec3 offset = front(back) - scale * front(image);

    // Every imported vertex is an original one, glazed as it was, and every target moves it the
    // same way.
    std::map<std::tuple<long, long, long>, std::size_t> byCell;
    const auto cell = [](const glm::dvec3& p) {
        return std::tuple{std::lround(p.x * 20.0), std::lround(p.y * 20.0),
                          std::lround(p.z * 20.0)};
    };
    const auto count = static_cast<std::size_t>(image.vertexCount);
    for (std::size_t i = 0; i < count; ++i)
        byCell[cell(scale * position(image.baseVertices, i) + offset)] = i;
    double worst = 0.0;
    std::size_t unmatched = 0;
    std::size_t glazeChanged = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto found = byCell.find(cell(position(back.baseVertices, i)));
        if (found == byCell.end()) {
            ++unmatched;
            continue;
        }
        const std::size_t j = found->second;
        glazeChanged += back.baseVertices[i * 7 + 6] != image.baseVertices[j * 7 + 6] ? 1 : 0;
        for (std::size_t k = 0; k < image.targetBlocks.size(); ++k)
            worst =
                std::max(worst, glm::distance(position(back.targetBlocks[k], i),
                                              scale * position(image.targetBlocks[k], j) + offset));
    }
    EXPECT_LT(unmatched, count / 1000) << "imported vertices that are no original vertex";
    EXPECT_LT(worst, 0.01);
    EXPECT_EQ(glazeChanged, 0u);
    for (std::size_t i = 6; i < back.staticVertices.size(); i += 7)
        ASSERT_EQ(back.staticVertices[i], 1.0f) << "static vertex " << i / 7;
}
