#pragma once
// The one way this program includes the glTF parser: images are neither
// decoded nor read from disk by it (our texture loader does both, and image
// URIs are checked before anything is copied), and nothing is ever written.
// Only the gltf/ units include this.

#ifndef TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE
#endif
#ifndef TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#endif
#ifndef TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#endif
#include <tiny_gltf.h>
