// The parser's implementation, compiled once with the options of GltfTiny.h.
#define TINYGLTF_IMPLEMENTATION
#include "editor/assets/gltf/GltfTiny.h"
