// The one compiled copy of tinygltf. Images are never decoded (the importer installs a loader
// that skips them) and never written, so no image library is linked.
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
