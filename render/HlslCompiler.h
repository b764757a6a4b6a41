#pragma once

#include "render/ConstantTable.h"
#include "render/ShaderD3D9.h"

#include <filesystem>
#include <string>

// A shader translated for OpenGL: GLSL 4.50 for a separable program, with vertex inputs at the
// attribute locations of their usages, vertex-to-pixel values at the locations of their
// semantics, the constants in one uniform block at the stage's binding and the samplers (and
// Buffer<uint4> textures) on the stage's texture units in declaration order; plus the table of
// the constants its code references.
struct CompiledShader {
    std::string glsl;
    ConstantTable constants;
};

// Compiles DX9-style HLSL with entry point "Main" as vs_3_0 (Vertex) or ps_3_0 (Pixel). On
// failure, throws DemoError naming the file, with the compiler's messages. A source far larger
// than any real shader is refused before it is compiled.
CompiledShader compileHlslFile(const std::filesystem::path& path, ShaderType type);
CompiledShader compileHlslSource(const std::string& source, const std::string& sourceName,
                                 ShaderType type);
