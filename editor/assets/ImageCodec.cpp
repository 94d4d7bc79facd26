#include "editor/assets/ImageCodec.h"

#include <utility>

// A private copy of the decoder: other units (the window chrome, the glTF
// loader) may compile stb_image as well without duplicate symbols. The PNG
// writer's public symbols come from StbImageWriteImpl.cpp.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image.h>
#include <stb_image_write.h>
#pragma GCC diagnostic pop

DecodedImage::~DecodedImage() { Reset(); }

DecodedImage::DecodedImage(DecodedImage&& other) noexcept { *this = std::move(other); }

DecodedImage& DecodedImage::operator=(DecodedImage&& other) noexcept {
    if (this != &other) {
        Reset();
        m_pixels = std::exchange(other.m_pixels, nullptr);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_error = std::move(other.m_error);
    }
    return *this;
}

void DecodedImage::Reset() {
    if (m_pixels) stbi_image_free(m_pixels);
    m_pixels = nullptr;
    m_width = m_height = 0;
}

bool DecodedImage::Load(const char* path) {
    Reset();
    m_error.clear();
    if (!path || !*path) {
        m_error = "no path";
        return false;
    }
    int w = 0, h = 0, channels = 0;
    stbi_uc* data = stbi_load(path, &w, &h, &channels, 4);
    if (!data || w <= 0 || h <= 0) {
        const char* why = stbi_failure_reason();
        m_error = why ? why : "decode failed";
        if (data) stbi_image_free(data);
        return false;
    }
    m_pixels = data;
    m_width = w;
    m_height = h;
    return true;
}

bool WritePngRGBA(const std::string& path, int width, int height, const uint8_t* rgba) {
    if (!rgba || width <= 0 || height <= 0) return false;
    return stbi_write_png(path.c_str(), width, height, 4, rgba, width * 4) != 0;
}
