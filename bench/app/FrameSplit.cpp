#include "FrameSplit.h"

#include "render/ProceduralTextures.h"
#include "render/Scene.h"
#include "render/ShaderD3D9.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The simplest shaders that draw the meshes: the position through viewProj, one flat colour.
const char* const floorVertexSource = R"(float4x4 viewProj;
float4 Main(float3 position : POSITION0) : POSITION
{
    return mul(float4(position, 1.0), viewProj);
}
)";
const char* const flatPixelSource = R"(float4 Main() : COLOR
{
    return float4(0.55, 0.65, 0.8, 1.0);
}
)";

ShaderD3D9* compileSource(Scene& scene, const char* source, const char* fileName, ShaderType type) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / fileName;
    std::ofstream(path) << source;
    ShaderD3D9* shader = scene.createShader(path, type);
    std::filesystem::remove(path);
    return shader;
}

// Wall time and the CPU time of all threads (the renderer's included), medians over frames.
// The CPU time is the steadier figure on a machine that is busy with other work.
struct FrameCost {
    double wall;
    double cpu;
};

FrameCost medianCost(const std::function<void()>& frame) {
    constexpr int frames = 40;
    std::vector<double> walls, cpus;
    for (int k = 0; k < frames; ++k) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = processCpuMilliseconds();
        frame();
        cpus.push_back(processCpuMilliseconds() - cpuStart);
        walls.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    for (auto* values : {&walls, &cpus})
        std::nth_element(values->begin(), values->begin() + frames / 2, values->end());
    return {walls[frames / 2], cpus[frames / 2]};
}

// The two draws of a frame, with the given shaders in place of the demo's. A null pixel
// shader of the demo's kind is not used: the flat one takes no textures or constants.
struct DrawShaders {
    ShaderD3D9* morphVertex;
    ShaderD3D9* staticVertex;
    ShaderD3D9* pixel;
    bool demoVertexShaders;
};

void drawFrame(Scene& scene, const HeadModel& head, const DrawShaders& shaders) {
    const glm::mat4 viewProj = multiplyRowMajor(scene.camera().view(), scene.camera().projection());
    scene.clear(0xFFFFFFFF, 1.0f, 0);
    scene.beginScene();

    // The triangles the scene's last frame drew: both heads come from the same file, so the
    // scene's level fits this head's vertices, and every row of the split draws the same ones.
    const MorphMesh& morph = *head.morphMesh;
    scene.bindVertexDeclaration(morph.vertexDeclaration);
    scene.bindIndexBuffer(scene.drawnHeadIndexBuffer());
    scene.bindVertexBuffer(0, morph.baseVertexBuffer);
    const MorphChannelSet& channels = morph.channelSet;
    for (std::int32_t channel = 0; channel < channels.channelCount(); ++channel) {
        scene.bindVertexBuffer(static_cast<std::uint32_t>(channel) + 1,
                               morph.targetVertexBuffer(channels.getChannelTarget(channel)));
        if (shaders.demoVertexShaders)
            shaders.morphVertex->setFloat("weight" + std::to_string(channel), 0.5f);
    }
    scene.bindShader(shaders.morphVertex);
    scene.bindShader(shaders.pixel);
    shaders.morphVertex->setMatrix("viewProj", viewProj);
    if (shaders.demoVertexShaders)
        shaders.morphVertex->setVector("eyePosition", glm::vec4(scene.camera().eye(), 0.0f));
    scene.drawIndexed();

    const StaticMeshBuffers& statics = *head.staticMesh;
    scene.bindVertexDeclaration(statics.vertexDeclaration);
    scene.bindIndexBuffer(scene.drawnStaticIndexBuffer());
    scene.bindVertexBuffer(0, statics.vertexBuffer);
    scene.bindShader(shaders.staticVertex);
    shaders.staticVertex->setMatrix("viewProj", viewProj);
    if (shaders.demoVertexShaders)
        shaders.staticVertex->setVector("eyePosition", glm::vec4(scene.camera().eye(), 0.0f));
    scene.drawIndexed();

    scene.endScene();
    scene.present();
}

void drawNothing(Scene& scene) {
    scene.clear(0xFFFFFFFF, 1.0f, 0);
    scene.beginScene();
    scene.endScene();
    scene.present();
}

// Frames back to back, as the demo's loop runs them: nothing waits for a picture but the
// present itself. The deviation of the frame with no draw is what the platform's scheduling
// alone adds.
struct Pace {
    double mean;
    double deviation;
};

Pace backToBack(const std::function<void()>& frame) {
    constexpr double seconds = 3.0;
    std::vector<double> starts;
    const auto begin = std::chrono::steady_clock::now();
    double now = 0.0;
    while (now < seconds * 1000.0) {
        starts.push_back(now);
        frame();
        now = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                  .count();
    }
    starts.push_back(now);
    const double mean = (starts.back() - starts.front()) / static_cast<double>(starts.size() - 1);
    double squares = 0.0;
    for (std::size_t i = 1; i < starts.size(); ++i)
        squares += (starts[i] - starts[i - 1] - mean) * (starts[i] - starts[i - 1] - mean);
    return {mean, std::sqrt(squares / static_cast<double>(starts.size() - 1))};
}

} // namespace

double processCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double printFrameSplit(Scene& scene) {
    // The head again on the same device: the scene keeps its own meshes to itself.
    const HeadModel head = loadHeadModel("data/meshes/headModelNew.dat", scene, 7);
    ShaderD3D9* floorVertex =
        compileSource(scene, floorVertexSource, "mirelda-floor.vsh", ShaderType::Vertex);
    ShaderD3D9* flatPixel =
        compileSource(scene, flatPixelSource, "mirelda-flat.psh", ShaderType::Pixel);
    ShaderD3D9* morphVertex =
        scene.createShader("data/shaders/morphVertexShader.vsh", ShaderType::Vertex);
    ShaderD3D9* staticVertex =
        scene.createShader("data/shaders/staticVertexShader.vsh", ShaderType::Vertex);

    scene.channelSet().setChannelWeight(0.5f, 0);
    const FrameCost demo = medianCost([&] {
        scene.renderFrame(1.0f / 60.0f);
        (void)scene.readBackBuffer();
    });
    const DrawShaders flatShaders{morphVertex, staticVertex, flatPixel, true};
    const DrawShaders floorShaders{floorVertex, floorVertex, flatPixel, false};
    const FrameCost flat = medianCost([&] {
        drawFrame(scene, head, flatShaders);
        (void)scene.readBackBuffer();
    });
    const FrameCost floor = medianCost([&] {
        drawFrame(scene, head, floorShaders);
        (void)scene.readBackBuffer();
    });
    const FrameCost bare = medianCost([&] {
        drawNothing(scene);
        (void)scene.readBackBuffer();
    });

    std::printf("\nFrame split, finished frames (medians of 40, each with a read-back)\n");
    std::printf("                                             wall ms   CPU ms, all threads\n");
    const auto row = [](const char* what, FrameCost cost) {
        std::printf("  %-42s %7.2f %9.2f\n", what, cost.wall, cost.cpu);
    };
    row("demo frame", demo);
    row("demo vertex shaders, flat pixel shader", flat);
    row("floor: position-only vertex, flat pixel", floor);
    row("no draw: clear, present, read-back", bare);
    row("  pixel shading (demo - flat)", {demo.wall - flat.wall, demo.cpu - flat.cpu});
    row("  vertex shading (flat - floor)", {flat.wall - floor.wall, flat.cpu - floor.cpu});
    row("  the draws at their floor (floor - no draw)",
        {floor.wall - bare.wall, floor.cpu - bare.cpu});

    std::printf("\nBack-to-back frames, 3 s each, no read-back                  interval mean   "
                "deviation\n");
    const auto paceRow = [](const char* what, Pace pace) {
        std::printf("  %-52s %10.2f ms %8.2f ms\n", what, pace.mean, pace.deviation);
    };
    // The level of detail the start view gets against full detail, alternately, so that both
    // see the same machine.
    const auto demoFrame = [&] { scene.renderFrame(1.0f / 60.0f); };
    std::vector<Pace> coarse, full;
    for (int round = 0; round < 2; ++round) {
        scene.setFullDetail(false);
        coarse.push_back(backToBack(demoFrame));
        scene.setFullDetail(true);
        full.push_back(backToBack(demoFrame));
    }
    scene.setFullDetail(false);
    scene.renderFrame(1.0f / 60.0f);
    const std::size_t coarseTriangles =
        scene.readIndexBuffer(scene.drawnHeadIndexBuffer()).size() / 3;
    const std::size_t fullTriangles =
        scene.readIndexBuffer(scene.morphMesh().indexBuffer).size() / 3;
    const auto meanOf = [](const std::vector<Pace>& paces) {
        return Pace{(paces[0].mean + paces[1].mean) / 2,
                    (paces[0].deviation + paces[1].deviation) / 2};
    };
    const std::string coarseLabel =
        "demo frame, level of detail (" + std::to_string(coarseTriangles) + " triangles)";
    const std::string fullLabel =
        "demo frame, full detail (" + std::to_string(fullTriangles) + " triangles)";
    paceRow(coarseLabel.c_str(), meanOf(coarse));
    paceRow(fullLabel.c_str(), meanOf(full));
    std::printf("  level of detail / full detail: %.2f\n", meanOf(coarse).mean / meanOf(full).mean);
    paceRow("floor", backToBack([&] { drawFrame(scene, head, floorShaders); }));
    paceRow("no draw", backToBack([&] { drawNothing(scene); }));
    return demo.cpu;
}
