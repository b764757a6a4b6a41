#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How a numeric constant is stored in its shader's uniform block.
enum class ConstantShape {
    FloatValue, // a float scalar, vector or array of them
    Matrix4x4,  // a float4x4
    Other,      // anything the set operations do not write (integers, other matrices, structs)
};

// One constant that a compiled shader's code references.
struct ConstantDescription {
    std::string name;
    bool isSampler = false;
    std::uint32_t samplerUnit = 0; // texture unit, for a sampler
    ConstantShape shape = ConstantShape::Other;
    std::uint32_t offset = 0; // bytes into the uniform block
    std::uint32_t size = 0;   // bytes it occupies there
    // HLSL keeps matrices column by column unless declared row_major; a matrix given row by row
    // (the D3DX layout) is then transposed on its way in.
    bool transposeMatrix = false;
};

// A null handle stands for a name the shader's code does not reference.
using ConstantHandle = const ConstantDescription*;

// What compilation reports about a shader's constants: only those its code references, as the
// constant table of a compiled HLSL shader holds them, plus the size of its uniform block.
class ConstantTable {
  public:
    ConstantTable(std::vector<ConstantDescription> constants, std::uint32_t uniformBlockSize);

    // The top-level constant of that name, or null. Each call is counted.
    ConstantHandle constantByName(const std::string& name);

    std::uint32_t uniformBlockSize() const { return uniformBlockSize_; }
    const std::vector<ConstantDescription>& constants() const { return constants_; }
    // How many times a name was looked up, so callers can check that their caching works.
    std::size_t lookupCount() const { return lookupCount_; }

  private:
    std::vector<ConstantDescription> constants_;
    std::uint32_t uniformBlockSize_ = 0;
    std::size_t lookupCount_ = 0;
};
