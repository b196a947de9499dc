#include "render/render_options.h"

#include <cctype>
#include <cstring>

#include "native/option_reader.h"
#include "picture/fast_path.h"

const char kRenderUsage[] =
    "usage: ondulite-render [options]\n"
    "Renders ondulite pictures to image files.\n"
    "\n"
    "  --seed N        unsigned 32-bit seed (default: the current time in seconds)\n"
    "  --size WxH      the window's client size, 1 to 16384 each (default 1920x1080)\n"
    "  --picture K     the K-th picture that a saver seeded with N shows (default 1)\n"
    "  --count C       write C consecutive pictures from K on (default 1)\n"
    "  --variant V     force picture variant V (0 to 7); the sequence stays aligned\n"
    "  --threads N     render on N threads (default: all cores); the pixels never depend on N\n"
    "  --reference     use the plain scalar evaluation instead of the fast one\n"
    "  --simd SET      make the fast evaluation use SET: portable, sse2, avx2 or avx512\n"
    "                  (default: the widest that the processor and the system run)\n"
    "  --show-simd     print the set that the fast evaluation uses here, and end\n"
    "  -o, --out FILE  output file, .png, .bmp or .ppm (default ondulite.png); with --count\n"
    "                  above 1 the picture number goes before the extension (pic-3.png)\n"
    "  --help          show this text\n";

static bool ReadSize(const char* text, int32_t* width, int32_t* height)
{
    const char* cross = text ? std::strpbrk(text, "xX") : nullptr;
    if (!cross) return false;
    std::string left(text, (size_t)(cross - text));
    uint64_t w = 0, h = 0;
    if (!ReadDecimal(left.c_str(), kMaxImageSide, &w) || !ReadDecimal(cross + 1, kMaxImageSide, &h)) return false;
    if (w == 0 || h == 0) return false;
    *width = (int32_t)w;
    *height = (int32_t)h;
    return true;
}

ImageFormat FormatFromPath(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return ImageFormat::Unknown;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = (char)std::tolower((unsigned char)c);
    if (ext == "png") return ImageFormat::Png;
    if (ext == "bmp") return ImageFormat::Bmp;
    if (ext == "ppm") return ImageFormat::Ppm;
    return ImageFormat::Unknown;
}

std::string NumberedPath(const std::string& path, uint32_t number)
{
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    std::string suffix = "-" + std::to_string(number);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1 ||
        (slash == std::string::npos && dot == 0))
        return path + suffix;
    return path.substr(0, dot) + suffix + path.substr(dot);
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions* options, std::string* error)
{
    OptionReader reader;
    StartOptionReader(&reader, argc, argv, OptionStyle::TwoDashes);
    while (NextOption(&reader)) {
        const std::string& name = reader.name;
        uint64_t number = 0;
        if (name == "--help" || name == "-h") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->help = true;
        } else if (name == "--reference") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->reference = true;
        } else if (name == "--show-simd") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->showSimd = true;
        } else if (name == "--simd") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            options->simd = -1;
            for (int32_t level = 0; level < kSimdLevelCount; ++level)
                if (std::strcmp(v, SimdLevelName((SimdLevel)level)) == 0) options->simd = level;
            if (options->simd < 0) {
                *error = std::string("--simd wants portable, sse2, avx2 or avx512, not '") + v + "'";
                return false;
            }
        } else if (name == "--seed") {
            if (!OptionSeed(&reader, "--seed", &options->seed, error)) return false;
            options->seedGiven = true;
        } else if (name == "--size") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            if (!ReadSize(v, &options->width, &options->height)) {
                *error = std::string("--size wants WxH with W and H from 1 to 16384, not '") + v + "'";
                return false;
            }
        } else if (name == "--picture" || name == "--count") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            if (!ReadDecimal(v, 0xFFFFFFFFull, &number) || number == 0) {
                *error = name + " wants a whole number from 1 to 4294967295, not '" + v + "'";
                return false;
            }
            (name == "--picture" ? options->firstPicture : options->count) = (uint32_t)number;
        } else if (name == "--variant") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            if (!ReadDecimal(v, 7, &number)) {
                *error = std::string("--variant wants a number from 0 to 7, not '") + v + "'";
                return false;
            }
            options->variant = (int32_t)number;
        } else if (name == "--threads") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            if (!ReadDecimal(v, 1024, &number) || number == 0) {
                *error = std::string("--threads wants a number from 1 to 1024, not '") + v + "'";
                return false;
            }
            options->threads = (int32_t)number;
        } else if (name == "-o" || name == "--out") {
            const char* v = OptionText(&reader, "option " + name + " needs a file name", error);
            if (!v) return false;
            options->outPath = v;
        } else {
            *error = UnknownOption(&reader);
            return false;
        }
    }
    if (options->help || options->showSimd) return true;
    options->format = FormatFromPath(options->outPath);
    if (options->format == ImageFormat::Unknown) {
        *error = "cannot tell the image format of '" + options->outPath + "': use .png, .bmp or .ppm";
        return false;
    }
    if ((uint64_t)options->firstPicture + options->count - 1 > 0xFFFFFFFFull) {
        *error = "--picture plus --count go past the 4294967295th picture";
        return false;
    }
    return true;
}
