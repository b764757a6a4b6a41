#include "FuzzTargets.h"
#include "InMemoryFile.h"
#include "common/DemoError.h"
#include "ui/MorphGroupFile.h"

// Crashes and sanitizer reports are the findings here: the groups of an accepted file have no
// property that the bytes alone would let this target check.
void fuzzMorphGroupFile(std::span<const std::uint8_t> bytes) {
    static InMemoryFile file;
    file.replace(bytes);
    try {
        loadMorphGroups(file.path());
    } catch (const DemoError&) {
    }
}
