// INI files with profile semantics, the settings folder and the registry stand-in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/core/IniFiles.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    dir_ = std::string(QV_BINARY_DIR) + "/ini-tmp/" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = dir_ + "Quorvane.INI";
  }
  std::string dir_, path_;
};

TEST_F(IniTest, ReadingFollowsProfileRules) {
  writeFileAtomic(path_,
                  "stray line before any section\r\n"
                  "key=outside\r\n"
                  "[Main]\r\n"
                  "  Name  =  padded value  \r\n"
                  "name=second wins never\r\n"
                  "Quoted=\"  keep blanks  \"\r\n"
                  "Single='x'\r\n"
                  "Mixed=\"x'\r\n"
                  "Eq=a=b=c\r\n"
                  "; comment=not a key\r\n"
                  "garbage without equals\r\n"
                  "[broken\r\n"
                  "Inside=broken section\r\n"
                  "[main]\r\n"
                  "Late=ignored, first section wins\r\n");
  TIniFile ini(path_);
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"main", "NAME", "padded value"},
      {"Main", "Quoted", "  keep blanks  "},
      {"Main", "Single", "x"},
      {"Main", "Mixed", "\"x'"},
      {"Main", "Eq", "a=b=c"},
      {"Main", "; comment", "<default>"},
      {"Main", "garbage without equals", "<default>"},
      {"Main", "Late", "<default>"},
      {"broken", "Inside", "broken section"},
      {"", "key", "<default>"},
      {"Nope", "Name", "<default>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.value) << c.key;

  TStringList keys;
  ini.ReadSection("MAIN", keys);
  EXPECT_EQ(keys.ToVector(), (std::vector<std::string>{"Name", "Quoted", "Single", "Mixed", "Eq"}));
  ini.ReadSections(keys);
  EXPECT_EQ(keys.ToVector(), (std::vector<std::string>{"Main", "broken"}));
  ini.ReadSectionValues("Main", keys);
  EXPECT_EQ(keys[0], "Name=padded value");
  EXPECT_TRUE(ini.SectionExists("MAIN"));
  EXPECT_FALSE(ini.SectionExists("Nope"));
  EXPECT_TRUE(ini.ValueExists("main", "eq"));
  EXPECT_FALSE(ini.ValueExists("main", "Late"));
}

TEST_F(IniTest, TypedValuesAndDefaults) {
  writeFileAtomic(path_,
                  "[T]\nHex=0x1F\nDollar=$10\nBad=12abc\nFloat=2.5\nComma=2,5\nNeg=-3\nBool=7\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("T", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("T", "Dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("T", "Bad", -1), -1);
  EXPECT_EQ(ini.ReadInteger("T", "Neg", 0), -3);
  EXPECT_EQ(ini.ReadInteger("T", "Missing", 42), 42);
  EXPECT_TRUE(ini.ReadBool("T", "Bool", false));
  EXPECT_TRUE(ini.ReadBool("T", "Missing", true));
  EXPECT_FALSE(ini.ReadBool("T", "Bad", false));
  EXPECT_EQ(ini.ReadFloat("T", "Float", 0), 2.5);
  EXPECT_EQ(ini.ReadFloat("T", "Comma", -1), -1) << "not a number with '.' settings";
  ini.WriteFloat("T", "Pi", 3.14159);
  ini.WriteBool("T", "On", true);
  ini.WriteInteger("T", "N", -12);
  EXPECT_EQ(ini.ReadString("T", "Pi", ""), "3.14159");
  EXPECT_EQ(ini.ReadString("T", "On", ""), "1");
  EXPECT_EQ(ini.ReadString("T", "N", ""), "-12");

  // Floats are always written with '.', whatever the locale says.
  TFormatSettings comma = TFormatSettings::Invariant();
  comma.DecimalSeparator = ',';
  FormatSettings() = comma;
  ini.WriteFloat("T", "Half", 0.5);
  EXPECT_EQ(ini.ReadString("T", "Half", ""), "0.5");
  EXPECT_EQ(ini.ReadFloat("T", "Comma", -1), 2.5) << "the locale form is accepted too";
}

TEST_F(IniTest, WritingKeepsTheFileLayout) {
  writeFileAtomic(path_,
                  "; settings\r\n"
                  "[TFitForm]\r\n"
                  "Flags=0\r\n"
                  "odd line\r\n"
                  "\r\n"
                  "[Other]\r\n"
                  "A=1\r\n");
  TIniFile ini(path_);
  ini.WriteString("tfitform", "FLAGS", "2");                           // replaced in place
  ini.WriteString("TFitForm", "NormPos(1920x1080)", "10,20,800,600");  // appended in its section
  ini.WriteString("New", "Key", "v");                                  // new section at the end
  EXPECT_EQ(readFileBytes(path_),
            "; settings\r\n"
            "[TFitForm]\r\n"
            "FLAGS=2\r\n"
            "odd line\r\n"
            "NormPos(1920x1080)=10,20,800,600\r\n"
            "\r\n"
            "[Other]\r\n"
            "A=1\r\n"
            "\r\n"
            "[New]\r\n"
            "Key=v\r\n");
  TIniFile again(path_);
  EXPECT_EQ(again.ReadString("TFitForm", "NormPos(1920x1080)", ""), "10,20,800,600");

  ini.DeleteKey("TFitForm", "flags");
  ini.EraseSection("other");
  EXPECT_EQ(readFileBytes(path_),
            "; settings\r\n"
            "[TFitForm]\r\n"
            "odd line\r\n"
            "NormPos(1920x1080)=10,20,800,600\r\n"
            "\r\n"
            "[New]\r\n"
            "Key=v\r\n");
}

TEST_F(IniTest, EveryWrittenValueReadsBackTheSame) {
  TIniFile ini(path_);
  const char* values[] = {
      "plain", "\"quoted\"", "'single'",        "  blanks  ", "\"",        "a \"b\" c",
      "",      "x=y",        "[not a section]", "\"half",     "tab\there", "\xC3\xA9t\xC3\xA9"};
  int i = 0;
  for (const char* v : values) ini.WriteString("Values", "K" + std::to_string(i++), v);
  TIniFile fresh(path_);
  i = 0;
  for (const char* v : values)
    EXPECT_EQ(fresh.ReadString("Values", "K" + std::to_string(i++), "?"), v);
  // A line break cannot live in a line: it becomes a blank instead of
  // starting a forged section.
  ini.WriteString("Values", "Evil", "x\r\n[Other]\r\nKey=1");
  EXPECT_EQ(fresh.ReadString("Values", "Evil", ""), "x  [Other]  Key=1");
  EXPECT_FALSE(fresh.SectionExists("Other"));
}

TEST_F(IniTest, ChangesOnDiskAndDeferredWriting) {
  TIniFile a(path_);
  TIniFile b(path_);
  a.WriteString("S", "K", "1");
  EXPECT_EQ(b.ReadString("S", "K", ""), "1") << "another object sees the write";
  {
    TMemIniFile m(path_);
    m.WriteString("S", "K", "2");
    EXPECT_EQ(a.ReadString("S", "K", ""), "1") << "not written before UpdateFile";
    m.UpdateFile();
    EXPECT_EQ(a.ReadString("S", "K", ""), "2");
    m.WriteString("S", "L", "3");
  }
  EXPECT_EQ(a.ReadString("S", "L", ""), "3") << "the destructor saves";
}

TEST_F(IniTest, BadFilesGiveDefaultsOrAClearError) {
  // A folder where the file should be: reads give defaults, writes raise.
  fs::create_directories(path_);
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
  try {
    ini.WriteString("S", "K", "v");
    ADD_FAILURE();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message().rfind("Unable to write to " + path_, 0), 0u) << e.Message();
  }
  // Binary junk is tolerated.
  const std::string junk = dir_ + "junk.ini";
  writeFileAtomic(junk, std::string("\0\xFF[\x01]=\n=\n[S]\nK=v\n\xC3", 18));
  TIniFile j(junk);
  EXPECT_EQ(j.ReadString("S", "K", ""), "v");
}

TEST_F(IniTest, SettingsFolderFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", (dir_ + "cfg").c_str(), 1);
  EXPECT_EQ(SettingsDir(), dir_ + "cfg/quorvane/");
  EXPECT_TRUE(fs::is_directory(dir_ + "cfg/quorvane"));
  EXPECT_EQ(SettingsFileName(), dir_ + "cfg/quorvane/Quorvane.INI");
  ::setenv("XDG_CONFIG_HOME", "relative/path", 1);  // not absolute: ignored
  const char* home = std::getenv("HOME");
  if (home) {
    EXPECT_EQ(SettingsDir(), IncludeTrailingPathDelimiter(home) + ".config/quorvane/");
  }
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(IniTest, RegistryStoreKeepsKeysAsSections) {
  const std::string file = dir_ + "registry.ini";
  {
    TRegistryStore reg(file);
    EXPECT_FALSE(reg.OpenKey("Software\\Quorvane\\Explorer", false));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quorvane\\Explorer", true));
    reg.WriteString("DirectoryCols", "120,80");
    reg.WriteInteger("Width", 300);
    reg.WriteBinaryData("Blob", std::string("\x00\xFF\x10", 3));
    reg.RootKey = TRootKey::HKEY_CLASSES_ROOT;
    ASSERT_TRUE(reg.OpenKey("\\.mff", true));
    reg.WriteString("", "QuorvaneFile");
  }
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadString("Software\\Quorvane\\Explorer", "DirectoryCols", ""), "120,80");
  EXPECT_EQ(ini.ReadString("HKEY_CLASSES_ROOT\\.mff", "@", ""), "QuorvaneFile");

  TRegistryStore reg(file);
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Quorvane\\Explorer"));
  EXPECT_EQ(reg.ReadInteger("Width"), 300);
  EXPECT_EQ(reg.ReadBinaryData("Blob"), std::string("\x00\xFF\x10", 3));
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_TRUE(reg.KeyExists("\\Software\\Quorvane"));
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("Software", false));
  TStringList names;
  reg.GetKeyNames(names);
  EXPECT_EQ(names.ToVector(), std::vector<std::string>{"Quorvane"});
  EXPECT_TRUE(reg.DeleteKey("\\Software\\Quorvane"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Quorvane\\Explorer"));
}

}  // namespace
