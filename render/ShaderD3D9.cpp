#include "render/ShaderD3D9.h"

#include "common/DemoError.h"
#include "render/GlErrors.h"

#include <QOpenGLFunctions_4_5_Core>
#include <algorithm>
#include <utility>
#include <vector>

namespace {
std::string programLog(QOpenGLFunctions_4_5_Core& gl, GLuint program) {
    GLint length = 0;
    gl.glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    gl.glGetProgramInfoLog(program, length, nullptr, log.data());
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    return log;
}
} // namespace

ShaderD3D9::ShaderD3D9(ShaderType type, QOpenGLFunctions_4_5_Core& gl, const std::string& glsl,
                       ConstantTable constants, std::string sourceName)
    : type_(type), gl_(gl), sourceName_(std::move(sourceName)),
      constantTable_(std::move(constants)) {
    const GLenum stage = type == ShaderType::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
    const char* source = glsl.c_str();
    program_ = GlProgram(gl_, gl_.glCreateShaderProgramv(stage, 1, &source));
    GLint linked = GL_FALSE;
    if (program_.get() != 0) {
        gl_.glGetProgramiv(program_.get(), GL_LINK_STATUS, &linked);
    }
    if (linked != GL_TRUE) {
        const std::string log =
            program_.get() != 0 ? programLog(gl_, program_.get()) : std::string();
        throw DemoError(sourceName_ + ": the translated program does not link" +
                        (log.empty() ? "" : ":\n" + log));
    }
    const std::uint32_t blockSize = constantTable_.uniformBlockSize();
    if (blockSize > 0) {
        const std::vector<std::uint8_t> zeros(blockSize, 0);
        uniformBuffer_ = createGlBuffer(gl_);
        gl_.glNamedBufferStorage(uniformBuffer_.get(), blockSize, zeros.data(),
                                 GL_DYNAMIC_STORAGE_BIT);
    }
}

ConstantHandle ShaderD3D9::handleOf(const std::string& name) {
    const auto cached = handleCache_.find(name);
    if (cached != handleCache_.end()) {
        return cached->second;
    }
    const ConstantHandle handle = constantTable_.constantByName(name);
    handleCache_.emplace(name, handle);
    return handle;
}

ConstantHandle ShaderD3D9::numericConstant(const std::string& name, ConstantShape shape) {
    const ConstantHandle constant = handleOf(name);
    if (constant == nullptr) {
        throw DemoError(sourceName_ + ": no constant \"" + name + "\" is used by the shader");
    }
    if (constant->isSampler || constant->shape != shape) {
        const char* expected = shape == ConstantShape::Matrix4x4 ? "a 4x4 matrix" : "a float";
        throw DemoError(sourceName_ + ": constant \"" + name + "\" is not " + expected);
    }
    return constant;
}

void ShaderD3D9::write(ConstantHandle constant, const void* data, std::uint32_t size,
                       const char* operation, const std::string& name) {
    // Like D3DX, a value longer than its constant fills what the constant holds.
    gl_.glNamedBufferSubData(uniformBuffer_.get(), constant->offset, std::min(size, constant->size),
                             data);
    // The message is only built on failure: constants are written every frame.
    if (const GLenum error = gl_.glGetError(); error != GL_NO_ERROR) {
        throwGlError(gl_, error, sourceName_ + ": " + operation + " \"" + name + "\"");
    }
}

void ShaderD3D9::setFloat(const std::string& name, float value) {
    write(numericConstant(name, ConstantShape::FloatValue), &value, sizeof value, "setFloat", name);
}

void ShaderD3D9::setVector(const std::string& name, const glm::vec4& value) {
    write(numericConstant(name, ConstantShape::FloatValue), &value[0], sizeof value, "setVector",
          name);
}

void ShaderD3D9::setVectorArray(const std::string& name, const glm::vec4* values,
                                std::uint32_t count) {
    write(numericConstant(name, ConstantShape::FloatValue), values,
          count * static_cast<std::uint32_t>(sizeof(glm::vec4)), "setVectorArray", name);
}

void ShaderD3D9::setMatrix(const std::string& name, const glm::mat4& value) {
    const ConstantHandle constant = numericConstant(name, ConstantShape::Matrix4x4);
    const glm::mat4 stored = constant->transposeMatrix ? glm::transpose(value) : value;
    write(constant, &stored[0][0], sizeof stored, "setMatrix", name);
}

std::uint32_t ShaderD3D9::getSamplerIndex(const std::string& name) {
    const ConstantHandle constant = handleOf(name);
    if (constant == nullptr) {
        throw DemoError(sourceName_ + ": no sampler \"" + name + "\" is used by the shader");
    }
    if (!constant->isSampler) {
        throw DemoError(sourceName_ + ": constant \"" + name + "\" is not a sampler");
    }
    return constant->samplerUnit;
}
