#pragma once

#include <cstdint>
#include <glm/glm.hpp>
#include <string>

enum class ShaderType : std::int32_t { Vertex = 0, Pixel = 1 };

// A compiled shader whose constants are set by name. Matrices are in the row-vector convention
// (a point is a row vector on the left), laid out as D3DX lays them out.
class IShaderD3D9 {
  public:
    virtual ~IShaderD3D9() = default;
    virtual void setFloat(const std::string& name, float value) = 0;
    virtual void setVector(const std::string& name, const glm::vec4& value) = 0;
    virtual void setMatrix(const std::string& name, const glm::mat4& value) = 0;
    // The texture unit of a sampler constant.
    virtual std::uint32_t getSamplerIndex(const std::string& name) = 0;
};

class ShaderD3D9; // the OpenGL implementation; the render device owns every instance
