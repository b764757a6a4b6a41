// Times the render side of start-up, stage by stage, as the demo runs it: the window, the device
// with its context, the four shader compiles, the noise volume and its upload, the colour ramp, the
// head model. Run from the build directory (the shaders are read from data/shaders/), with a
// display or under xvfb-run.

#include "model/MorphMesh.h"
#include "render/ColorRamp.h"
#include "render/NoiseVolume.h"
#include "render/RenderDevice.h"
#include "render/SurfaceFormat.h"

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
double millisecondsOf(const std::function<void()>& stage) {
    const auto start = std::chrono::steady_clock::now();
    stage();
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

void print(const char* stage, double milliseconds) {
    std::printf("%-40s %9.2f ms\n", stage, milliseconds);
}
} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFormat(deviceSurfaceFormat());
    window.resize(backBufferSize.width, backBufferSize.height);

    std::unique_ptr<RenderDevice> device;
    double total = 0;
    auto stage = [&total](const char* name, const std::function<void()>& work) {
        const double ms = millisecondsOf(work);
        total += ms;
        print(name, ms);
    };

    // The first OpenGL window loads the driver; the demo creates its window before the device.
    stage("window (loads the OpenGL driver)", [&] { window.create(); });
    stage("device and OpenGL context",
          [&] { device = std::make_unique<RenderDevice>(WindowTarget{&window}); });
    const struct {
        const char* name;
        const char* path;
        ShaderType type;
    } shaders[] = {
        {"compile morphVertexShader.vsh", "data/shaders/morphVertexShader.vsh", ShaderType::Vertex},
        {"compile morphPixelShader.psh", "data/shaders/morphPixelShader.psh", ShaderType::Pixel},
        {"compile staticVertexShader.vsh", "data/shaders/staticVertexShader.vsh",
         ShaderType::Vertex},
        {"compile staticPixelShader.psh", "data/shaders/staticPixelShader.psh", ShaderType::Pixel},
    };
    for (const auto& shader : shaders) {
        stage(shader.name, [&] { device->createShader(shader.path, shader.type); });
    }
    std::vector<std::uint8_t> volume(noiseVolumeBytes);
    stage("noise volume (fillNoiseVolume)", [&] { fillNoiseVolume(volume.data()); });
    stage("noise volume upload", [&] { device->createVolumeTexture(volume.data()); });
    stage("colour ramp (buildGradientTexture)", [&] { buildGradientTexture(*device); });
    stage("head model (read, uploads)",
          [&] { loadHeadModel("data/meshes/headModelNew.dat", *device, 7); });
    print("total", total);

    // The volume again, warm, for a steadier figure of the generator alone.
    constexpr int repeats = 10;
    std::vector<double> runs;
    for (int k = 0; k < repeats; ++k) {
        runs.push_back(millisecondsOf([&] { fillNoiseVolume(volume.data()); }));
    }
    std::sort(runs.begin(), runs.end());
    std::printf("\nfillNoiseVolume over %d runs: min %.2f ms, median %.2f ms, max %.2f ms\n",
                repeats, runs.front(), runs[repeats / 2], runs.back());
    return 0;
}
