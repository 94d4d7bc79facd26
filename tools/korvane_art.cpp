// korvane_art: draws the editor's own art into the engine asset root.
//
//   korvane_art <icon-font.ttf> <text-font.ttf> <output-dir>
//
// Writes "Korvane.png" (the logo), "Loader.jpg" (the loading-card artwork)
// and the "icons/*.png" set, each icon a glyph of the icon font drawn white
// on transparent so the UI can tint it. Exits non-zero when a font cannot be
// read or lacks a glyph we need, so a broken font package fails the build.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

struct IconGlyph {
    const char* file;
    int codepoint;
};

// Code points of the icon font (all inside U+E000..U+E900, the range the
// editor loads as its icon font).
const IconGlyph kIcons[] = {
    {"camera.png", 0xE04B},      {"light.png", 0xE0F0},      {"mesh.png", 0xE86B},
    {"script.png", 0xE873},      {"object.png", 0xE24D},     {"play.png", 0xE037},
    {"pause.png", 0xE034},       {"stop.png", 0xE047},       {"folder.png", 0xE2C7},
    {"code.png", 0xE86F},        {"image.png", 0xE3F4},      {"audio.png", 0xE3A1},
    {"model.png", 0xE84D},       {"scene.png", 0xE3F7},      {"file.png", 0xE24D},
    {"back.png", 0xE5C4},        {"up.png", 0xE5D8},         {"new.png", 0xE146},
    {"grid.png", 0xE3EC},        {"listview.png", 0xE8EF},   {"forward.png", 0xE5C8},
    {"move.png", 0xE89F},        {"rotate.png", 0xE41A},     {"scale.png", 0xE56B},
    {"snap.png", 0xE41C},        {"open.png", 0xE2C8},       {"save.png", 0xE161},
    {"reload.png", 0xE5D5},      {"search.png", 0xE8B6},     {"replace.png", 0xE881},
    {"analyze.png", 0xE868},     {"wrap.png", 0xE25B},       {"panel.png", 0xE871},
    {"problems.png", 0xE8B2},    {"lock_closed.png", 0xE897}, {"lock_open.png", 0xE898},
};

bool ReadFile(const char* path, std::vector<unsigned char>& out) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok && !out.empty();
}

struct Font {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
    bool Load(const char* path) {
        return ReadFile(path, data) &&
               stbtt_InitFont(&info, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0));
    }
};

struct Image {
    int w, h;
    std::vector<uint8_t> px;  // RGBA
    Image(int width, int height) : w(width), h(height), px(size_t(width) * height * 4, 0) {}
    uint8_t* At(int x, int y) { return &px[(size_t(y) * w + x) * 4]; }
};

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

// Alpha-composites a coverage mask of one colour onto the image.
void BlendMask(Image& img, const std::vector<uint8_t>& mask, int mw, int mh, int ox, int oy,
               const float rgb[3], float opacity) {
    for (int y = 0; y < mh; ++y) {
        for (int x = 0; x < mw; ++x) {
            int ix = ox + x, iy = oy + y;
            if (ix < 0 || iy < 0 || ix >= img.w || iy >= img.h) continue;
            float a = mask[size_t(y) * mw + x] / 255.0f * opacity;
            if (a <= 0) continue;
            uint8_t* p = img.At(ix, iy);
            float da = p[3] / 255.0f;
            float oa = a + da * (1 - a);
            for (int c = 0; c < 3; ++c) {
                float src = rgb[c], dst = p[c] / 255.0f;
                float v = oa > 0 ? (src * a + dst * da * (1 - a)) / oa : 0;
                p[c] = uint8_t(std::lround(Clamp01(v) * 255));
            }
            p[3] = uint8_t(std::lround(Clamp01(oa) * 255));
        }
    }
}

// Renders one glyph scaled to fit a box, centred at (cx, cy).
bool DrawGlyph(Image& img, Font& font, int codepoint, float box, float cx, float cy,
               const float rgb[3], float opacity = 1.0f) {
    int glyph = stbtt_FindGlyphIndex(&font.info, codepoint);
    if (glyph == 0) return false;
    int x0, y0, x1, y1;
    float probe = stbtt_ScaleForPixelHeight(&font.info, box);
    stbtt_GetGlyphBitmapBox(&font.info, glyph, probe, probe, &x0, &y0, &x1, &y1);
    float extent = float(std::max(x1 - x0, y1 - y0));
    float scale = extent > 0 ? probe * box / extent : probe;
    int w, h, xo, yo;
    unsigned char* bmp = stbtt_GetGlyphBitmap(&font.info, scale, scale, glyph, &w, &h, &xo, &yo);
    if (!bmp) return false;
    std::vector<uint8_t> mask(bmp, bmp + size_t(w) * h);
    stbtt_FreeBitmap(bmp, nullptr);
    BlendMask(img, mask, w, h, int(std::lround(cx - w / 2.0f)), int(std::lround(cy - h / 2.0f)), rgb,
              opacity);
    return true;
}

// Draws a line of text with its baseline at y, starting at x; returns width.
float DrawText(Image& img, Font& font, const char* text, float pixelHeight, float x, float y,
               const float rgb[3], float tracking = 0.0f, bool measureOnly = false) {
    float scale = stbtt_ScaleForPixelHeight(&font.info, pixelHeight);
    float pen = x;
    for (const char* c = text; *c; ++c) {
        int glyph = stbtt_FindGlyphIndex(&font.info, (unsigned char)*c);
        int adv, lsb;
        stbtt_GetGlyphHMetrics(&font.info, glyph, &adv, &lsb);
        if (!measureOnly) {
            int w, h, xo, yo;
            unsigned char* bmp = stbtt_GetGlyphBitmap(&font.info, scale, scale, glyph, &w, &h, &xo, &yo);
            if (bmp) {
                std::vector<uint8_t> mask(bmp, bmp + size_t(w) * h);
                stbtt_FreeBitmap(bmp, nullptr);
                BlendMask(img, mask, w, h, int(std::lround(pen)) + xo, int(std::lround(y)) + yo, rgb, 1.0f);
            }
        }
        pen += adv * scale + tracking;
    }
    return pen - x;
}

// The logo: a rounded hexagon in a teal-to-violet gradient with a bold "K".
void DrawLogo(Image& img, Font& text) {
    const int n = img.w;
    const float c = n / 2.0f, r = n * 0.46f, corner = n * 0.06f;
    std::vector<uint8_t> mask(size_t(n) * n, 0);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            float coverage = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    float px = x + (sx + 0.5f) / 4 - c, py = y + (sy + 0.5f) / 4 - c;
                    // Signed distance to a pointy-top hexagon, rounded.
                    float ax = std::fabs(px), ay = std::fabs(py);
                    float d = std::max(ax * 0.8660254f + ay * 0.5f, ay) - (r - corner);
                    if (d < corner) coverage += 1;
                }
            }
            mask[size_t(y) * n + x] = uint8_t(coverage / 16 * 255);
        }
    }
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            float t = Clamp01((x + y) / float(2 * n));
            uint8_t* p = img.At(x, y);
            p[0] = uint8_t(40 + t * 120);
            p[1] = uint8_t(200 - t * 120);
            p[2] = uint8_t(190 + t * 50);
            p[3] = mask[size_t(y) * n + x];
        }
    }
    const float white[3] = {1, 1, 1};
    float size = n * 0.62f;
    float w = DrawText(img, text, "K", size, 0, 0, white, 0, true);
    DrawText(img, text, "K", size, c - w / 2, c + size * 0.36f, white);
}

// The loader artwork: a dusk gradient, soft hills, a grid floor and the name.
void DrawLoader(Image& img, Font& text, Font& icons) {
    for (int y = 0; y < img.h; ++y) {
        float t = y / float(img.h - 1);
        for (int x = 0; x < img.w; ++x) {
            float u = x / float(img.w - 1);
            uint8_t* p = img.At(x, y);
            p[0] = uint8_t(18 + 60 * t + 20 * u);
            p[1] = uint8_t(22 + 30 * t);
            p[2] = uint8_t(48 + 70 * (1 - t));
            p[3] = 255;
        }
    }
    // Two layers of hills.
    for (int layer = 0; layer < 2; ++layer) {
        float base = img.h * (0.62f + 0.08f * layer);
        for (int x = 0; x < img.w; ++x) {
            float hgt = base - std::sin(x * (0.006f + 0.003f * layer) + layer * 1.7f) * 40 -
                        std::sin(x * 0.017f + 0.5f) * 12;
            for (int y = std::max(0, int(hgt)); y < img.h; ++y) {
                uint8_t* p = img.At(x, y);
                float k = layer == 0 ? 0.55f : 0.35f;
                p[0] = uint8_t(p[0] * k);
                p[1] = uint8_t(p[1] * k + 10);
                p[2] = uint8_t(p[2] * k + 20);
            }
        }
    }
    // Perspective grid on the floor.
    float horizon = img.h * 0.78f;
    for (int y = int(horizon); y < img.h; ++y) {
        float depth = (y - horizon) / (img.h - horizon);
        for (int x = 0; x < img.w; ++x) {
            float wx = (x - img.w / 2.0f) / std::max(depth, 0.02f);
            float wz = 1.0f / std::max(depth, 0.02f);
            bool line = std::fmod(std::fabs(wx), 160.0f) < 3.0f / std::max(depth, 0.1f) ||
                        std::fmod(wz, 1.5f) < 0.06f * wz;
            if (line) {
                uint8_t* p = img.At(x, y);
                p[0] = uint8_t(std::min(255, p[0] + 40));
                p[1] = uint8_t(std::min(255, p[1] + 120));
                p[2] = uint8_t(std::min(255, p[2] + 130));
            }
        }
    }
    const float white[3] = {0.95f, 0.97f, 1.0f};
    const float teal[3] = {0.35f, 0.85f, 0.85f};
    DrawGlyph(img, icons, 0xE84D, 120, img.w / 2.0f, img.h * 0.3f, teal, 0.9f);
    float size = 96;
    float w = DrawText(img, text, "KORVANE", size, 0, 0, white, 14, true);
    DrawText(img, text, "KORVANE", size, (img.w - w) / 2, img.h * 0.52f, white, 14);
}

bool WritePng(const std::string& path, const Image& img) {
    return stbi_write_png(path.c_str(), img.w, img.h, 4, img.px.data(), img.w * 4) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: korvane_art <icon-font.ttf> <text-font.ttf> <output-dir>\n");
        return 2;
    }
    Font icons, text;
    if (!icons.Load(argv[1])) {
        std::fprintf(stderr, "korvane_art: cannot read icon font %s\n", argv[1]);
        return 1;
    }
    if (!text.Load(argv[2])) {
        std::fprintf(stderr, "korvane_art: cannot read text font %s\n", argv[2]);
        return 1;
    }
    const std::string out = argv[3];
    const float white[3] = {1, 1, 1};
    int failures = 0;
    for (const IconGlyph& icon : kIcons) {
        Image img(64, 64);
        if (!DrawGlyph(img, icons, icon.codepoint, 52, 32, 32, white)) {
            std::fprintf(stderr, "korvane_art: icon font lacks U+%04X for %s\n", icon.codepoint, icon.file);
            ++failures;
            continue;
        }
        if (!WritePng(out + "/icons/" + icon.file, img)) {
            std::fprintf(stderr, "korvane_art: cannot write %s/icons/%s\n", out.c_str(), icon.file);
            ++failures;
        }
    }
    Image logo(256, 256);
    DrawLogo(logo, text);
    if (!WritePng(out + "/Korvane.png", logo)) ++failures;

    Image loader(1280, 720);
    DrawLoader(loader, text, icons);
    std::vector<uint8_t> rgb(size_t(loader.w) * loader.h * 3);
    for (size_t i = 0, n = size_t(loader.w) * loader.h; i < n; ++i) {
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = loader.px[i * 4 + c];
    }
    if (!stbi_write_jpg((out + "/Loader.jpg").c_str(), loader.w, loader.h, 3, rgb.data(), 90)) ++failures;
    return failures == 0 ? 0 : 1;
}
