#pragma once
// Image files in and out, as RGBA8. stb_image is compiled privately into
// this unit (static functions), so other units may use it themselves without
// clashing symbols.
//
//   DecodedImage::Load(path)   decode any file stb_image reads, forced to RGBA8
//   WritePngRGBA(...)          write RGBA8 pixels as a PNG (tests, benchmarks)

#include <cstdint>
#include <string>

class DecodedImage {
public:
    DecodedImage() = default;
    ~DecodedImage();
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;
    DecodedImage(DecodedImage&& other) noexcept;
    DecodedImage& operator=(DecodedImage&& other) noexcept;

    // False (and empty) when the file is missing or cannot be decoded; the
    // decoder's reason is then in Error(). Safe from any thread.
    bool Load(const char* path);
    void Reset();

    const uint8_t* Pixels() const { return m_pixels; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_pixels == nullptr; }
    const std::string& Error() const { return m_error; }

private:
    uint8_t* m_pixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::string m_error;
};

bool WritePngRGBA(const std::string& path, int width, int height, const uint8_t* rgba);
