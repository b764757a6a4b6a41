#include "render/Scene.h"

#include "common/DemoError.h"
#include "model/DetailLevelBuilder.h"
#include "model/MeshFileWriter.h"

#include <QDir>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_5_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

constexpr int width = backBufferSize.width;
constexpr int height = backBufferSize.height;
constexpr float quadHalf = 20.0f;
constexpr float shiftX = 60.0f;
const glm::vec3 quadCentre(0.0f, -10.0f, 0.0f);
const glm::vec3 staticCentre(-80.0f, 40.0f, 0.0f);

// A square facing the camera, as 4 vertices of position + normal (w = 0).
std::vector<float> square(const glm::vec3& centre, float half) {
    std::vector<float> vertices;
    for (const auto& corner :
         {glm::vec2(-1, -1), glm::vec2(1, -1), glm::vec2(1, 1), glm::vec2(-1, 1)}) {
        const glm::vec3 p = centre + glm::vec3(corner * half, 0.0f);
        vertices.insert(vertices.end(), {p.x, p.y, p.z, 0.0f, 0.0f, 1.0f, 0.0f});
    }
    return vertices;
}

// The head is a square; target "shiftRight" moves it along +x, the seven others leave it be.
MeshFileImage squareHead() {
    MeshFileImage image;
    image.vertexCount = 4;
    image.baseVertices = square(quadCentre, quadHalf);
    image.indices = {0, 1, 2, 0, 2, 3}; // counter-clockwise seen from +z
    for (const char* name : {"a1", "a2", "a3", "a4", "a5", "a6", "shiftRight", "still"}) {
        image.targetNames.push_back(name);
        image.targetBlocks.push_back(
            square(quadCentre + glm::vec3(std::string(name) == "shiftRight" ? shiftX : 0.0f, 0, 0),
                   quadHalf));
    }
    image.staticVertexCount = 4;
    image.staticVertices = square(staticCentre, 10.0f);
    image.staticIndices = {0, 1, 2, 0, 2, 3};
    return image;
}

struct Box {
    int left = width, top = height, right = -1, bottom = -1;
};

bool isBackground(std::uint32_t argb) {
    const auto channel = [&](int shift) { return (argb >> shift) & 0xFF; };
    return channel(16) > 250 && channel(8) > 250 && channel(0) > 250;
}

// The bounding box of drawn pixels inside a region of the back buffer.
std::optional<Box> drawnBox(const std::vector<std::uint32_t>& pixels, int x0, int y0, int x1,
                            int y1) {
    Box box;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!isBackground(pixels[static_cast<std::size_t>(y * width + x)])) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    if (box.right < 0)
        return std::nullopt;
    return box;
}

// Where the camera puts a world point on the back buffer, in pixels from the top left.
glm::vec2 projectToPixels(Scene& scene, const glm::vec3& point) {
    const glm::mat4 viewProj = multiplyRowMajor(scene.camera().view(), scene.camera().projection());
    const glm::vec4 clip = viewProj * glm::vec4(point, 1.0f);
    const glm::vec2 ndc = glm::vec2(clip) / clip.w;
    return {(ndc.x + 1.0f) * 0.5f * width, (1.0f - ndc.y) * 0.5f * height};
}

class SceneTest : public ::testing::Test {
  protected:
    virtual MeshFileImage head() const { return squareHead(); }

    void SetUp() override {
        ASSERT_TRUE(dataDir.isValid());
        const std::filesystem::path root = dataDir.path().toStdString();
        std::filesystem::create_directories(root / "data/meshes");
        std::filesystem::copy(std::filesystem::current_path() / "data/shaders",
                              root / "data/shaders");
        writeMeshFile(root / "data/meshes/headModelNew.dat", head());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dataDir.path());

        window.setSurfaceType(QSurface::OpenGLSurface);
        window.resize(width, height);
        scene = std::make_unique<Scene>(WindowTarget{&window, width, height});
        QDir::setCurrent(previousDir);
    }

    std::vector<std::uint32_t> frame() {
        scene->renderFrame(1.0f / 60.0f);
        return scene->readBackBuffer();
    }

    // The head square's pixels: everything right of the static square's column.
    std::optional<Box> headBox(const std::vector<std::uint32_t>& pixels) {
        return drawnBox(pixels, width / 2 - 100, 0, width, height);
    }

    void expectHeadAt(const std::vector<std::uint32_t>& pixels, float offsetX) {
        const glm::vec2 low =
            projectToPixels(*scene, quadCentre + glm::vec3(offsetX - quadHalf, -quadHalf, 0));
        const glm::vec2 high =
            projectToPixels(*scene, quadCentre + glm::vec3(offsetX + quadHalf, quadHalf, 0));
        const auto box = headBox(pixels);
        ASSERT_TRUE(box.has_value());
        EXPECT_NEAR(box->left, low.x, 1.5);
        EXPECT_NEAR(box->right + 1, high.x, 1.5);
        EXPECT_NEAR(box->top, high.y, 1.5);
        EXPECT_NEAR(box->bottom + 1, low.y, 1.5);
    }

    QTemporaryDir dataDir;
    QString previousDir;
    QWindow window;
    std::unique_ptr<Scene> scene;
};

TEST_F(SceneTest, ChannelWeightsMoveTheHeadOnTheGpuToThePredictedPixels) {
    MorphChannelSet& channels = scene->channelSet();
    // The seven smallest names: "still" is left out, "shiftRight" is channel 6.
    ASSERT_EQ(channels.getChannelTarget(6), "shiftRight");

    expectHeadAt(frame(), 0.0f);
    channels.setChannelWeight(1.0f, 6);
    expectHeadAt(frame(), shiftX);
    channels.setChannelWeight(0.5f, 6);
    expectHeadAt(frame(), shiftX / 2);

    // Moving the target to another channel keeps the blend; a channel on an unmoved target adds
    // nothing.
    channels.setChannelWeight(0.0f, 6);
    channels.setChannelTarget("shiftRight", 0);
    channels.setChannelWeight(1.0f, 0);
    channels.setChannelTarget("still", 6);
    channels.setChannelWeight(1.0f, 6);
    expectHeadAt(frame(), shiftX);
}

// A render at another size, on an offscreen framebuffer, keeps the start view's vertical
// framing: the head square spans the same share of the picture's height, stays square and
// stays centred.
TEST_F(SceneTest, AWiderOffscreenPictureKeepsTheVerticalFraming) {
    const auto squareIn = [](const std::vector<std::uint32_t>& pixels, int pictureWidth,
                             int pictureHeight) {
        Box box;
        // Right of the static square, which sits left of the centre.
        for (int y = 0; y < pictureHeight; ++y)
            for (int x = pictureWidth / 2 - pictureHeight / 5; x < pictureWidth; ++x)
                if (!isBackground(pixels[static_cast<std::size_t>(y * pictureWidth + x)])) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                }
        return box;
    };
    const Box narrow = squareIn(frame(), width, height);
    QDir::setCurrent(dataDir.path());
    Scene wide(WindowTarget{nullptr, 1280, 720});
    QDir::setCurrent(previousDir);
    wide.renderFrame(1.0f / 60.0f);
    const Box box = squareIn(wide.readBackBuffer(), 1280, 720);
    const double narrowHeight = narrow.bottom - narrow.top + 1;
    const double wideHeight = box.bottom - box.top + 1;
    EXPECT_NEAR(wideHeight, narrowHeight * 720.0 / height, 2.0);
    EXPECT_NEAR(box.right - box.left + 1, wideHeight, 2.0);
    EXPECT_NEAR((box.left + box.right + 1) / 2.0, 640.0, 1.5);
    EXPECT_NEAR((narrow.left + narrow.right + 1) / 2.0, width / 2.0, 1.5);
}

TEST_F(SceneTest, BackgroundIsWhiteAndTheStaticMeshIsDrawnToo) {
    const auto pixels = frame();
    EXPECT_EQ(pixels[0], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[static_cast<std::size_t>(height * width - 1)], 0xFFFFFFFFu);
    const glm::vec2 staticMiddle = projectToPixels(*scene, staticCentre);
    const auto box = drawnBox(pixels, 0, 0, width / 2 - 100, height);
    ASSERT_TRUE(box.has_value());
    EXPECT_NEAR((box->left + box->right + 1) / 2.0, staticMiddle.x, 1.5);
    EXPECT_NEAR((box->top + box->bottom + 1) / 2.0, staticMiddle.y, 1.5);
}

// The sampler state the frame leaves on each texture unit: the noise repeats across the head,
// the ramp's ends hold, and neither filter reads the ramp's mip levels, which are never filled.
TEST_F(SceneTest, NoiseWrapsRampClampsAndNeitherReadsMipLevels) {
    frame();
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_4_5_Core>(
        QOpenGLContext::currentContext());
    ASSERT_NE(gl, nullptr);
    GLint units = 0;
    gl->glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    int volumes = 0;
    int ramps = 0;
    for (GLint unit = 0; unit < std::min(units, 16); ++unit) {
        gl->glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
        GLint volume = 0, ramp = 0, sampler = 0;
        gl->glGetIntegerv(GL_TEXTURE_BINDING_3D, &volume);
        gl->glGetIntegerv(GL_TEXTURE_BINDING_2D, &ramp);
        gl->glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        if (volume == 0 && ramp == 0)
            continue;
        ASSERT_NE(sampler, 0) << "unit " << unit;
        auto parameter = [&](GLenum name) {
            GLint value = 0;
            gl->glGetSamplerParameteriv(static_cast<GLuint>(sampler), name, &value);
            return value;
        };
        const GLint address = volume != 0 ? GL_REPEAT : GL_CLAMP_TO_EDGE;
        EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), address) << "unit " << unit;
        EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), address) << "unit " << unit;
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR) << "unit " << unit;
        EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR) << "unit " << unit;
        ++(volume != 0 ? volumes : ramps);
    }
    gl->glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(volumes, 1);
    EXPECT_EQ(ramps, 1);
}

TEST_F(SceneTest, ATargetTheMeshLacksFailsAtTheNextFrame) {
    scene->channelSet().setChannelTarget("noSuchTarget", 3); // accepted here...
    EXPECT_THROW(scene->renderFrame(0.016f), DemoError);     // ...and refused when drawn
}

TEST_F(SceneTest, InputBeforeTheFirstFrameMovesNothingAndAfterItMovesTheCamera) {
    const glm::vec3 start = scene->camera().eye();
    scene->setDragging(true);
    scene->onMouseMove(10, 0);
    scene->onMouseMove(30, 0);
    scene->onMouseWheel(120);
    EXPECT_EQ(scene->camera().eye(), start);

    scene->renderFrame(0.02f);
    scene->onMouseWheel(120); // 20 units closer
    EXPECT_NEAR(scene->camera().eye().z, start.z - 20.0f, 1e-3f);
    scene->onMouseMove(50, 0); // a turn of 0.01 radians toward +x
    EXPECT_GT(scene->camera().eye().x, 0.0f);
    scene->setDragging(false);
    const glm::vec3 afterDrag = scene->camera().eye();
    scene->onMouseMove(90, 0);
    EXPECT_EQ(scene->camera().eye(), afterDrag);
}

TEST_F(SceneTest, ThePictureChangesOnlyWithWhatItShows) {
    EXPECT_TRUE(scene->pictureChanged()) << "nothing drawn yet";
    frame();
    EXPECT_FALSE(scene->pictureChanged());

    const auto drawnAfter = [&](const std::function<void()>& change) {
        change();
        const bool changed = scene->pictureChanged();
        frame();
        return changed && !scene->pictureChanged();
    };
    MorphChannelSet& channels = scene->channelSet();
    EXPECT_TRUE(drawnAfter([&] { channels.setChannelWeight(0.25f, 3); })) << "a weight";
    EXPECT_TRUE(drawnAfter([&] { channels.setChannelTarget("still", 6); })) << "a target";
    EXPECT_TRUE(drawnAfter([&] { scene->onMouseWheel(-120); })) << "the camera";
    EXPECT_TRUE(drawnAfter([&] { scene->requestRedraw(); })) << "an expose";
    // A resize asks for frames to settle: that many are drawn, then the picture rests again.
    scene->requestRedraw(3);
    for (int settling = 0; settling < 3; ++settling) {
        EXPECT_TRUE(scene->pictureChanged()) << "settling frame " << settling;
        frame();
    }
    EXPECT_FALSE(scene->pictureChanged()) << "after the settling frames";
    // Setting what is already there changes nothing.
    channels.setChannelWeight(0.25f, 3);
    channels.setChannelTarget("still", 6);
    EXPECT_FALSE(scene->pictureChanged());
}

// A flat sheet facing the camera; target "bulge" raises a round bump toward it, which the other
// seven leave flat. Flat at rest, the sheet simplifies to a few triangles: only the levels'
// check in every pose keeps the bump drawable.
MeshFileImage bulgeSheet() {
    constexpr int side = 41;
    constexpr float half = 50.0f, bumpHeight = 15.0f, radius = 6.0f;
    const auto sheet = [&](float bump) {
        std::vector<float> vertices;
        for (int row = 0; row < side; ++row)
            for (int column = 0; column < side; ++column) {
                const float x = -half + 2.0f * half * static_cast<float>(column) / (side - 1);
                const float y = -half + 2.0f * half * static_cast<float>(row) / (side - 1);
                const float z =
                    bump * bumpHeight * std::exp(-(x * x + y * y) / (2 * radius * radius));
                // The slope of the bump gives its normal.
                const glm::vec3 normal = glm::normalize(
                    glm::vec3(x * z / (radius * radius), y * z / (radius * radius), 1));
                vertices.insert(vertices.end(), {quadCentre.x + x, quadCentre.y + y, z, normal.x,
                                                 normal.y, normal.z, 0.0f});
            }
        return vertices;
    };
    MeshFileImage image;
    image.vertexCount = side * side;
    image.baseVertices = sheet(0.0f);
    for (int row = 0; row + 1 < side; ++row)
        for (int column = 0; column + 1 < side; ++column) {
            const int corner = row * side + column;
            image.indices.insert(image.indices.end(), {corner, corner + 1, corner + side + 1,
                                                       corner, corner + side + 1, corner + side});
        }
    for (const char* name : {"a1", "a2", "a3", "a4", "a5", "a6", "bulge"}) {
        image.targetNames.push_back(name);
        image.targetBlocks.push_back(sheet(std::string(name) == "bulge" ? 1.0f : 0.0f));
    }
    image.staticVertexCount = 4;
    image.staticVertices = square(staticCentre, 10.0f);
    image.staticIndices = {0, 1, 2, 0, 2, 3};
    buildDetailChains(image);
    return image;
}

class DetailLevelSceneTest : public SceneTest {
  protected:
    MeshFileImage head() const override { return bulgeSheet(); }
};

// Pixels whose colour differs by more than 10 % in a channel.
int pixelsOff(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16})
            if (std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                         static_cast<int>((b[i] >> shift) & 0xFF)) > 25) {
                ++count;
                break;
            }
    return count;
}

TEST_F(DetailLevelSceneTest, ACoarseLevelFarAwayKeepsATargetsMotionAndFullDetailClose) {
    const MorphMesh& mesh = scene->morphMesh();
    ASSERT_FALSE(mesh.detail.errors.empty());
    const auto triangles = [&](std::int32_t indexBuffer) {
        return scene->readIndexBuffer(indexBuffer).size() / 3;
    };
    MorphChannelSet& channels = scene->channelSet();
    ASSERT_EQ(channels.getChannelTarget(6), "bulge");

    // From the start view a coarse level stands in for the 3,200 triangles.
    const auto flat = frame();
    const std::int32_t coarse = scene->drawnHeadIndexBuffer();
    EXPECT_NE(coarse, mesh.indexBuffer);
    EXPECT_LT(triangles(coarse), triangles(mesh.indexBuffer) / 2);

    // The bump shows, and the coarse level draws it as full detail does.
    channels.setChannelWeight(1.0f, 6);
    const auto bulging = frame();
    EXPECT_EQ(scene->drawnHeadIndexBuffer(), coarse);
    scene->setFullDetail(true);
    const auto bulgingInFull = frame();
    scene->setFullDetail(false);
    EXPECT_GT(pixelsOff(bulgingInFull, flat), 2000);
    EXPECT_LT(pixelsOff(bulging, bulgingInFull), 40);

    // A unit away from the sheet every level's error would show: full detail.
    ASSERT_GT(mesh.detail.errors.front(), 0.001f);
    scene->camera().moveForward(scene->camera().eye().z - 1.0f);
    frame();
    EXPECT_EQ(scene->drawnHeadIndexBuffer(), mesh.indexBuffer);
}

} // namespace
