// The one compiled copy of tinygltf. It never sees an image: the importer takes "images" out of
// the document before tinygltf parses it and gives it no way to read files, so no image library
// is linked.
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
