#include "platform/core/BmpWriter.h"

#include "platform/core/Classes.h"

namespace qv {

namespace {

void Put16(std::string& s, unsigned v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

}  // namespace

std::string EncodeDib(const TImage& image) {
  const int w = image.Width(), h = image.Height();
  const std::uint32_t stride = (std::uint32_t(w) * 3 + 3) & ~3u;
  std::string s;
  s.reserve(40 + std::size_t(stride) * std::size_t(h));
  Put32(s, 40);
  Put32(s, std::uint32_t(w));
  Put32(s, std::uint32_t(h));  // positive: bottom-up rows
  Put16(s, 1);                 // planes
  Put16(s, 24);                // bits per pixel
  Put32(s, 0);                 // no compression
  Put32(s, stride * std::uint32_t(h));
  Put32(s, 3780);  // pixels per metre
  Put32(s, 3780);
  Put32(s, 0);
  Put32(s, 0);
  for (int y = h - 1; y >= 0; --y) {
    const std::uint32_t* row = image.ScanLine(y);
    std::size_t start = s.size();
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = row[x];  // 0xFFRRGGBB -> B, G, R
      s += char(p & 0xFF);
      s += char((p >> 8) & 0xFF);
      s += char((p >> 16) & 0xFF);
    }
    s.append(stride - (s.size() - start), '\0');
  }
  return s;
}

std::string EncodeBmp(const TImage& image) {
  std::string dib = EncodeDib(image);
  std::string s = "BM";
  Put32(s, std::uint32_t(14 + dib.size()));
  Put32(s, 0);
  Put32(s, 54);
  s += dib;
  return s;
}

void SaveBmpToFile(const TImage& image, const std::string& path) {
  writeFileAtomic(path, EncodeBmp(image));
}

}  // namespace qv
