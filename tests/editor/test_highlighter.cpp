#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/CodeEditTextBuffer.h"
#include "editor/CodeHighlighterSample.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

struct Tok {
  int kind;
  std::string text;
  friend bool operator==(const Tok&, const Tok&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Tok& t) {
    return o << "{" << t.kind << ", \"" << t.text << "\"}";
  }
};

std::vector<Tok> Tokens(TCodeSampleSyn& hl, const std::string& line, int32_t range,
                        int32_t* next = nullptr) {
  std::vector<Tok> r;
  const TCodeLineHighlight h = HighlightLine(hl, line, range);
  for (const auto& run : h.Runs) r.push_back({run.Kind, run.Text});
  if (next) *next = h.Range;
  return r;
}

// One line of the golden format per token: position, kind, attribute name
// and the text in brackets; each source line starts with its ranges.
std::string Describe(TCodeSampleSyn& hl, const std::vector<std::string>& lines) {
  std::ostringstream out;
  int32_t range = 0;
  hl.ResetRange();
  for (size_t i = 0; i < lines.size(); ++i) {
    const TCodeLineHighlight h = HighlightLine(hl, lines[i], range, int(i));
    out << "line " << i + 1 << " range " << range << " -> " << h.Range << "\n";
    for (const auto& run : h.Runs)
      out << "  " << run.Pos << " " << run.Kind << " "
          << (run.Attribute ? run.Attribute->Name() : std::string("-")) << " [" << run.Text
          << "]\n";
    range = h.Range;
  }
  return out.str();
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(ModelHighlighter, TokenStreamTable) {
  constexpr int C = tkComment, I = tkIdentifier, K = tkPasKey, S = tkSpace, Q = tkString,
                U = tkUnknown;
  struct Case {
    std::string line;
    int32_t rangeIn;
    std::vector<Tok> tokens;
    int32_t rangeOut;
  } cases[] = {
      {"BEGIN x1", 0, {{K, "BEGIN"}, {S, " "}, {I, "x"}, {U, "1"}}, 0},
      {"{ start", 0, {{C, "{ start"}}, 1},
      {"end }", 1, {{C, "end }"}}, 0},
      {"end } Data", 1, {{C, "end }"}, {S, " "}, {K, "Data"}}, 0},
      {"", 1, {}, 1},  // an empty line inside a brace comment keeps it open
      {"{", 0, {{C, "{"}}, 1},
      {"{a}b", 0, {{C, "{a}"}, {I, "b"}}, 0},
      {"a // note // b", 0, {{I, "a"}, {S, " "}, {C, "// note //"}, {S, " "}, {I, "b"}}, 0},
      // An open string or "//" comment ends with its line: the step past the
      // line end leaves range 0.
      {"x // to the end", 0, {{I, "x"}, {S, " "}, {C, "// to the end"}}, 0},
      {"\"abc", 0, {{Q, "\"abc"}}, 0},
      {"\"a\" + \"b\"", 0, {{Q, "\"a\""}, {S, " "}, {U, "+"}, {S, " "}, {Q, "\"b\""}}, 0},
      {"abc", 3, {{I, "abc"}}, 0},  // strings and // comments end with their line
      {"abc", 2, {{I, "abc"}}, 0},
      {"a/b", 0, {{I, "a"}, {I, "/"}, {I, "b"}}, 0},
      {"StartProgram startprogram Start_Program",
       0,
       {{K, "StartProgram"}, {S, " "}, {K, "startprogram"}, {S, " "}, {I, "Start_Program"}},
       0},
      {"\tIf  y=2.5e3",
       0,
       {{S, "\t"},
        {K, "If"},
        {S, "  "},
        {I, "y"},
        {U, "="},
        {U, "2"},
        {U, "."},
        {U, "5"},
        {I, "e"},
        {U, "3"}},
       0},
      {"Parameters k_1;", 0, {{K, "Parameters"}, {S, " "}, {I, "k_"}, {U, "1"}, {U, ";"}}, 0},
      {"\xC3\xA9t\xC3\xA9 x",
       0,
       {{U, "\xC3\xA9"}, {I, "t"}, {U, "\xC3\xA9"}, {S, " "}, {I, "x"}},
       0},
  };
  TCodeSampleSyn hl;
  for (const Case& c : cases) {
    int32_t out = -99;
    EXPECT_EQ(Tokens(hl, c.line, c.rangeIn, &out), c.tokens) << c.line;
    EXPECT_EQ(out, c.rangeOut) << c.line;
  }
}

TEST(ModelHighlighter, AllKeywordsAndTheirHashes) {
  const char* keywords[] = {
      "If",         "And",       "Do",         "As",           "Of",          "End",
      "Dim",        "Data",      "Is",         "Or",           "Div",         "To",
      "Begin",      "Break",     "For",        "Else",         "Var",         "Set",
      "Shr",        "Then",      "Not",        "ReDim",        "ElseIf",      "Xor",
      "Goto",       "While",     "Loop",       "DataFile",     "Exit",        "With",
      "Try",        "Next",      "Select",     "Repeat",       "Title",       "Variable",
      "Const",      "Except",    "VarPar",     "Until",        "Finally",     "Variables",
      "Downto",     "Minimum",   "DataLength", "Maximum",      "Result",      "Absolute",
      "Parameter",  "Function",  "Procedure",  "Constant",     "EndProgram",  "VarConst",
      "Parameters", "Exclusive", "Constants",  "VarParameter", "VarConstant", "StartProgram"};
  for (const char* k : keywords) {
    std::string lower = k, upper = k;
    for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    for (char& ch : upper) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(TCodeSampleSyn::KeywordKind(k), tkPasKey) << k;
    EXPECT_EQ(TCodeSampleSyn::KeywordKind(lower), tkPasKey) << lower;
    EXPECT_EQ(TCodeSampleSyn::KeywordKind(upper), tkPasKey) << upper;
    EXPECT_LE(TCodeSampleSyn::KeyHash(k), 166) << k;
  }
  EXPECT_EQ(TCodeSampleSyn::KeyHash("If"), 15);
  EXPECT_EQ(TCodeSampleSyn::KeyHash("And"), 19);
  EXPECT_EQ(TCodeSampleSyn::KeyHash("Do"), 19);
  EXPECT_EQ(TCodeSampleSyn::KeyHash("StartProgram"), 166);
  for (const char* w : {"Fi", "Ands", "Da", "Result_", "Hello", "World", "x", "VarParameters"})
    EXPECT_EQ(TCodeSampleSyn::KeywordKind(w), tkIdentifier) << w;
}

TEST(ModelHighlighter, AttributesNamesStylesColours) {
  TCodeSampleSyn hl;
  struct A {
    const char* name;
    TFontStyles style;
    TColor fg, bg;
  } expected[] = {
      {"Comment", {fsItalic}, 0x800000, clNone},
      {"Identifier", {}, clNone, clNone},
      {"Paskey", {fsBold}, 0x800000, clNone},
      {"Reserved word", {fsBold}, clNone, clNone},
      {"Space", {}, clNone, clNone},
      {"String", {}, 0x0000FF, clNone},
      {"Test", {fsItalic, fsUnderline}, 0xFF00FF, 0xC0C0C0},
  };
  ASSERT_EQ(hl.GetAttributeCount(), 7);
  for (int i = 0; i < 7; ++i) {  // attributes are listed by name
    const TCodeHighlighterAttributes* a = hl.GetAttribute(i);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Name(), expected[i].name);
    EXPECT_EQ(a->Style(), expected[i].style) << a->Name();
    EXPECT_EQ(a->Foreground(), expected[i].fg) << a->Name();
    EXPECT_EQ(a->Background(), expected[i].bg) << a->Name();
    EXPECT_FALSE(a->IsForegroundStored() || a->IsBackgroundStored() || a->IsStyleStored());
  }
  EXPECT_EQ(hl.GetAttribute(-1), nullptr);
  EXPECT_EQ(hl.GetAttribute(7), nullptr);
  EXPECT_EQ(hl.GetDefaultAttribute(0)->Name(), "Comment");
  EXPECT_EQ(hl.GetDefaultAttribute(2)->Name(), "Reserved word");
  EXPECT_EQ(hl.GetDefaultAttribute(3)->Name(), "String");
  EXPECT_EQ(hl.GetDefaultAttribute(4)->Name(), "Space");
  EXPECT_EQ(hl.GetDefaultAttribute(5), nullptr);
  EXPECT_EQ(hl.GetLanguageName(), "None");
  EXPECT_EQ(hl.GetDefaultFilter(), "All files (*.*)|*.*");
  EXPECT_FALSE(hl.IsDefaultFilterStored());

  // A changed colour is stored; attribute changes reach hooked listeners,
  // once per update block.
  int fired = 0;
  int owner = 0;
  hl.HookAttrChangeEvent(TCodeNotifyEvent(&owner, [&](void*) { ++fired; }));
  hl.CommentAttri()->SetForeground(clGreen);
  EXPECT_TRUE(hl.CommentAttri()->IsForegroundStored());
  EXPECT_EQ(fired, 1);
  hl.BeginUpdate();
  hl.StringAttri()->SetStyle({fsBold});
  hl.PasKeyAttri()->SetStyle({});
  EXPECT_EQ(fired, 1);
  hl.EndUpdate();
  EXPECT_EQ(fired, 2);
  hl.UnhookAttrChangeEvent(TCodeNotifyEvent(&owner, [](void*) {}));
  hl.SpaceAttri()->SetBackground(clYellow);
  EXPECT_EQ(fired, 2);

  TCodeSampleSyn other;
  other.Assign(hl);
  EXPECT_EQ(other.CommentAttri()->Foreground(), clGreen);
  EXPECT_EQ(other.StringAttri()->Style(), TFontStyles({fsBold}));
}

TEST(ModelHighlighter, GoldenFiles) {
  const fs::path dir = fs::path(QV_TEST_DATA_DIR) / "highlight";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".txt") continue;
    TCodeEditStringList lines;
    lines.LoadFromFile(entry.path().string());
    std::vector<std::string> v;
    for (int i = 0; i < lines.Count(); ++i) v.push_back(lines.Get(i));
    TCodeSampleSyn hl;
    const std::string actual = Describe(hl, v);
    fs::path golden = entry.path();
    golden.replace_extension(".golden");
    EXPECT_EQ(actual, ReadFile(golden)) << entry.path();
    ++checked;
  }
  EXPECT_GE(checked, 1);
}

TEST(ModelHighlighter, AttributesInTheRegistryStandIn) {
  const fs::path file = fs::path(QV_BINARY_DIR) / "hl-registry.ini";
  fs::remove(file);
  const std::string key = "Software\\Quorvane\\Highlighters\\Model";
  {
    TCodeSampleSyn hl;
    hl.CommentAttri()->SetForeground(clGreen);
    hl.PasKeyAttri()->SetStyle({fsItalic, fsStrikeOut});
    TRegistryStore reg(file.string());
    EXPECT_TRUE(hl.SaveToRegistry(reg, key));
  }
  {
    TCodeSampleSyn hl;
    TRegistryStore reg(file.string());
    EXPECT_TRUE(hl.LoadFromRegistry(reg, key));
    EXPECT_EQ(hl.CommentAttri()->Foreground(), clGreen);
    EXPECT_EQ(hl.PasKeyAttri()->Style(), TFontStyles({fsItalic, fsStrikeOut}));
    EXPECT_EQ(hl.StringAttri()->Foreground(), clRed);
    EXPECT_FALSE(hl.LoadFromRegistry(reg, "Software\\Quorvane\\Missing"));
  }
  {
    // A subkey holding only "Style" = 5: bold and underline, colours kept.
    const fs::path f2 = fs::path(QV_BINARY_DIR) / "hl-registry-style.ini";
    fs::remove(f2);
    TRegistryStore reg(f2.string());
    ASSERT_TRUE(reg.OpenKey("\\K\\Comment", true));
    reg.WriteInteger("Style", 5);
    TCodeSampleSyn hl;
    EXPECT_TRUE(hl.CommentAttri()->LoadFromRegistry(reg, "K"));
    EXPECT_EQ(hl.CommentAttri()->Style(), TFontStyles({fsBold, fsUnderline}));
    EXPECT_EQ(hl.CommentAttri()->Foreground(), clNavy);
  }
}

TEST(ModelHighlighter, AttributesFromAnotherEditorsLayout) {
  const fs::path file = fs::path(QV_BINARY_DIR) / "hl-other-editor.ini";
  fs::remove(file);
  TRegistryStore reg(file.string());
  ASSERT_TRUE(reg.OpenKey("Old", true));
  reg.WriteString("Comment", "0,0,BU,0,1,12,0");
  reg.WriteString("BadIndex", "0,0,B,0,0,16,0");
  reg.WriteString("Short", "0,0,B,0");
  ASSERT_TRUE(reg.OpenKey("\\New\\Comment", true));
  for (auto [name, value] : {std::pair{"Bold", "FALSE"},
                             {"Italic", "1"},
                             {"Underline", "0"},
                             {"Default Foreground", "false"},
                             {"Default Background", "True"}})
    reg.WriteString(name, value);
  reg.WriteInteger("Foreground Color", 9);
  reg.WriteInteger("Background Color", 3);
  ASSERT_TRUE(reg.OpenKey("\\New\\Bad", true));
  for (auto name : {"Bold", "Italic", "Underline", "Default Foreground", "Default Background"})
    reg.WriteString(name, "0");
  reg.WriteInteger("Foreground Color", -1);
  reg.WriteInteger("Background Color", 2);
  ASSERT_TRUE(reg.OpenKey("\\New\\Partial", true));
  reg.WriteString("Bold", "1");

  TCodeHighlighterAttributes a("Comment");
  EXPECT_TRUE(a.LoadFromEditorRegistry(reg, "Old", "Comment", true));
  EXPECT_EQ(a.Style(), TFontStyles({fsBold, fsUnderline}));
  EXPECT_EQ(a.Foreground(), clBlue);
  EXPECT_EQ(a.Background(), clWindow);

  TCodeHighlighterAttributes b("x");
  EXPECT_TRUE(b.LoadFromEditorRegistry(reg, "New", "Comment", false));
  EXPECT_EQ(b.Style(), TFontStyles({fsItalic}));
  EXPECT_EQ(b.Foreground(), clRed);
  EXPECT_EQ(b.Background(), clWindow);

  // Colour indexes outside the 16-colour table and missing values are
  // refused without changing anything.
  struct Bad {
    const char* key;
    const char* name;
    bool old;
  } bad[] = {{"Old", "BadIndex", true}, {"Old", "Short", true},    {"Old", "Missing", true},
             {"New", "Bad", false},     {"New", "Partial", false}, {"New", "Missing", false}};
  for (const Bad& c : bad) {
    TCodeHighlighterAttributes z("z");
    z.SetForeground(clAqua);
    EXPECT_FALSE(z.LoadFromEditorRegistry(reg, c.key, c.name, c.old)) << c.name;
    EXPECT_EQ(z.Foreground(), clAqua) << c.name;
    EXPECT_TRUE(z.Style().Empty()) << c.name;
  }
}

// ---- Token runs with positions, and the fixed texts of the model highlighter.

TEST(ModelHighlighter, RunsWithPositionsAndAttributes) {
  struct R {
    int pos, kind;
    std::string text;
    const char* attr;  // attribute name, nullptr for none
  };
  struct Case {
    std::string line;
    int32_t rangeIn;
    std::vector<R> runs;
    int32_t rangeOut;
  } cases[] = {
      {"x{", 0, {{0, 1, "x", "Identifier"}, {1, 0, "{", "Comment"}}, 1},
      {"{}", 0, {{0, 0, "{}", "Comment"}}, 0},
      {"}x", 1, {{0, 0, "}", "Comment"}, {1, 1, "x", "Identifier"}}, 0},
      {"\"\"=", 0, {{0, 6, "\"\"", "String"}, {2, 8, "=", "Identifier"}}, 0},
      {"//", 0, {{0, 0, "//", "Comment"}}, 0},
      {"a//b//c",
       0,
       {{0, 1, "a", "Identifier"}, {1, 0, "//b//", "Comment"}, {6, 1, "c", "Identifier"}},
       0},
      {"\xC3\xA9/x",
       0,
       {{0, 8, "\xC3\xA9", "Identifier"}, {1, 1, "/", "Identifier"}, {2, 1, "x", "Identifier"}},
       0},
      {"Title\t\"t\"",
       0,
       {{0, 4, "Title", "Paskey"}, {5, 5, "\t", "Space"}, {6, 6, "\"t\"", "String"}},
       0},
      {"Variables2", 0, {{0, 4, "Variables", "Paskey"}, {9, 8, "2", "Identifier"}}, 0},
      {"{ a } Data",
       0,
       {{0, 0, "{ a }", "Comment"}, {5, 5, " ", "Space"}, {6, 4, "Data", "Paskey"}},
       0},
  };
  TCodeSampleSyn hl;
  for (const Case& c : cases) {
    const TCodeLineHighlight h = HighlightLine(hl, c.line, c.rangeIn);
    ASSERT_EQ(h.Runs.size(), c.runs.size()) << c.line;
    for (size_t i = 0; i < c.runs.size(); ++i) {
      const TCodeTokenRun& got = h.Runs[i];
      EXPECT_EQ(got.Pos, c.runs[i].pos) << c.line << " #" << i;
      EXPECT_EQ(got.Kind, c.runs[i].kind) << c.line << " #" << i;
      EXPECT_EQ(got.Text, c.runs[i].text) << c.line << " #" << i;
      ASSERT_NE(got.Attribute, nullptr) << c.line << " #" << i;
      EXPECT_EQ(got.Attribute->Name(), c.runs[i].attr) << c.line << " #" << i;
    }
    EXPECT_EQ(h.Range, c.rangeOut) << c.line;
  }
}

TEST(ModelHighlighter, FixedTexts) {
  TCodeSampleSyn hl;
  EXPECT_EQ(hl.GetSampleSource(),
            "{ Sample source for the demo highlighter }\r\n\r\n"
            "This highlighter will recognize the words Hello and\r\n"
            "World as keywords. It will also highlight \"Strings\".\r\n\r\n"
            "And a special keyword type: CodeEdit\r\n\r\n"
            "/* This style of comments is also highlighted */");
  EXPECT_EQ(hl.GetDefaultAttribute(1)->Name(), "Identifier");
  EXPECT_EQ(hl.GetDefaultAttribute(-1), nullptr);
  const TCodeCharSet256 ident = hl.GetIdentChars();
  EXPECT_EQ(ident.count(), 53u);
  EXPECT_TRUE(ident.test('_') && ident.test('a') && ident.test('Z'));
  EXPECT_FALSE(ident.test('0'));
  // After a line ends inside a brace comment the next line continues it;
  // the stored range of a line ending inside a string is 0.
  hl.ResetRange();
  hl.SetLine("{ open", 0);
  hl.NextToEol();
  EXPECT_EQ(hl.GetRange(), 1);
  hl.SetRange(3);
  hl.SetLine("x", 1);
  EXPECT_EQ(hl.GetTokenKind(), 1);
  EXPECT_EQ(hl.GetTokenAttribute(), hl.IdentifierAttri());
  hl.Next();
  EXPECT_TRUE(hl.GetEol());
  EXPECT_EQ(hl.GetTokenAttribute(), nullptr);
}
