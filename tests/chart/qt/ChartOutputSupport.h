// Shared by the chart picture tests: files in the build folder, and an
// image saved as PNG there for a look.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/core/Image.h"

namespace qv::chartoutput {

inline std::string Out(const std::string& name) { return std::string(QV_BINARY_DIR) + "/" + name; }

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void SavePng(const TImage& image, const std::string& path) {
  QImage q(reinterpret_cast<const uchar*>(image.Bits()), image.Width(), image.Height(),
           image.Width() * 4, QImage::Format_RGB32);
  ASSERT_TRUE(q.save(QString::fromStdString(path), "PNG"));
}

}  // namespace qv::chartoutput
