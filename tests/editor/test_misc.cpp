#include <gtest/gtest.h>

#include "editor/CodeEditMiscClasses.h"
#include "editor/CodeEditMiscProcs.h"

using namespace qv;

TEST(EditorHelpers, TabExpansionRoutinesAgree) {
  struct Case {
    std::string line;
    int width;
    std::string expected;
  } cases[] = {
      {"a\tb", 4, "a\t\t\tb"},         {"\t", 4, "\t\t\t\t"},
      {"abcd\tx", 4, "abcd\t\t\t\tx"}, {"\xC3\xA9\tb", 4, "\xC3\xA9\t\t\tb"},  // é is one column
      {"ab\tc", 3, "ab\tc"},           {"a\tb\t", 3, "a\t\tb\t\t"},
      {"no tabs", 8, "no tabs"},
  };
  for (const Case& c : cases) {
    bool hasTabs = false;
    const std::string got = GetBestConvertTabsProc(c.width)(c.line, c.width, hasTabs);
    EXPECT_EQ(got, c.expected) << c.line << " / " << c.width;
    EXPECT_EQ(hasTabs, c.line.find('\t') != std::string::npos);
    EXPECT_EQ(ConvertTabs(c.line, c.width, hasTabs), c.expected);  // the general routine agrees
  }
  bool hasTabs = false;
  EXPECT_EQ(ConvertTabs1("a\tb", 1, hasTabs), "a b");
  EXPECT_EQ(GetBestConvertTabsProc(0), &ConvertTabs1);
  EXPECT_EQ(GetBestConvertTabsProc(8), &ConvertTabs2n);
  EXPECT_EQ(GetBestConvertTabsProc(6), &ConvertTabs);
  int count = 0;
  EXPECT_TRUE(CountCharsBeforeTab("\xC3\xA9x\ty", count));
  EXPECT_EQ(count, 2);
  EXPECT_FALSE(CountCharsBeforeTab("abc", count));
}

TEST(EditorHelpers, PointsScansAndUtf8) {
  EXPECT_EQ(LaterPoint(TPoint(5, 1), TPoint(1, 2)), TPoint(1, 2));
  EXPECT_EQ(EarlierPoint(TPoint(5, 1), TPoint(1, 2)), TPoint(5, 1));
  EXPECT_EQ(LaterPoint(TPoint(3, 2), TPoint(4, 2)), TPoint(4, 2));
  EXPECT_EQ(IntClamp(5, 1, 3), 3);
  EXPECT_EQ(IntClamp(-1, 1, 3), 1);

  const TCodeCharSet set = MakeCharSet(",;");
  EXPECT_EQ(ScanForCharInSet("\xC3\xA9"
                             "a,b;c",
                             1, set),
            3);
  EXPECT_EQ(ScanForCharInSet("a,b;c", 3, set), 4);
  EXPECT_EQ(ScanForCharInSet("abc", 1, set), 0);
  EXPECT_EQ(ReverseScanForCharInSet("a,b;c", 5, set), 4);
  EXPECT_EQ(ReverseScanForCharInSet("a,b;c", 3, set), 2);
  EXPECT_EQ(FindLineEnd(std::string_view("ab\rc")), 2u);
  EXPECT_EQ(FindLineEnd(std::string_view("abc")), 3u);

  EXPECT_EQ(UTF8CharCount("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), 4u);
  EXPECT_EQ(UTF8CharCount("\xFF\xC3"), 2u);  // malformed bytes count one each
  EXPECT_EQ(UTF8CharToByteIndex("a\xC3\xA9z", 2), 3u);
  EXPECT_FALSE(IsValidUTF8Text("caf\xE9"));
  EXPECT_TRUE(IsValidUTF8Text("caf\xC3\xA9"));
  EXPECT_EQ(CodeCharLower(U'Ä'), U'ä');
  EXPECT_EQ(CodeCharUpper(U'ж'), U'Ж');
}

TEST(EditorOptions, GutterDigitsWidthAndLineNumbers) {
  TCodeGutter g;
  int changes = 0;
  g.OnChange = [&](void*) { ++changes; };
  g.SetDigitCount(1);
  EXPECT_EQ(g.DigitCount(), 2);
  g.SetDigitCount(20);
  EXPECT_EQ(g.DigitCount(), 12);
  g.SetDigitCount(4);
  g.SetLeftOffset(-3);
  EXPECT_EQ(g.LeftOffset(), 0);
  g.SetLeftOffset(16);
  changes = 0;
  g.SetShowLineNumbers(true);
  g.SetAutoSize(true);
  g.AutoSizeDigitCount(12345);
  EXPECT_EQ(g.AutoSizeDigits(), 5);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(g.RealGutterWidth(7), 16 + 2 + 35 + 2);
  g.SetAutoSize(false);
  g.AutoSizeDigitCount(12345);
  EXPECT_EQ(g.FormatLineNumber(7), "   7");
  g.SetLeadingZeros(true);
  EXPECT_EQ(g.FormatLineNumber(7), "0007");
  g.SetLeadingZeros(false);
  g.SetZeroStart(true);
  EXPECT_EQ(g.FormatLineNumber(7), "   6");
  g.SetVisible(false);
  EXPECT_EQ(g.RealGutterWidth(7), 0);
  changes = 0;
  g.Font().SetColor(clRed);  // the font's changes are the gutter's
  EXPECT_EQ(changes, 1);

  TCodeGutter copy;
  copy.Assign(g);
  EXPECT_FALSE(copy.Visible());
  EXPECT_TRUE(copy.ZeroStart());
  EXPECT_EQ(copy.Font().Color(), clRed);
  EXPECT_EQ(copy.Font().Name(), "Terminal");
}

TEST(EditorOptions, MethodChains) {
  TCodeNotifyEventChain chain;
  std::vector<int> calls;
  int a = 0, b = 0;
  chain.Add(TCodeNotifyEvent(&a, [&](void*) { calls.push_back(1); }));
  chain.Add(TCodeNotifyEvent(&b, [&](void*) { calls.push_back(2); }));
  chain.Add(TCodeNotifyEvent(&a, [&](void*) { calls.push_back(3); }));
  chain.Fire();
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
  chain.Remove(TCodeNotifyEvent(&a, [](void*) {}));  // every registration of a
  EXPECT_EQ(chain.Count(), 1);
  try {
    chain.Add(TCodeNotifyEvent());
    FAIL() << "no error";
  } catch (const ECodeMethodChain& e) {
    EXPECT_EQ(e.Message(),
              "TCodeNotifyEventChain.Entry : the parameter `AEvent' must be specified.");
  }
  EXPECT_THROW(chain.Remove(TCodeNotifyEvent()), ECodeMethodChain);

  // An exception goes to OnException, which decides whether firing goes on.
  TCodeNotifyEventChain throwing;
  calls.clear();
  throwing.Add(TCodeNotifyEvent(&a, [&](void*) { throw Exception("boom"); }));
  throwing.Add(TCodeNotifyEvent(&b, [&](void*) { calls.push_back(9); }));
  EXPECT_THROW(throwing.Fire(), Exception);
  int seen = 0;
  throwing.OnException = [&](auto*, std::exception_ptr, bool& cont) {
    ++seen;
    cont = seen > 1;
  };
  throwing.Fire();
  EXPECT_TRUE(calls.empty());
  throwing.Fire();
  EXPECT_EQ(calls, (std::vector<int>{9}));
}

TEST(EditorOptions, KeyboardHandlerChain) {
  TKeyEvent editorKeyDown = [](void*, uint16_t& key, TShiftState) { key = 999; };
  TKeyPressEvent editorKeyPress;
  std::vector<std::string> log;
  {
    int h1 = 0, h2 = 0;
    TCodeEditKbdHandler kbd(nullptr, editorKeyDown, editorKeyPress);
    kbd.AddKeyDownHandler(TCodeKeyDownHandler(&h1, [&](void*, uint16_t& key, TShiftState) {
      log.push_back("h1 " + std::to_string(key));
    }));
    kbd.AddKeyDownHandler(TCodeKeyDownHandler(&h2, [&](void*, uint16_t& key, TShiftState) {
      log.push_back("h2 " + std::to_string(key));
      if (key == 27) key = 0;
    }));
    uint16_t key = 65;
    editorKeyDown(nullptr, key, 0);  // last added first, then the editor's own
    EXPECT_EQ(log, (std::vector<std::string>{"h2 65", "h1 65"}));
    EXPECT_EQ(key, 999);
    log.clear();
    key = 27;
    editorKeyDown(nullptr, key, 0);  // h2 swallows the key
    EXPECT_EQ(log, (std::vector<std::string>{"h2 27"}));
    EXPECT_EQ(key, 0);
    kbd.RemoveKeyDownHandler(TCodeKeyDownHandler(&h2, [](void*, uint16_t&, TShiftState) {}));
    log.clear();
    key = 27;
    editorKeyDown(nullptr, key, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"h1 27"}));
    char32_t ch = U'x';
    kbd.AddKeyPressHandler(TCodeKeyPressHandler(&h1, [&](void*, char32_t& c) { c = U'y'; }));
    editorKeyPress(nullptr, ch);
    EXPECT_EQ(ch, U'y');
  }
  // The editor's own handlers are back.
  uint16_t key = 1;
  editorKeyDown(nullptr, key, 0);
  EXPECT_EQ(key, 999);
  EXPECT_FALSE(editorKeyPress);
}
