#include "InMemoryFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A harness fault, not a finding about the reader: the caller must not take it for either a
// clean rejection or a crash of the code under test.
[[noreturn]] void failHarness(const char* what) {
    throw std::runtime_error(std::string("in-memory fuzz file: ") + what + ": " +
                             std::strerror(errno));
}

} // namespace

InMemoryFile::InMemoryFile() : descriptor_(memfd_create("mirelda-fuzz-input", MFD_CLOEXEC)) {
    if (descriptor_ < 0)
        failHarness("memfd_create");
    path_ = "/proc/self/fd/" + std::to_string(descriptor_);
}

InMemoryFile::~InMemoryFile() {
    close(descriptor_);
}

void InMemoryFile::replace(std::span<const std::uint8_t> bytes) {
    if (ftruncate(descriptor_, 0) != 0)
        failHarness("ftruncate");
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t result = pwrite(descriptor_, bytes.data() + written, bytes.size() - written,
                                      static_cast<off_t>(written));
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            failHarness("pwrite");
        written += static_cast<std::size_t>(result);
    }
}
