#include "tools/render/image_file.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "picture/pixel_buffer.h"

void WindowImageRgb(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, int32_t windowWidth,
                    int32_t windowHeight, uint8_t* rgb)
{
    for (int32_t line = 0; line < windowHeight; ++line) {
        const uint32_t* row = ShownLine(pixels, bufferWidth, bufferHeight, line);
        uint8_t* out = rgb + (size_t)line * (size_t)windowWidth * 3;
        for (int32_t x = 0; x < windowWidth; ++x) {
            uint32_t p = row[x];
            out[3 * x + 0] = (uint8_t)(p >> 16);
            out[3 * x + 1] = (uint8_t)(p >> 8);
            out[3 * x + 2] = (uint8_t)p;
        }
    }
}

static void PutLe16(uint8_t* at, uint32_t v)
{
    at[0] = (uint8_t)v;
    at[1] = (uint8_t)(v >> 8);
}

static void PutLe32(uint8_t* at, uint32_t v)
{
    PutLe16(at, v);
    PutLe16(at + 2, v >> 16);
}

static bool WriteBmp(FILE* file, const uint8_t* rgb, int32_t width, int32_t height)
{
    const uint32_t stride = ((uint32_t)width * 3 + 3) & ~3u;
    const uint64_t imageSize = (uint64_t)stride * (uint32_t)height;
    uint8_t header[54] = {'B', 'M'};
    PutLe32(header + 2, (uint32_t)(54 + imageSize));
    PutLe32(header + 10, 54);
    PutLe32(header + 14, 40);
    PutLe32(header + 18, (uint32_t)width);
    PutLe32(header + 22, (uint32_t)height);  // positive: bottom-up
    PutLe16(header + 26, 1);
    PutLe16(header + 28, 24);
    PutLe32(header + 34, (uint32_t)imageSize);
    PutLe32(header + 38, 2834);  // 72 dots per inch
    PutLe32(header + 42, 2834);
    if (fwrite(header, 1, sizeof header, file) != sizeof header) return false;
    std::vector<uint8_t> line(stride, 0);
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint8_t* in = rgb + (size_t)y * (size_t)width * 3;
        for (int32_t x = 0; x < width; ++x) {
            line[3 * x + 0] = in[3 * x + 2];
            line[3 * x + 1] = in[3 * x + 1];
            line[3 * x + 2] = in[3 * x + 0];
        }
        if (fwrite(line.data(), 1, stride, file) != stride) return false;
    }
    return true;
}

static bool WritePpm(FILE* file, const uint8_t* rgb, int32_t width, int32_t height)
{
    if (fprintf(file, "P6\n%d %d\n255\n", width, height) < 0) return false;
    size_t size = (size_t)width * (size_t)height * 3;
    return fwrite(rgb, 1, size, file) == size;
}

static bool WritePng(FILE* file, const uint8_t* rgb, int32_t width, int32_t height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGB;
    int ok = png_image_write_to_stdio(&image, file, 0, rgb, width * 3, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool WriteImageFile(const std::string& path, ImageFormat format, const uint8_t* rgb, int32_t width,
                    int32_t height, std::string* error)
{
    std::string temporary = path + ".partial-" + std::to_string((long)getpid());
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) {
        *error = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    bool written = false;
    switch (format) {
    case ImageFormat::Png: written = WritePng(file, rgb, width, height); break;
    case ImageFormat::Bmp: written = WriteBmp(file, rgb, width, height); break;
    case ImageFormat::Ppm: written = WritePpm(file, rgb, width, height); break;
    case ImageFormat::Unknown: break;
    }
    int savedErrno = errno;
    if (fclose(file) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        std::remove(temporary.c_str());
        *error = "cannot write '" + path + "': " + std::strerror(savedErrno ? savedErrno : EIO);
    }
    return written;
}

bool ReadPpmFile(const std::string& path, std::string* rgb, int32_t* width, int32_t* height)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    int w = 0, h = 0, maxval = 0;
    bool ok = fscanf(file, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && w > 0 && h > 0 &&
              fgetc(file) != EOF;
    if (ok) {
        rgb->resize((size_t)w * (size_t)h * 3);
        ok = fread(&(*rgb)[0], 1, rgb->size(), file) == rgb->size();
    }
    fclose(file);
    if (!ok) return false;
    *width = w;
    *height = h;
    return true;
}
