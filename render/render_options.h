// The render tool's command line, read without side effects so that every
// case can be tested natively.
#pragma once

#include <cstdint>
#include <string>

enum class ImageFormat { Unknown, Png, Bmp, Ppm };

struct RenderOptions {
    uint32_t seed = 0;
    bool seedGiven = false;
    int32_t width = 1920;        // the window's client size; the generator runs at the even-rounded size
    int32_t height = 1080;
    uint32_t firstPicture = 1;   // 1-based position in the worker's sequence
    uint32_t count = 1;
    int32_t variant = -1;        // -1: the variant the draw picks
    int32_t threads = 0;         // 0: all cores
    bool reference = false;      // the plain scalar path instead of the fast one
    int32_t simd = -1;           // a SimdLevel for the fast path; -1: the machine's widest
    bool showSimd = false;       // print the fast path's SimdLevel and end
    bool help = false;
    std::string outPath = "ondulite.png";
    ImageFormat format = ImageFormat::Png;
};

constexpr int32_t kMaxImageSide = 16384;

// Reads argv[1..argc-1]. Returns true on success (`options->help` set for
// --help); on bad input returns false with one line of explanation in
// `error`.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions* options, std::string* error);

// The format that a file name's extension names (case-insensitive).
ImageFormat FormatFromPath(const std::string& path);

// `pic.png` and 3 give `pic-3.png`; a name without extension gets `-3` appended.
std::string NumberedPath(const std::string& path, uint32_t number);

extern const char kRenderUsage[];
