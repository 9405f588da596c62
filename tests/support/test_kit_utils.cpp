// Folder test and the four-digit-year flag of the support components.
#include <gtest/gtest.h>

#include "platform/core/SysUtils.h"
#include "support/DateUtil.h"
#include "support/FileUtil.h"

namespace qv {
namespace {

TEST(KitUtils, DirExists) {
  const std::string dir = std::string(QV_BINARY_DIR) + "/dir_exists_probe";
  ForceDirectories(dir);
  EXPECT_TRUE(DirExists(dir));
  EXPECT_TRUE(DirExists(dir + "/"));
  EXPECT_FALSE(DirExists(dir + "/missing"));
  EXPECT_FALSE(DirExists(std::string(QV_SOURCE_DIR) + "/CMakeLists.txt"));  // a file
  EXPECT_FALSE(DirExists(""));
}

TEST(KitUtils, FourDigitYear) {
  EXPECT_TRUE(IsFourDigitYear("dd/mm/yyyy"));
  EXPECT_TRUE(IsFourDigitYear("YYYY-MM-DD"));
  EXPECT_TRUE(IsFourDigitYear("M/d/yYyY"));
  EXPECT_FALSE(IsFourDigitYear("dd.mm.yy"));
  EXPECT_FALSE(IsFourDigitYear("yyy"));
  EXPECT_EQ(FourDigitYear(), IsFourDigitYear(FormatSettings().ShortDateFormat));
}

}  // namespace
}  // namespace qv
