#include "display/about_picture.h"

#include <cstring>
#include <new>

#include "picture/float_mode.h"
#include "picture/picture.h"
#include "picture/pixel_buffer.h"
#include "picture/random.h"

namespace {

constexpr int32_t kLargestDpi = 9600;

int32_t Scaled(int32_t side, int32_t dpi)
{
    return (int32_t)(((int64_t)side * dpi + kAboutPictureDpi / 2) / kAboutPictureDpi);
}

}  // namespace

AboutPictureSize AboutPictureSizeAt(int32_t dpi)
{
    if (dpi < 1 || dpi > kLargestDpi) dpi = kAboutPictureDpi;
    return {Scaled(kAboutPictureWidth, dpi), Scaled(kAboutPictureHeight, dpi)};
}

bool IsResourcePictureSize(AboutPictureSize size)
{
    return size.width == kAboutPictureWidth && size.height == kAboutPictureHeight;
}

bool MakeAboutPicture(AboutPictureSize size, uint32_t* pixels)
{
    if (size.width <= 0 || size.height <= 0) return false;
    const int32_t bufferWidth = EvenRounded(size.width), bufferHeight = EvenRounded(size.height);
    const size_t bufferBytes = PixelBufferBytes(bufferWidth, bufferHeight);
    if (bufferBytes == 0) return false;
    // An even size is made in place; an odd one beside, then cut to size.
    const bool inPlace = bufferWidth == size.width && bufferHeight == size.height;
    uint32_t* buffer = inPlace ? pixels : new (std::nothrow) uint32_t[bufferBytes / sizeof(uint32_t)];
    float* rows = new (std::nothrow) float[2 * (size_t)bufferWidth];
    PicturePlan* plan = new (std::nothrow) PicturePlan;
    const bool made = buffer && rows && plan;
    if (made) {
        UsePictureFloatMode();
        SeedRandom(kAboutPictureSeed);
        PlanPicture(plan, bufferWidth, bufferHeight);
        FillPictureRows(plan, buffer, rows, rows + bufferWidth, 0, bufferHeight);
        if (!inPlace)
            for (int32_t line = 0; line < size.height; ++line)
                std::memcpy(ShownLine(pixels, size.width, size.height, line),
                            ShownLine(buffer, bufferWidth, bufferHeight, line), (size_t)size.width * sizeof(uint32_t));
    }
    delete plan;
    delete[] rows;
    if (!inPlace) delete[] buffer;
    return made;
}
