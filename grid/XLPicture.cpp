#include "grid/XLPicture.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "grid/XLStream.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/Canvas.h"

namespace qv {

namespace {

constexpr int kMaxSide = 16384;
const char* const kBitmapClass = "TBitmap";
const char* const kJpegClass = "TJPEGImage";

std::uint32_t le32(std::string_view b, std::size_t at) {
  return readLE<std::uint32_t>(b.data() + at);
}
std::uint16_t le16(std::string_view b, std::size_t at) {
  return readLE<std::uint16_t>(b.data() + at);
}

struct BmpHeader {
  int width = 0, height = 0;
  bool bottomUp = true;
  int bpp = 0;
  std::uint32_t pixelOffset = 0;
  std::uint32_t headerSize = 0;
  std::uint32_t colors = 0;
};

bool parseBmp(std::string_view b, BmpHeader& h) {
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
  h.pixelOffset = le32(b, 10);
  h.headerSize = le32(b, 14);
  if (h.headerSize == 12) {  // OS/2 core header
    h.width = le16(b, 18);
    h.height = static_cast<std::int16_t>(le16(b, 20));
    h.bpp = le16(b, 24);
  } else {
    if (h.headerSize < 40 || b.size() < 14 + 40) return false;
    h.width = static_cast<std::int32_t>(le32(b, 18));
    h.height = static_cast<std::int32_t>(le32(b, 22));
    h.bpp = le16(b, 28);
    if (le32(b, 30) != 0) return false;  // compressed forms are not supported
    h.colors = le32(b, 46);
  }
  h.bottomUp = h.height > 0;
  if (h.height < 0) h.height = -h.height;
  if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide) return false;
  return h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 24 || h.bpp == 32;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void jpegNoMessage(j_common_ptr) {}

// Decodes (or only measures) a JPEG; false on any error. The library
// reports errors by a long jump back here, so this frame holds no object
// that is changed after setjmp: the row buffer lives in the caller.
bool runJpeg(std::string_view bytes, int& width, int& height, TImage* out,
             std::vector<unsigned char>& row) {
  if (bytes.size() < 4) return false;
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegErrorExit;
  err.mgr.output_message = jpegNoMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxSide ||
      cinfo.image_height > kMaxSide) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  width = static_cast<int>(cinfo.image_width);
  height = static_cast<int>(cinfo.image_height);
  if (out) {
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out->SetSize(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    row.resize(std::size_t(cinfo.output_width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y = static_cast<int>(cinfo.output_scanline);
      unsigned char* rows[1] = {row.data()};
      jpeg_read_scanlines(&cinfo, rows, 1);
      std::uint32_t* line = out->ScanLine(y);
      for (unsigned x = 0; x < cinfo.output_width; ++x) {
        const unsigned char* p = &row[std::size_t(x) * cinfo.output_components];
        line[x] = 0xFF000000u | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
      }
    }
    jpeg_finish_decompress(&cinfo);
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool BmpSize(std::string_view bytes, int& width, int& height) {
  BmpHeader h;
  if (!parseBmp(bytes, h)) return false;
  width = h.width;
  height = h.height;
  return true;
}

std::unique_ptr<TImage> DecodeBmp(std::string_view b) {
  BmpHeader h;
  if (!parseBmp(b, h)) return nullptr;
  const std::uint64_t stride = ((std::uint64_t(h.width) * h.bpp + 31) / 32) * 4;
  if (h.pixelOffset > b.size() || stride * std::uint64_t(h.height) > b.size() - h.pixelOffset)
    return nullptr;
  // The palette follows the header (4 bytes an entry, 3 for the core header).
  std::vector<std::uint32_t> palette;
  if (h.bpp <= 8) {
    const std::uint32_t entry = h.headerSize == 12 ? 3 : 4;
    std::uint32_t n = h.colors ? h.colors : (1u << h.bpp);
    if (n > 256) n = 256;
    const std::uint64_t start = 14 + std::uint64_t(h.headerSize);
    if (start + std::uint64_t(n) * entry > h.pixelOffset) return nullptr;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::size_t at = start + std::size_t(i) * entry;
      palette.push_back(0xFF000000u | (std::uint32_t(std::uint8_t(b[at + 2])) << 16) |
                        (std::uint32_t(std::uint8_t(b[at + 1])) << 8) | std::uint8_t(b[at]));
    }
  }
  auto img = std::make_unique<TImage>(h.width, h.height);
  for (int y = 0; y < h.height; ++y) {
    const int srcRow = h.bottomUp ? h.height - 1 - y : y;
    const auto* src =
        reinterpret_cast<const std::uint8_t*>(b.data()) + h.pixelOffset + stride * srcRow;
    std::uint32_t* dst = img->ScanLine(y);
    for (int x = 0; x < h.width; ++x) {
      std::uint32_t px;
      switch (h.bpp) {
        case 32:
        case 24: {
          const std::uint8_t* p = src + std::size_t(x) * (h.bpp / 8);
          px = 0xFF000000u | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
          break;
        }
        default: {
          const int bit = x * h.bpp;
          const std::uint8_t byte = src[bit / 8];
          const int shift = 8 - h.bpp - bit % 8;
          const unsigned idx = (byte >> shift) & ((1u << h.bpp) - 1);
          px = idx < palette.size() ? palette[idx] : 0xFF000000u;
          break;
        }
      }
      dst[x] = px;
    }
  }
  return img;
}

bool JpegSize(std::string_view bytes, int& width, int& height) {
  std::vector<unsigned char> row;
  return runJpeg(bytes, width, height, nullptr, row);
}

std::unique_ptr<TImage> DecodeJpeg(std::string_view bytes) {
  auto img = std::make_unique<TImage>();
  int w = 0, h = 0;
  std::vector<unsigned char> row;
  if (!runJpeg(bytes, w, h, img.get(), row)) return nullptr;
  return img;
}

// ---------------------------------------------------------------------------

void TXLPicture::Clear() {
  class_.clear();
  data_.clear();
  width_ = height_ = 0;
  image_.reset();
  decoded_ = false;
}

void TXLPicture::Assign(const TXLPicture& other) {
  class_ = other.class_;
  data_ = other.data_;
  width_ = other.width_;
  height_ = other.height_;
  image_ = other.image_;
  decoded_ = other.decoded_;
}

void TXLPicture::SetImage(const TImage& image) {
  Clear();
  if (image.Empty()) return;
  class_ = kBitmapClass;
  data_ = EncodeBmp(image);
  width_ = image.Width();
  height_ = image.Height();
  image_ = std::make_shared<TImage>(image);
  decoded_ = true;
}

void TXLPicture::SetGraphic(const std::string& graphicClass, std::string data) {
  int w = 0, h = 0;
  bool ok;
  if (graphicClass == kBitmapClass)
    ok = BmpSize(data, w, h);
  else if (graphicClass == kJpegClass)
    ok = JpegSize(data, w, h);
  else
    throw EXLGridError("Unsupported picture format");
  if (!ok) throw EXLGridError("Invalid picture data");
  Clear();
  class_ = graphicClass;
  data_ = std::move(data);
  width_ = w;
  height_ = h;
}

const TImage* TXLPicture::Image() const {
  if (data_.empty()) return nullptr;
  if (!decoded_) {
    decoded_ = true;
    std::unique_ptr<TImage> img = class_ == kBitmapClass ? DecodeBmp(data_) : DecodeJpeg(data_);
    image_ = std::move(img);
  }
  return image_.get();
}

void TXLPicture::ReadData(TStream& stream) {
  Clear();
  if (ReadByte(stream) == 0) return;
  ReadGraphic(stream);
}

void TXLPicture::ReadGraphic(TStream& stream) {
  Clear();
  const std::uint8_t n = ReadByte(stream);
  const std::string name = stream.ReadBytes(n);
  if (name != kBitmapClass && name != kJpegClass) throw EXLGridError("Unsupported picture format");
  const std::int32_t size = ReadInteger(stream);
  if (size < 0 || size > stream.Remaining()) throw EReadError("Stream read error");
  SetGraphic(name, stream.ReadBytes(size));
}

void TXLPicture::WriteData(TStream& stream) const {
  if (data_.empty()) {
    WriteByte(stream, 0);
    return;
  }
  WriteByte(stream, 1);
  WriteGraphic(stream);
}

void TXLPicture::WriteGraphic(TStream& stream) const {
  if (data_.empty()) return;
  WriteByte(stream, static_cast<std::uint8_t>(class_.size()));
  stream.WriteString(class_);
  WriteInteger(stream, static_cast<std::int32_t>(data_.size()));
  stream.WriteString(data_);
}

}  // namespace qv
