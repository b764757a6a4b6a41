#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>

// The readers of the demo's two data files, of capture recordings and the glTF importer, fed
// arbitrary bytes. A clean rejection (DemoError, ImportError) is the expected answer to a damaged
// file; anything else that escapes is a finding: a sanitizer report, a crash, or a FuzzFinding when
// an accepted file was read wrongly.
void fuzzMeshFile(std::span<const std::uint8_t> bytes);
void fuzzMorphGroupFile(std::span<const std::uint8_t> bytes);
void fuzzGltfImport(std::span<const std::uint8_t> bytes);
void fuzzRecording(std::span<const std::uint8_t> bytes);
// The two trackers' datagrams: a refusal is the expected answer to a damaged one.
void fuzzLiveLinkFace(std::span<const std::uint8_t> bytes);
void fuzzVmc(std::span<const std::uint8_t> bytes);

class FuzzFinding : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};
