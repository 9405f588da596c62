// Files of the settings tests: whole-file text access and a file name per
// test in the test's build folder.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace qv::test {

inline std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
}

// QV_BINARY_DIR/<prefix>_<test name>.ini
inline std::string TestIniPath(const std::string& prefix) {
  return std::string(QV_BINARY_DIR) + "/" + prefix + "_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
}

}  // namespace qv::test
