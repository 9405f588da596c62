// Model files: save and load, the plain-text fallback, and damaged files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/core/Classes.h"
#include "support/ModelFile.h"

namespace qv {
namespace {

class ModelFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(QV_BINARY_DIR) / "model-files" /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static void Write(const std::string& path, std::string_view bytes) {
    writeFileAtomic(path, bytes);
  }

  std::filesystem::path dir_;
};

TStringList Model() {
  return TStringList({"Title \"Decay\";", "Parameters b1, b2;", "", "Variable x, y;",
                      "Function y = b1*exp(-b2*x); // Größe µ", "   indented", ""});
}

TEST_F(ModelFileTest, SavedModelLoadsBackWithTheSameLines) {
  const TStringList model = Model();
  SaveModelFile(Path("m.mff"), model);
  const std::string bytes = readFileBytes(Path("m.mff"));
  EXPECT_EQ(bytes.substr(0, 2), "&*");

  TStringList lines({"previous"});
  EXPECT_TRUE(LoadModelFile(Path("m.mff"), lines));
  EXPECT_EQ(lines.ToVector(), model.ToVector());

  // The two streams, each a list of lines ended by CR LF, under the key.
  TNamedStreams ns;
  ns.Key = "blorvintaxeq";
  ns.LoadFromFile(Path("m.mff"));
  EXPECT_EQ(ns.Count(), 2);
  EXPECT_TRUE(ns.Compressed);
  EXPECT_TRUE(ns.Encrypted);
  TMemoryStream head, text;
  ns.GetStream("headfile", head);
  ns.GetStream("quorvanefile", text);
  EXPECT_EQ(head.View(), "Quorvane File\r\nVersion 1.0\r\n");
  EXPECT_EQ(text.View().substr(0, 16), "Title \"Decay\";\r\n");
}

// Line breaks of the list do not matter: the file holds CR LF.
TEST_F(ModelFileTest, LinesAreStoredWithCrLf) {
  TStringList lines;
  lines.SetText("a\nb\n");
  lines.LineBreak = "\n";
  TNamedStreams cns;
  SetupModelCollection(cns);
  SaveModelFile(cns, Path("lf.mff"), lines);
  TMemoryStream text;
  cns.GetStream("quorvanefile", text);
  EXPECT_EQ(text.View(), "a\r\nb\r\n");
}

TEST_F(ModelFileTest, PlainTextLoadsAsText) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"lf.mff", "Title \"x\";\nFunction y = b1*x;\n", {"Title \"x\";", "Function y = b1*x;"}},
      {"crlf.mff", "a\r\nb", {"a", "b"}},
      {"cp1252.mff", "// caf\xE9\r\n", {"// caf\xC3\xA9"}},
      {"empty.mff", "", {}},
      {"amp.mff",
       "&& not a collection? no: '&' then '&'",
       {"&& not a collection? no: '&' then '&'"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(Path(c.name), c.bytes);
    TStringList lines({"previous"});
    EXPECT_FALSE(LoadModelFile(Path(c.name), lines));
    EXPECT_EQ(lines.ToVector(), c.lines);
  }
}

// A file that is a collection but does not load is reported, never shown
// as text, and the lines stay as they were.
TEST_F(ModelFileTest, DamagedModelFilesAreReported) {
  SaveModelFile(Path("good.mff"), Model());
  const std::string good = readFileBytes(Path("good.mff"));

  TNamedStreams other;
  other.Encrypted = true;
  other.Key = "another key";
  TMemoryStream s(std::string_view("text\r\n"));
  other.AddStream("headfile", &s);
  other.SaveToFile(Path("otherkey.mff"));

  TNamedStreams noHead;
  SetupModelCollection(noHead);
  noHead.AddStream("quorvanefile", &s);
  noHead.SaveToFile(Path("nohead.mff"));

  std::vector<std::pair<std::string, std::string>> files = {
      {"otherkey.mff", readFileBytes(Path("otherkey.mff"))},
      {"nohead.mff", readFileBytes(Path("nohead.mff"))},
  };
  for (size_t n : {size_t{2}, size_t{9}, good.size() / 2, good.size() - 1})
    files.push_back({"truncated" + std::to_string(n) + ".mff", good.substr(0, n)});
  for (size_t at : {size_t{2}, size_t{10}, good.size() - 9, good.size() - 1}) {
    std::string flipped = good;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x10);
    files.push_back({"flipped" + std::to_string(at) + ".mff", flipped});
  }
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    Write(Path(name), bytes);
    TStringList lines({"previous"});
    try {
      LoadModelFile(Path(name), lines);
      ADD_FAILURE() << "loaded";
    } catch (const ECorruptFile& e) {
      EXPECT_EQ(e.Message(), "File is corrupt.");
    }
    EXPECT_EQ(lines.ToVector(), std::vector<std::string>{"previous"});
  }
  TStringList lines;
  EXPECT_THROW(LoadModelFile(Path("missing.mff"), lines), EFOpenError);
}

// A model collection without the model text opens with no lines.
TEST_F(ModelFileTest, MissingModelTextGivesNoLines) {
  TNamedStreams cns;
  SetupModelCollection(cns);
  TMemoryStream head(std::string_view("Quorvane File\r\nVersion 1.0\r\n"));
  cns.AddStream("headfile", &head);
  cns.SaveToFile(Path("nomodel.mff"));
  TStringList lines({"previous"});
  EXPECT_TRUE(LoadModelFile(Path("nomodel.mff"), lines));
  EXPECT_EQ(lines.Count(), 0);
}

// A save that fails leaves the previous file as it was.
TEST_F(ModelFileTest, FailedSaveKeepsTheOldFile) {
  SaveModelFile(Path("keep.mff"), Model());
  const std::string before = readFileBytes(Path("keep.mff"));
  TNamedStreams cns;
  SetupModelCollection(cns);
  cns.Key = std::string("\xC7\x19\x00\x00", 4);  // a weak key
  EXPECT_THROW(SaveModelFile(cns, Path("keep.mff"), TStringList({"new"})), Exception);
  EXPECT_EQ(readFileBytes(Path("keep.mff")), before);
}

// A model file made read-only is not replaced by a save: the save is
// refused and the file stays (the file belongs to the test, so the owner's
// bits decide even for root).
TEST_F(ModelFileTest, SavingOverAReadOnlyModelIsRefused) {
  const std::string file = Path("locked.mff");
  SaveModelFile(file, Model());
  const std::string before = readFileBytes(file);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  try {
    SaveModelFile(file, TStringList({"changed"}));
    ADD_FAILURE() << "the save went through";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + file + "\". Permission denied");
  }
  ::chmod(file.c_str(), 0644);
  EXPECT_EQ(readFileBytes(file), before);
}

}  // namespace
}  // namespace qv
