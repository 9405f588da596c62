// File-type registration: the registry store's association keys, the
// shared-mime-info package and the desktop entry that opens every
// registered type, each written only when it changes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>

#include "app/FileTypes.h"
#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtCanvas.h"
#include "tests/support/SettingsTestSupport.h"

namespace qv {
namespace {

class FileTypesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    std::filesystem::remove_all(DataHomeDir() + "mime");
    std::filesystem::remove_all(DataHomeDir() + "applications");
    DeleteFile(SettingsDir() + "registry.ini");
  }
  static std::string Default(const std::string& key) {
    TRegistryStore reg;
    reg.RootKey = TRootKey::HKEY_CLASSES_ROOT;
    return reg.OpenKeyReadOnly(key) ? reg.ReadString("") : "<none>";
  }
  static std::string Desktop() {
    return test::ReadText(DataHomeDir() + "applications/quorvane.desktop");
  }
};

TEST_F(FileTypesTest, BothTypesAreRegisteredForTheProgram) {
  RegisterFileType(".mff", "QuorvaneFile", "Quorvane File", "/opt/q/quorvane", "/opt/q/Quorvane");
  RegisterFileType("ssf", "QuorvaneSheetFile", "Quorvane Sheet File", "/opt/q/quorvane",
                   "/opt/q/Quorvane");
  EXPECT_EQ(Default(".mff"), "QuorvaneFile");
  EXPECT_EQ(Default("QuorvaneFile"), "Quorvane File");
  EXPECT_EQ(Default("QuorvaneFile\\DefaultIcon"), "/opt/q/Quorvane");
  EXPECT_EQ(Default("QuorvaneFile\\shell\\open\\command"), "/opt/q/quorvane %1");
  EXPECT_EQ(Default(".ssf"), "QuorvaneSheetFile");

  EXPECT_EQ(test::ReadText(DataHomeDir() + "mime/packages/quorvane-quorvanefile.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"application/x-quorvanefile\">\n"
            "    <comment>Quorvane File</comment>\n"
            "    <glob pattern=\"*.mff\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n");
  const std::string desktop = Desktop();
  EXPECT_NE(desktop.find("Exec=\"/opt/q/quorvane\" %f\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("MimeType=application/x-quorvanefile;application/x-quorvanesheetfile;\n"),
            std::string::npos)
      << desktop;
}

TEST_F(FileTypesTest, UnchangedFilesAreNotWrittenAgain) {
  RegisterFileType(".mff", "QuorvaneFile", "Quorvane File", "/opt/q/quorvane", "");
  const std::string package = DataHomeDir() + "mime/packages/quorvane-quorvanefile.xml";
  const auto before = std::filesystem::last_write_time(package);
  const auto desktopBefore =
      std::filesystem::last_write_time(DataHomeDir() + "applications/quorvane.desktop");
  std::filesystem::last_write_time(package, before - std::chrono::hours(1));
  std::filesystem::last_write_time(DataHomeDir() + "applications/quorvane.desktop",
                                   desktopBefore - std::chrono::hours(1));
  RegisterFileType(".mff", "QuorvaneFile", "Quorvane File", "/opt/q/quorvane", "");
  EXPECT_EQ(std::filesystem::last_write_time(package), before - std::chrono::hours(1));
  EXPECT_EQ(std::filesystem::last_write_time(DataHomeDir() + "applications/quorvane.desktop"),
            desktopBefore - std::chrono::hours(1));
  // No icon given: none is written.
  EXPECT_EQ(Default("QuorvaneFile\\DefaultIcon"), "<none>");
}

TEST_F(FileTypesTest, MissingExtensionOrProgramRegistersNothingAndEmptyTypeIsNamed) {
  RegisterFileType("", "T", "D", "/opt/q/quorvane", "");
  RegisterFileType(".abc", "T", "D", "", "");
  EXPECT_EQ(Default(".abc"), "<none>");
  EXPECT_FALSE(std::filesystem::exists(DataHomeDir() + "applications/quorvane.desktop"));
  RegisterFileType("..csv.", "", "Table", "/opt/q/quorvane", "");
  EXPECT_EQ(Default(".csv"), "csv_auto_file");
  EXPECT_EQ(Default("csv_auto_file"), "Table");
}

}  // namespace
}  // namespace qv
