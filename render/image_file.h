// Writing what a window shows of a PixelBuffer to an image file.
#pragma once

#include <cstdint>
#include <string>

#include "render/render_options.h"

// The picture as a window of `windowWidth` x `windowHeight` shows it, from
// its PixelBuffer (`bufferWidth` x `bufferHeight`, picture/pixel_buffer.h).
// Fills `rgb` with windowWidth x windowHeight x 3 bytes, top
// line first, red, green, blue.
void WindowImageRgb(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, int32_t windowWidth,
                    int32_t windowHeight, uint8_t* rgb);

// Writes `rgb` (as WindowImageRgb lays it out) to `path` in `format`. The
// file appears whole or not at all, even when a signal ends the program
// (render/temporary_file.h says how it is created and replaces
// `path`). Returns false with one line in `error`. Safe on several threads
// at once for different paths. PNG files are 8-bit RGB, every line
// Up-filtered, compressed by libdeflate in memory (about twice the image's
// bytes besides `rgb`); a build without libdeflate refuses them.
bool WriteImageFile(const std::string& path, ImageFormat format, const uint8_t* rgb, int32_t width,
                    int32_t height, std::string* error);
