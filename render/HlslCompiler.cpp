#include "render/HlslCompiler.h"

#include "common/DataFile.h"
#include "common/DemoError.h"
#include "render/ShaderSemantics.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <optional>
#include <spirv_cross/spirv_glsl.hpp>
#include <sstream>
#include <vector>

namespace {
constexpr const char* entryPoint = "Main";
constexpr const char* globalBlockName = "$Global";
constexpr int hlslVersion = 100;

// glslang keeps process-wide tables: set them up once, on first use.
void ensureGlslangInitialised() {
    struct Process {
        Process() { glslang::InitializeProcess(); }
        ~Process() { glslang::FinalizeProcess(); }
    };
    static Process process;
}

// The reason goes up with the compiler's own messages, which say where in the source it failed;
// the entry point writes it to standard error once.
[[noreturn]] void fail(const std::string& sourceName, const std::string& reason,
                       std::string messages) {
    while (!messages.empty() && (messages.back() == '\n' || messages.back() == ' '))
        messages.pop_back();
    throw DemoError(sourceName + ": " + reason + (messages.empty() ? "" : ":\n" + messages));
}

// A few kilobytes make a real shader. Sources of a megabyte make the OpenGL driver's compiler
// run for minutes and then crash, so anything far beyond a real shader is refused unread.
constexpr std::uintmax_t maxSourceBytes = 64 * 1024;

void requireSaneSize(std::uintmax_t bytes, const std::string& sourceName) {
    if (bytes > maxSourceBytes)
        fail(sourceName,
             "the shader is " + std::to_string(bytes) + " bytes long, more than the " +
                 std::to_string(maxSourceBytes) + " a shader may have",
             "");
}

std::vector<std::uint32_t> compileToSpirv(const std::string& source, const std::string& sourceName,
                                          ShaderType type) {
    ensureGlslangInitialised();
    const EShLanguage stage = type == ShaderType::Vertex ? EShLangVertex : EShLangFragment;
    const auto messages = static_cast<EShMessages>(EShMsgReadHlsl | EShMsgSpvRules |
                                                   EShMsgVulkanRules | EShMsgHlslDX9Compatible);

    glslang::TShader shader(stage);
    const char* text = source.c_str();
    const int length = static_cast<int>(source.size());
    const char* name = sourceName.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setEntryPoint(entryPoint);
    shader.setSourceEntryPoint(entryPoint);
    shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan, hlslVersion);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    if (!shader.parse(GetDefaultResources(), hlslVersion, false, messages)) {
        fail(sourceName, "does not compile", shader.getInfoLog());
    }

    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages) || !program.mapIO()) {
        fail(sourceName, "does not link", program.getInfoLog());
    }
    std::vector<std::uint32_t> spirv;
    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    // Legalises what HLSL lets through (sampler copies, struct returns) for the translator.
    options.disableOptimizer = false;
    glslang::GlslangToSpv(*program.getIntermediate(stage), spirv, &logger, &options);
    if (spirv.empty()) {
        fail(sourceName, "cannot be translated to SPIR-V", logger.getAllMessages());
    }
    return spirv;
}

class Translator {
  public:
    Translator(std::vector<std::uint32_t> spirv, std::string sourceName, ShaderType type)
        : glsl_(std::move(spirv)), sourceName_(std::move(sourceName)), type_(type) {}

    CompiledShader translate() {
        const spirv_cross::ShaderResources resources =
            glsl_.get_shader_resources(glsl_.get_active_interface_variables());
        // A Buffer<uint4> is read with Load and needs no sampler: it stands with the samplers.
        spirv_cross::SmallVector<spirv_cross::Resource> samplers = resources.sampled_images;
        for (const spirv_cross::Resource& image : resources.separate_images) {
            if (glsl_.get_type(image.type_id).image.dim != spv::DimBuffer) {
                fail(sourceName_, "uses a texture without a sampler other than a Buffer", "");
            }
            samplers.push_back(image);
        }
        if (!resources.separate_samplers.empty() || !resources.storage_buffers.empty() ||
            !resources.storage_images.empty()) {
            fail(sourceName_, "uses resources other than samplers, buffers and global constants",
                 "");
        }
        std::vector<ConstantDescription> constants;
        std::uint32_t blockSize = 0;
        for (const spirv_cross::Resource& buffer : resources.uniform_buffers) {
            blockSize = describeGlobals(buffer, constants);
        }
        describeSamplers(std::move(samplers), constants);
        // Every input and output gets its location, used or not, so none keeps a location that
        // glslang assigned and that could clash with one given here.
        const spirv_cross::ShaderResources interface = glsl_.get_shader_resources();
        placeInputs(interface.stage_inputs);
        placeOutputs(interface.stage_outputs);

        spirv_cross::CompilerGLSL::Options options;
        options.version = 450;
        options.es = false;
        options.separate_shader_objects = true;
        options.vertex.fixup_clipspace = false; // depth stays 0 .. 1 (glClipControl)
        options.vertex.flip_vert_y = false;
        glsl_.set_common_options(options);
        return CompiledShader{glsl_.compile(), ConstantTable(std::move(constants), blockSize)};
    }

  private:
    std::uint32_t describeGlobals(const spirv_cross::Resource& buffer,
                                  std::vector<ConstantDescription>& constants) {
        if (glsl_.get_name(buffer.base_type_id) != globalBlockName) {
            fail(sourceName_, "declares a constant buffer; only global constants are supported",
                 "");
        }
        const spirv_cross::SPIRType& block = glsl_.get_type(buffer.base_type_id);
        for (const spirv_cross::BufferRange& range : glsl_.get_active_buffer_ranges(buffer.id)) {
            const spirv_cross::SPIRType& member = glsl_.get_type(block.member_types[range.index]);
            ConstantDescription constant;
            constant.name = glsl_.get_member_name(buffer.base_type_id, range.index);
            constant.offset = glsl_.type_struct_member_offset(block, range.index);
            constant.size = static_cast<std::uint32_t>(
                glsl_.get_declared_struct_member_size(block, range.index));
            constant.shape = shapeOf(member);
            // SPIR-V row-major is HLSL's default column-major packing (glslang swaps the two).
            constant.transposeMatrix = glsl_.has_member_decoration(buffer.base_type_id, range.index,
                                                                   spv::DecorationRowMajor);
            constants.push_back(std::move(constant));
        }
        glsl_.set_decoration(buffer.id, spv::DecorationBinding, uniformBinding(type_));
        glsl_.unset_decoration(buffer.id, spv::DecorationDescriptorSet);
        return static_cast<std::uint32_t>(glsl_.get_declared_struct_size(block));
    }

    static ConstantShape shapeOf(const spirv_cross::SPIRType& type) {
        if (type.basetype != spirv_cross::SPIRType::Float) {
            return ConstantShape::Other;
        }
        if (type.columns == 1) {
            return ConstantShape::FloatValue;
        }
        if (type.columns == 4 && type.vecsize == 4 && type.array.empty()) {
            return ConstantShape::Matrix4x4;
        }
        return ConstantShape::Other;
    }

    // Texture units follow the order in which the shader declares its samplers. glslang binds
    // resources in declaration order (the optimiser may reorder the variables themselves), so
    // its bindings give that order; the units are then numbered over the used samplers from the
    // stage's first unit.
    void describeSamplers(spirv_cross::SmallVector<spirv_cross::Resource> samplers,
                          std::vector<ConstantDescription>& constants) {
        std::sort(samplers.begin(), samplers.end(), [this](const auto& a, const auto& b) {
            const std::uint32_t bindingA = glsl_.get_decoration(a.id, spv::DecorationBinding);
            const std::uint32_t bindingB = glsl_.get_decoration(b.id, spv::DecorationBinding);
            return bindingA != bindingB ? bindingA < bindingB : a.id < b.id;
        });
        const std::uint32_t firstUnit = firstSamplerUnit(type_);
        const std::uint32_t unitCount =
            type_ == ShaderType::Vertex ? vertexSamplerCount : pixelSamplerCount;
        if (samplers.size() > unitCount) {
            fail(sourceName_,
                 "uses " + std::to_string(samplers.size()) + " samplers, more than the " +
                     std::to_string(unitCount) + " of its stage",
                 "");
        }
        std::uint32_t unit = firstUnit;
        for (const spirv_cross::Resource& sampler : samplers) {
            ConstantDescription constant;
            constant.name = sampler.name;
            constant.isSampler = true;
            constant.samplerUnit = unit;
            constants.push_back(std::move(constant));
            glsl_.set_decoration(sampler.id, spv::DecorationBinding, unit);
            glsl_.unset_decoration(sampler.id, spv::DecorationDescriptorSet);
            ++unit;
        }
    }

    Semantic semanticOf(const spirv_cross::Resource& variable) const {
        const std::string& text =
            glsl_.get_decoration_string(variable.id, spv::DecorationHlslSemanticGOOGLE);
        if (text.empty()) {
            fail(sourceName_, "input or output \"" + variable.name + "\" has no semantic", "");
        }
        return parseSemantic(text);
    }

    void placeInputs(const spirv_cross::SmallVector<spirv_cross::Resource>& inputs) {
        for (const spirv_cross::Resource& input : inputs) {
            const Semantic semantic = semanticOf(input);
            const std::optional<std::uint32_t> location = type_ == ShaderType::Vertex
                                                              ? vertexInputLocation(semantic)
                                                              : varyingLocation(semantic);
            if (!location) {
                fail(sourceName_,
                     "input semantic " + semantic.name + std::to_string(semantic.index) +
                         " is not supported",
                     "");
            }
            glsl_.set_decoration(input.id, spv::DecorationLocation, *location);
        }
    }

    void placeOutputs(const spirv_cross::SmallVector<spirv_cross::Resource>& outputs) {
        for (const spirv_cross::Resource& output : outputs) {
            const Semantic semantic = semanticOf(output);
            if (type_ == ShaderType::Vertex && isClipPosition(semantic)) {
                glsl_.unset_decoration(output.id, spv::DecorationLocation);
                glsl_.set_decoration(output.id, spv::DecorationBuiltIn, spv::BuiltInPosition);
                continue;
            }
            const std::optional<std::uint32_t> location = type_ == ShaderType::Vertex
                                                              ? varyingLocation(semantic)
                                                              : pixelOutputLocation(semantic);
            if (!location) {
                fail(sourceName_,
                     "output semantic " + semantic.name + std::to_string(semantic.index) +
                         " is not supported",
                     "");
            }
            glsl_.set_decoration(output.id, spv::DecorationLocation, *location);
        }
    }

    spirv_cross::CompilerGLSL glsl_;
    std::string sourceName_;
    ShaderType type_;
};
} // namespace

CompiledShader compileHlslSource(const std::string& source, const std::string& sourceName,
                                 ShaderType type) {
    requireSaneSize(source.size(), sourceName);
    std::vector<std::uint32_t> spirv = compileToSpirv(source, sourceName, type);
    try {
        return Translator(std::move(spirv), sourceName, type).translate();
    } catch (const spirv_cross::CompilerError& error) {
        fail(sourceName, "cannot be translated to GLSL", error.what());
    }
}

CompiledShader compileHlslFile(const std::filesystem::path& path, ShaderType type) {
    const std::string sourceName = path.string();
    if (const auto reason = whyNotARegularFile(path)) {
        fail(sourceName, "cannot open shader file: " + *reason, "");
    }
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    if (!sizeError) {
        requireSaneSize(size, sourceName);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        fail(sourceName, "cannot open shader file: " + std::generic_category().message(errno), "");
    }
    std::ostringstream source;
    source << file.rdbuf();
    if (file.bad()) {
        fail(sourceName, "cannot read shader file", "");
    }
    return compileHlslSource(source.str(), sourceName, type);
}
