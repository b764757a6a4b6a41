#pragma once

#include "render/RenderDevice.h"
#include "tests/support/TemporaryDirectory.h"

#include <QWindow>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A hidden 800 x 600 window with a render device on it, made the way the demo makes them; or,
// with windowSamples, on a window that already has a multisampled framebuffer, as a driver
// that forces anti-aliasing gives it.
struct GlTestDevice {
    explicit GlTestDevice(int windowSamples = 0);
    QWindow window;
    std::unique_ptr<RenderDevice> device;
};

// A vertex in the layout of the meshes: position, then a four-float normal. The test shaders
// read the normal slot as the vertex's colour.
struct TestVertex {
    float x, y, z;
    float r, g, b, a;
};

// The two-element declaration of the static mesh: POSITION0 float3, NORMAL0 float4, stream 0.
std::int32_t createPositionNormalDeclaration(RenderDevice& device);

// A vertex shader that transforms by "viewProj" and passes the colour on, and a pixel shader that
// outputs it; rowMajor declares the matrix row_major.
std::string colourVertexShaderSource(bool rowMajor = false);
std::string colourPixelShaderSource();
