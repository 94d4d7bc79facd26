// The one unit that compiles stb_image_write with public symbols, for
// whoever writes PNG files (tests, benchmarks, screenshots). stb_image itself
// is compiled privately by ImageCodec.cpp.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop
