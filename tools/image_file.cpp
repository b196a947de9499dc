#include "tools/image_file.h"

#include <fcntl.h>
#if ONDULITE_HAVE_PNG
#include <png.h>
#endif
#include <signal.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

void WindowImageRgb(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, int32_t windowWidth,
                    int32_t windowHeight, uint8_t* rgb)
{
    for (int32_t line = 0; line < windowHeight; ++line) {
        const uint32_t* row = pixels + (size_t)(bufferHeight - 1 - line) * (size_t)bufferWidth;
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
#if !ONDULITE_HAVE_PNG
    (void)file, (void)rgb, (void)width, (void)height;
    errno = ENOTSUP;
    return false;
#else
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGB;
    int ok = png_image_write_to_stdio(&image, file, 0, rgb, width * 3, nullptr);
    png_image_free(&image);
    return ok != 0;
#endif
}

// The temporary file of the write in progress, for the signal handler: a
// name in a fixed buffer, as the handler may not allocate.
static char signalTemporary[4096];
static volatile sig_atomic_t signalTemporarySet = 0;

static void OnEndingSignal(int signalNumber)
{
    if (signalTemporarySet) unlink(signalTemporary);
    // SA_RESETHAND put the default action back: once this returns, the
    // pending signal ends the process as it would have without us.
    raise(signalNumber);
}

bool RemoveTemporaryFileOnSignals(void)
{
    struct sigaction action = {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        if (sigaction(s, &action, nullptr) != 0) return false;
    return true;
}

// Blocks the ending signals in the calling thread while it exists, so that
// a file and its entry for the handler come and go together.
struct EndingSignalsBlocked {
    sigset_t previous;
    EndingSignalsBlocked()
    {
        sigset_t ending;
        sigemptyset(&ending);
        for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, s);
        pthread_sigmask(SIG_BLOCK, &ending, &previous);
    }
    ~EndingSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
};

static void RandomName(char* out, size_t letters)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[32];
    if (letters > sizeof bytes || getrandom(bytes, letters, 0) != (ssize_t)letters) {
        // No kernel entropy: a clock with nanoseconds still defeats guessing ahead.
        uint64_t mix = (uint64_t)std::chrono::steady_clock::now().time_since_epoch().count() ^
                       ((uint64_t)getpid() << 40);
        for (size_t i = 0; i < sizeof bytes; ++i) {
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            bytes[i] = (unsigned char)(mix >> 56);
        }
    }
    for (size_t i = 0; i < letters; ++i) out[i] = kLetters[bytes[i] % 36];
}

// Creates a new, empty regular file of ours beside `path`, under a short
// unpredictable name. O_EXCL refuses anything already there, a symlink or
// a FIFO included, and never follows one; the mode is that of any new
// file (0666 less the umask). Returns the descriptor, or -1 with errno.
static int CreateTemporaryBeside(const std::string& path, std::string* temporary)
{
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[] = ".ondulite-XXXXXXXXXXXXXXXX";
        RandomName(name + 10, sizeof name - 11);
        *temporary = directory + name;
        if (temporary->size() >= sizeof signalTemporary) {
            errno = ENAMETOOLONG;
            return -1;
        }
        EndingSignalsBlocked blocked;
        int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::memcpy(signalTemporary, temporary->c_str(), temporary->size() + 1);
            signalTemporarySet = 1;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

static void ForgetTemporary(void)
{
    signalTemporarySet = 0;
}

bool WriteImageFile(const std::string& path, ImageFormat format, const uint8_t* rgb, int32_t width,
                    int32_t height, std::string* error)
{
    std::string temporary;
    int fd = CreateTemporaryBeside(path, &temporary);
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        int savedErrno = errno;
        if (fd >= 0) {
            EndingSignalsBlocked blocked;
            close(fd);
            unlink(temporary.c_str());
            ForgetTemporary();
        }
        *error = "cannot write '" + path + "': " + std::strerror(savedErrno);
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
    EndingSignalsBlocked blocked;
    // rename replaces whatever `path` names, a symlink or a read-only file
    // too, and never writes through it.
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        savedErrno = errno;
    }
    if (!written) unlink(temporary.c_str());
    ForgetTemporary();
    if (!written) *error = "cannot write '" + path + "': " + std::strerror(savedErrno ? savedErrno : EIO);
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
