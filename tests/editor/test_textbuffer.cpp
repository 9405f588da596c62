#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "editor/CodeEditTextBuffer.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> LinesOf(const TCodeEditStringList& l) {
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l.Get(i));
  return r;
}

fs::path TempDir(const char* name) {
  fs::path p = fs::path(QV_BINARY_DIR) / "textbuffer-tmp" / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(TextBuffer, LoadKeepsBreakStyleAndSplitsAtNul) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    TCodeEditFileFormat format;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}, sffDos},
      {"a\nb", {"a", "b"}, sffUnix},
      {"a\rb", {"a", "b"}, sffMac},
      {"a", {"a"}, sffDos},
      {"", {}, sffDos},
      {"a\r\rb\r", {"a", "", "b"}, sffMac},  // CR CR gives an empty line
      {"a\n\nb\n", {"a", "", "b"}, sffUnix},
      {"a\r\nb\nc", {"a", "b", "c"}, sffDos},  // mixed: CR LF
      {std::string("a\0b", 3), {"a", "b"}, sffDos},
      {std::string("a\r\n\0b", 5), {"a", "b"}, sffDos},         // a NUL after a break is skipped
      {"\xC3\xA9t\xC3\xA9\n", {"\xC3\xA9t\xC3\xA9"}, sffUnix},  // UTF-8 kept
      {"caf\xE9\r\n", {"caf\xC3\xA9"}, sffDos},                 // not UTF-8: Windows-1252
      {"\x80 5\n", {"\xE2\x82\xAC 5"}, sffUnix},
  };
  for (const Case& c : cases) {
    TCodeEditStringList list;
    list.LoadFromBytes(c.bytes);
    EXPECT_EQ(LinesOf(list), c.lines) << testing::PrintToString(c.bytes);
    EXPECT_EQ(list.FileFormat(), c.format) << testing::PrintToString(c.bytes);
  }
}

TEST(TextBuffer, SaveWritesBreakStyleAndFinalBreakRule) {
  struct Case {
    TCodeEditFileFormat format;
    bool appendBreak;
    std::string expected;
  } cases[] = {
      {sffDos, true, "one\r\ntwo\r\nthree\r\n"},
      {sffDos, false, "one\r\ntwo\r\nthree"},
      {sffUnix, true, "one\ntwo\nthree\n"},
      {sffMac, false, "one\rtwo\rthree"},
  };
  const fs::path dir = TempDir("save");
  for (const Case& c : cases) {
    TCodeEditStringList list;
    for (const char* l : {"one", "two", "three"}) list.Add(l);
    list.SetFileFormat(c.format);
    list.SetAppendBreakAtEnd(c.appendBreak);
    EXPECT_EQ(list.SaveToBytes(), c.expected);
    TMemoryStream ms;
    list.SaveToStream(ms);
    EXPECT_EQ(std::string(ms.View()), c.expected);
    const fs::path file = dir / "out.txt";
    list.SaveToFile(file.string());
    EXPECT_EQ(ReadAll(file), c.expected);
  }
  // Round trip: a loaded LF file is saved with LF again.
  TCodeEditStringList list;
  list.LoadFromBytes("x\ny\n");
  list.SaveToFile((dir / "rt.txt").string());
  EXPECT_EQ(ReadAll(dir / "rt.txt"), "x\ny\n");
  TCodeEditStringList again;
  again.LoadFromFile((dir / "rt.txt").string());
  EXPECT_EQ(LinesOf(again), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(again.FileFormat(), sffUnix);
}

TEST(TextBuffer, FailedSaveRaisesAndKeepsOldFile) {
  const fs::path dir = TempDir("failing");
  const fs::path file = dir / "model.txt";
  { std::ofstream(file, std::ios::binary) << "old"; }
  TCodeEditStringList list;
  list.Add("new text");

  // The folder cannot hold the file: a plain file stands in its way.
  EXPECT_ANY_THROW(list.SaveToFile((file / "inner.txt").string()));
  EXPECT_EQ(ReadAll(file), "old");

  // A write that the system refuses half-way (as on a full disk) is an
  // error, and the old file stays as it was. The file-size limit makes
  // every write past 1000 bytes fail.
  TCodeEditStringList big;
  for (int i = 0; i < 200; ++i) big.Add(std::string(99, char('a' + i % 26)));
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    big.SaveToFile(file.string());
  } catch (const Exception&) {
    threw = true;
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(threw);
  EXPECT_EQ(ReadAll(file), "old");
  big.SaveToFile(file.string());  // without the limit it is written
  EXPECT_EQ(fs::file_size(file), 200u * 101u);
}

TEST(TextBuffer, IndexChecksAndLineRanges) {
  TCodeEditStringList list;
  for (int i = 0; i < 10; ++i) list.Add("line" + std::to_string(i));
  try {
    list.Delete(10);
    FAIL() << "no error";
  } catch (const ECodeEditStringList& e) {
    EXPECT_EQ(e.Message(), "Invalid stringlist index 10");
  }
  EXPECT_THROW(list.Insert(11, "x"), ECodeEditStringList);
  EXPECT_THROW(list.Exchange(0, 10), ECodeEditStringList);
  EXPECT_THROW(list.PutRange(-1, 0), ECodeEditStringList);
  EXPECT_THROW(list.InsertLines(11, 2), ECodeEditStringList);
  EXPECT_THROW(list.InsertLines(-1, 2), ECodeEditStringList);
  EXPECT_EQ(list.Get(10), "");
  EXPECT_EQ(list.GetRange(10), 0);
  EXPECT_EQ(list.GetObject(-1), nullptr);

  EXPECT_EQ(list.GetRange(3), -1);  // new lines are not scanned yet
  list.PutRange(3, 7);
  EXPECT_EQ(list.GetRange(3), 7);

  list.InsertLines(10, 2);  // at Count is allowed
  EXPECT_EQ(list.Count(), 12);
  EXPECT_EQ(list.GetRange(10), 0);
  list.DeleteLines(5, 100);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"line0", "line1", "line2", "line3", "line4"}));

  list.Put(5, "appended");  // Put at Count is Add
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(list.Get(5), "appended");
}

TEST(TextBuffer, EventsAndCapacity) {
  TCodeEditStringList list;
  std::vector<std::string> log;
  list.OnChanging = [&](TCodeEditStringList*) { log.push_back("changing"); };
  list.OnChange = [&](TCodeEditStringList*) { log.push_back("change"); };
  list.OnAdded = [&](TCodeEditStringList*, int i, const std::string& s) {
    log.push_back("added " + std::to_string(i) + " " + s);
  };
  list.OnInserted = [&](TCodeEditStringList*, int i, const std::string& s) {
    log.push_back("inserted " + std::to_string(i) + " " + s);
  };
  list.OnPutted = [&](TCodeEditStringList*, int i, const std::string& s) {
    log.push_back("putted " + std::to_string(i) + " " + s);
  };
  list.OnDeleted = [&](TCodeEditStringList*, int i) {
    log.push_back("deleted " + std::to_string(i));
  };
  list.OnCleared = [&](TCodeEditStringList*) { log.push_back("cleared"); };
  list.Add("a");
  list.Insert(0, "b");
  list.Put(1, "c");
  list.Delete(0);
  list.Clear();
  list.Clear();  // empty: nothing
  EXPECT_EQ(log,
            (std::vector<std::string>{"changing", "added 0 a", "change", "changing", "inserted 0 b",
                                      "change", "changing", "putted 1 c", "change", "changing",
                                      "deleted 0", "change", "changing", "cleared", "change"}));
  for (int i = 0; i < 16; ++i) list.Add("x");
  EXPECT_EQ(list.Capacity(), 16);
  list.Add("x");
  EXPECT_EQ(list.Capacity(), 32);
  while (list.Count() < 80) list.Add("x");
  EXPECT_EQ(list.Capacity(), 80);
  list.Add("x");
  EXPECT_EQ(list.Capacity(), 100);
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(TextBuffer, TabsAndLongestLine) {
  TCodeEditStringList list;
  list.Add("a\tb");                      // expands to 5 at width 4, 9 at width 8
  list.Add("abcdef");                    // 6
  list.Add("\xC3\xA9\xC3\xA9\xC3\xA9");  // three characters, six bytes
  EXPECT_EQ(list.GetLengthOfLongestLine(), 9);
  EXPECT_EQ(list.GetExpandedString(0), "a\t\t\t\t\t\t\tb");
  list.SetTabWidth(4);
  EXPECT_EQ(list.GetExpandedString(0), "a\t\t\tb");
  EXPECT_EQ(list.GetLengthOfLongestLine(), 6);
  EXPECT_EQ(list.GetExpandedString(1), "abcdef");
  list.Exchange(0, 1);  // the cached longest line follows the swap
  EXPECT_EQ(list.GetLengthOfLongestLine(), 6);
  list.Put(0, "x");
  EXPECT_EQ(list.GetLengthOfLongestLine(), 5);
  list.SetTabWidth(3);  // general routine
  EXPECT_EQ(list.GetExpandedString(1), "a\t\tb");
  list.SetTabWidth(1);  // TAB becomes one blank
  EXPECT_EQ(list.GetExpandedString(1), "a b");
  EXPECT_EQ(list.GetExpandedString(9), "");
}

TEST(TextBuffer, SoftWordWrap) {
  const std::string noBreak(100, 'x');
  std::string withSpace(100, 'y');
  withSpace[49] = ' ';  // position 50

  TCodeEditStringList list;
  list.SetWordWrap(true);
  list.Add(noBreak);
  list.Add(withSpace);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(0), noBreak);
  EXPECT_EQ(list.Get(1), withSpace.substr(0, 50));
  EXPECT_EQ(list.Get(2), withSpace.substr(50));
  EXPECT_TRUE(list.IsContinuationLine(2));
  EXPECT_FALSE(list.IsContinuationLine(1));

  // A break character only after the width is used too.
  std::string late(100, 'z');
  late[89] = ',';
  list.Add(late);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Get(3), late.substr(0, 90));
  EXPECT_TRUE(list.IsContinuationLine(4));

  // Saving writes logical lines.
  list.SetFileFormat(sffUnix);
  EXPECT_EQ(list.SaveToBytes(), noBreak + "\n" + withSpace + "\n" + late + "\n");

  // Re-wrapping a changed paragraph.
  list.Put(2, list.Get(2) + " more words");
  EXPECT_EQ(list.RewrapParagraph(2), 1);
  EXPECT_EQ(list.Get(1) + list.Get(2), withSpace + " more words");

  // Switching wrap off joins each paragraph once and never repeats text.
  list.SetWordWrap(false);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{noBreak, withSpace + " more words", late}));

  // Switching it on wraps every line; a text in wrap pieces of 80.
  std::string longText;
  for (int i = 0; i < 30; ++i) longText += "word" + std::to_string(i) + " ";
  TCodeEditStringList two;
  two.Add("short");
  two.Add(longText);
  two.Add("tail");
  two.SetWordWrap(true);
  EXPECT_GT(two.Count(), 3);
  std::string joined;
  for (int i = 1; i < two.Count() - 1; ++i) {
    EXPECT_LE(two.Get(i).size(), 80u);
    joined += two.Get(i);
  }
  EXPECT_EQ(joined, longText);
  two.SetWordWrap(false);
  EXPECT_EQ(LinesOf(two), (std::vector<std::string>{"short", longText, "tail"}));
}

TEST(TextBuffer, LongestLineStaysRightThroughEdits) {
  // The cached longest line is kept across puts, inserts and deletes; it
  // must always answer what a full scan of the lines gives.
  TCodeEditStringList lines;
  lines.SetTabWidth(4);
  for (int i = 0; i < 20; ++i) lines.Add(std::string(size_t(i % 7), 'a'));
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int step = 0; step < 2000; ++step) {
    const int index = int(next(uint32_t(lines.Count())));
    std::string text(next(12), 'b');
    if (next(4) == 0) text.insert(next(uint32_t(text.size() + 1)), "\t");
    switch (next(3)) {
      case 0:
        lines.Put(index, text);
        break;
      case 1:
        lines.Insert(index, text);
        break;
      default:
        if (lines.Count() > 1) lines.Delete(index);
        break;
    }
    int expected = 0;
    for (int i = 0; i < lines.Count(); ++i)
      expected = std::max(expected, int(lines.GetExpandedString(i).size()));
    ASSERT_EQ(lines.GetLengthOfLongestLine(), expected) << "step " << step;
  }
}

// ---- Byte rules of loading and saving.

TEST(TextBuffer, LoadByteRules) {
  using S = std::string;
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    TCodeEditFileFormat format;
  } cases[] = {
      // After a line: one CR, then one LF, then one NUL are skipped.
      {S("a\0\0b", 4), {"a", "", "b"}, sffDos},
      {S("a\r\0b", 4), {"a", "b"}, sffMac},
      {S("a\n\0b", 4), {"a", "b"}, sffUnix},
      {S("a\0", 2), {"a"}, sffDos},
      {S("\0", 1), {""}, sffDos},
      // LF CR is two breaks: an empty line between, both kinds seen.
      {"a\n\rb", {"a", "", "b"}, sffDos},
      {"a\r\n\r\n", {"a", ""}, sffDos},
      {"\r\n", {""}, sffDos},
      {"\n\n", {"", ""}, sffUnix},
      {"\r", {""}, sffMac},
      {"a\tb \n", {"a\tb "}, sffUnix},  // tabs and trailing blanks stay
  };
  for (const Case& c : cases) {
    TCodeEditStringList list;
    list.LoadFromBytes(c.bytes);
    EXPECT_EQ(LinesOf(list), c.lines) << testing::PrintToString(c.bytes);
    EXPECT_EQ(list.FileFormat(), c.format) << testing::PrintToString(c.bytes);
    // A new load replaces the old lines completely.
    list.LoadFromBytes("z");
    EXPECT_EQ(LinesOf(list), std::vector<std::string>{"z"});
  }
}

TEST(TextBuffer, SaveByteRules) {
  struct Case {
    std::vector<std::string> lines;
    TCodeEditFileFormat format;
    bool appendBreak;
    std::string expected;
  } cases[] = {
      {{}, sffDos, true, ""},
      {{""}, sffDos, true, "\r\n"},
      {{""}, sffDos, false, ""},
      {{"a", ""}, sffUnix, false, "a\n"},
      {{"a", ""}, sffUnix, true, "a\n\n"},
      {{"x", "y"}, sffMac, true, "x\ry\r"},
  };
  for (const Case& c : cases) {
    TCodeEditStringList list;
    for (const auto& l : c.lines) list.Add(l);
    list.SetFileFormat(c.format);
    list.SetAppendBreakAtEnd(c.appendBreak);
    EXPECT_EQ(list.SaveToBytes(), c.expected);
    // Loading the bytes back gives the lines again (a final empty line
    // needs the final break).
    if (c.appendBreak) {
      TCodeEditStringList back;
      back.LoadFromBytes(c.expected);
      EXPECT_EQ(LinesOf(back), c.lines);
    }
  }
}

TEST(TextBuffer, SavedWrappedTextHoldsLogicalLines) {
  TCodeEditStringList list;
  list.SetWrapWidth(10);
  list.SetWordWrap(true);
  list.Add("alpha beta gamma delta");
  list.Add("short");
  ASSERT_GT(list.Count(), 2);
  list.SetFileFormat(sffUnix);
  EXPECT_EQ(list.SaveToBytes(), "alpha beta gamma delta\nshort\n");
  list.SetWordWrap(false);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"alpha beta gamma delta", "short"}));
}
