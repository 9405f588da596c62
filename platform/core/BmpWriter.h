// Bitmap files: 24 bits per pixel, rows bottom-up, each row padded to a
// multiple of 4 bytes, 3780 pixels per metre (96 dots per inch).
#pragma once

#include <string>

#include "platform/core/Image.h"

namespace qv {

// The device-independent bitmap: the 40-byte info header and the pixel rows
// (what a metafile's stretch record and the file both carry).
std::string EncodeDib(const TImage& image);
// A whole ".bmp" file: the 14-byte file header ("BM", size, offset 54) and the DIB.
std::string EncodeBmp(const TImage& image);
// Saves atomically; raises the stream errors of Classes.h on failure.
void SaveBmpToFile(const TImage& image, const std::string& path);

}  // namespace qv
