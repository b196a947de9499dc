#include "render/image_file.h"

#if ONDULITE_HAVE_PNG
#include <libdeflate.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "picture/pixel_buffer.h"
#include "render/temporary_file.h"

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

#if ONDULITE_HAVE_PNG
// Chosen by measurement on the pictures (docs/performance.md): the Up
// filter on every line and libdeflate's level 4 make files 1% larger than
// libpng's defaults (adaptive filters, zlib level 6) in a fifth of the
// processor time. Paeth or adaptive filters cost more and make larger files
// here; higher levels cost more wall time than they save in bytes.
constexpr int kPngLevel = 4;
constexpr size_t kPngChunkBytes = 1u << 20;

static void PutBe32(uint8_t* at, uint32_t v)
{
    at[0] = (uint8_t)(v >> 24);
    at[1] = (uint8_t)(v >> 16);
    at[2] = (uint8_t)(v >> 8);
    at[3] = (uint8_t)v;
}

static bool WritePngChunk(FILE* file, const char* type, const uint8_t* data, size_t size)
{
    uint8_t head[8];
    PutBe32(head, (uint32_t)size);
    std::memcpy(head + 4, type, 4);
    uint8_t tail[4];
    uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (size > 0) crc = libdeflate_crc32(crc, data, size);  // a null buffer would restart the sum
    PutBe32(tail, crc);
    return fwrite(head, 1, 8, file) == 8 && (size == 0 || fwrite(data, 1, size, file) == size) &&
           fwrite(tail, 1, 4, file) == 4;
}

#endif

static bool WritePng(FILE* file, const uint8_t* rgb, int32_t width, int32_t height)
{
#if !ONDULITE_HAVE_PNG
    (void)file, (void)rgb, (void)width, (void)height;
    errno = ENOTSUP;
    return false;
#else
    const size_t line = (size_t)width * 3;
    std::vector<uint8_t> filtered, packed;
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kPngLevel);
    if (!compressor) {
        errno = ENOMEM;
        return false;
    }
    size_t packedSize = 0;
    try {
        filtered.resize((line + 1) * (size_t)height);
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* in = rgb + (size_t)y * line;
            uint8_t* out = &filtered[(line + 1) * (size_t)y];
            out[0] = y > 0 ? 2 : 0;  // Up; the first line has nothing above it
            if (y == 0) {
                std::memcpy(out + 1, in, line);
                continue;
            }
            const uint8_t* above = in - line;
            for (size_t i = 0; i < line; ++i) out[1 + i] = (uint8_t)(in[i] - above[i]);
        }
        packed.resize(libdeflate_zlib_compress_bound(compressor, filtered.size()));
        packedSize = libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), packed.data(),
                                              packed.size());
    } catch (const std::bad_alloc&) {
        libdeflate_free_compressor(compressor);
        errno = ENOMEM;
        return false;
    }
    libdeflate_free_compressor(compressor);
    if (packedSize == 0) {
        errno = ENOMEM;
        return false;
    }
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t header[13];
    PutBe32(header, (uint32_t)width);
    PutBe32(header + 4, (uint32_t)height);
    header[8] = 8;   // bits per channel
    header[9] = 2;   // RGB
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering, one filter type per line
    header[12] = 0;  // not interlaced
    if (fwrite(kSignature, 1, 8, file) != 8 || !WritePngChunk(file, "IHDR", header, sizeof header)) return false;
    for (size_t at = 0; at < packedSize; at += kPngChunkBytes) {
        size_t size = packedSize - at < kPngChunkBytes ? packedSize - at : kPngChunkBytes;
        if (!WritePngChunk(file, "IDAT", packed.data() + at, size)) return false;
    }
    return WritePngChunk(file, "IEND", nullptr, 0);
#endif
}

bool WriteImageFile(const std::string& path, ImageFormat format, const uint8_t* rgb, int32_t width,
                    int32_t height, std::string* error)
{
    TemporaryFile temporary;
    FILE* file = nullptr;
    if (CreateTemporaryFile(path, &temporary)) {
        file = fdopen(temporary.fd, "wb");
        if (!file) {
            int savedErrno = errno;
            close(temporary.fd);
            FinishTemporaryFile(&temporary, path, false);
            errno = savedErrno;
        }
    }
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
    if (!FinishTemporaryFile(&temporary, path, written) && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) *error = "cannot write '" + path + "': " + std::strerror(savedErrno ? savedErrno : EIO);
    return written;
}
