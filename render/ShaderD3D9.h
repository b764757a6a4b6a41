#pragma once

#include "render/ConstantTable.h"
#include "render/GlName.h"

#include <cstddef>
#include <cstdint>
#include <glm/glm.hpp>
#include <map>
#include <string>

class QOpenGLFunctions_4_5_Core;

enum class ShaderType : std::int32_t { Vertex = 0, Pixel = 1 };

// A compiled shader whose constants are set by name. Matrices are in the row-vector convention
// (a point is a row vector on the left), laid out as D3DX lays them out.
class IShaderD3D9 {
  public:
    virtual ~IShaderD3D9() = default;
    virtual void setFloat(const std::string& name, float value) = 0;
    virtual void setVector(const std::string& name, const glm::vec4& value) = 0;
    virtual void setMatrix(const std::string& name, const glm::mat4& value) = 0;
    // Consecutive vectors from the start of an array constant; more than it holds are cut off.
    virtual void setVectorArray(const std::string& name, const glm::vec4* values,
                                std::uint32_t count) = 0;
    // The texture unit of a sampler constant.
    virtual std::uint32_t getSamplerIndex(const std::string& name) = 0;
};

// The OpenGL shader: a separable program with its own uniform buffer for its constants. Each name
// is looked up in the constant table once and its handle kept; a name the code does not reference
// keeps a null handle, and every use of it throws DemoError. The render device creates and owns
// every instance.
class ShaderD3D9 : public IShaderD3D9 {
  public:
    // Builds the program from GLSL; throws DemoError naming sourceName when it does not link.
    ShaderD3D9(ShaderType type, QOpenGLFunctions_4_5_Core& gl, const std::string& glsl,
               ConstantTable constants, std::string sourceName);
    ShaderD3D9(const ShaderD3D9&) = delete;
    ShaderD3D9& operator=(const ShaderD3D9&) = delete;

    void setFloat(const std::string& name, float value) override;
    void setVector(const std::string& name, const glm::vec4& value) override;
    void setMatrix(const std::string& name, const glm::mat4& value) override;
    void setVectorArray(const std::string& name, const glm::vec4* values,
                        std::uint32_t count) override;
    std::uint32_t getSamplerIndex(const std::string& name) override;

    ShaderType type() const { return type_; }
    std::uint32_t program() const { return program_.get(); }
    // 0 when the code references no numeric constant.
    std::uint32_t uniformBuffer() const { return uniformBuffer_.get(); }
    // How many times a name reached the constant table's lookup.
    std::size_t constantLookupCount() const { return constantTable_.lookupCount(); }

  private:
    ConstantHandle handleOf(const std::string& name);
    ConstantHandle numericConstant(const std::string& name, ConstantShape shape);
    void write(ConstantHandle constant, const void* data, std::uint32_t size, const char* operation,
               const std::string& name);

    ShaderType type_;
    QOpenGLFunctions_4_5_Core& gl_;
    std::string sourceName_;
    GlProgram program_;
    GlBuffer uniformBuffer_;
    ConstantTable constantTable_;
    std::map<std::string, ConstantHandle, std::less<>> handleCache_;
};
