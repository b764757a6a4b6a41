// The libFuzzer entry of one fuzz target, chosen at build time with MIRELDA_FUZZ_TARGET.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MIRELDA_FUZZ_TARGET({data, size});
    return 0;
}
