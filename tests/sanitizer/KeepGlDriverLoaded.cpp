// Linked into every program of a sanitizer build, never into the demo proper.
//
// Mesa unloads its OpenGL driver when the X display closes, which happens before LeakSanitizer
// checks the heap at exit. Blocks the driver keeps for its whole life are then no longer
// referenced from mapped memory, and their allocating frames point into an unmapped module, so
// they show as leaks that no suppression can name. Opening the driver once more with
// RTLD_NODELETE keeps it mapped until the process ends: its globals are scanned, and whatever it
// really leaks is reported under its own name.
#include <dlfcn.h>

extern "C" {
// Referenced from the link line so that the linker keeps this object in every program.
void mireldaKeepGlDriverLoaded() {}
}

namespace {

__attribute__((constructor)) void keepGlDriverLoaded() {
    // Every Mesa driver name is a hard link to this one file, so the loader maps a single
    // object whichever name the window system asks for.
    dlopen(MIRELDA_GL_DRIVER_PATH, RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
}

} // namespace
