#include "editor/CodeHighlighterSample.h"

#include <array>
#include <vector>

#include "editor/CodeEditMiscProcs.h"

namespace qv {

const char* const SYNS_AttrComment = "Comment";
const char* const SYNS_AttrIdentifier = "Identifier";
const char* const SYNS_AttrReservedWord = "Reserved word";
const char* const SYNS_AttrPasKey = "Paskey";
const char* const SYNS_AttrSpace = "Space";
const char* const SYNS_AttrString = "String";
const char* const SYNS_AttrTest = "Test";

namespace {

constexpr int kMaxKey = 166;

const char* const kKeywords[] = {
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

bool IsIdentByte(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

int HashValue(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
  if (c >= 'a' && c <= 'z') return c - 'a' + 1;
  if (c == '_') return 31;
  return 0;
}

// Keywords by hash value, built once.
const std::array<std::vector<const char*>, kMaxKey + 1>& KeywordTable() {
  static const auto table = [] {
    std::array<std::vector<const char*>, kMaxKey + 1> t;
    for (const char* k : kKeywords) {
      int h = 0;
      for (const char* p = k; *p; ++p) h += HashValue(*p);
      if (h <= kMaxKey) t[size_t(h)].push_back(k);
    }
    return t;
  }();
  return table;
}

const bool kRegistered = [] {
  RegisterPlaceableHighlighter("TCodeSampleSyn", [] { return std::make_unique<TCodeSampleSyn>(); });
  return true;
}();

}  // namespace

TCodeSampleSyn::TCodeSampleSyn() {
  (void)kRegistered;
  auto make = [this](const char* name, TFontStyles style, TColor fg, TColor bg) {
    auto a = std::make_unique<TCodeHighlighterAttributes>(name);
    a->SetStyle(style);
    a->SetForeground(fg);
    a->SetBackground(bg);
    TCodeHighlighterAttributes* raw = a.get();
    AddAttribute(std::move(a));
    return raw;
  };
  fCommentAttri = make(SYNS_AttrComment, {fsItalic}, clNavy, clNone);
  fIdentifierAttri = make(SYNS_AttrIdentifier, {}, clNone, clNone);
  fKeyAttri = make(SYNS_AttrReservedWord, {fsBold}, clNone, clNone);
  fPasKeyAttri = make(SYNS_AttrPasKey, {fsBold}, clNavy, clNone);
  fSpaceAttri = make(SYNS_AttrSpace, {}, clNone, clNone);
  fStringAttri = make(SYNS_AttrString, {}, clRed, clNone);
  fTestAttri = make(SYNS_AttrTest, {fsItalic, fsUnderline}, clFuchsia, clSilver);
  SetAttributesOnChange([this](TCodeHighlighterAttributes*) { DefHighlightChange(); });
  SetDefaultFilter("All files (*.*)|*.*");
}

TCodeHighlighterAttributes* TCodeSampleSyn::GetDefaultAttribute(int Index) const {
  switch (Index) {
    case 0:
      return fCommentAttri;
    case 1:
      return fIdentifierAttri;
    case 2:
      return fKeyAttri;
    case 3:
      return fStringAttri;
    case 4:
      return fSpaceAttri;
    default:
      return nullptr;
  }
}

TCodeCharSet256 TCodeSampleSyn::GetIdentChars() const {
  TCodeCharSet256 s;
  for (int c = 0; c < 128; ++c)
    if (IsIdentByte(char(c))) s.set(size_t(c));
  return s;
}

bool TCodeSampleSyn::IsIdentChar(char32_t C) const { return C < 128 && IsIdentByte(char(C)); }

std::string TCodeSampleSyn::GetSampleSource() const {
  return "{ Sample source for the demo highlighter }\r\n\r\n"
         "This highlighter will recognize the words Hello and\r\n"
         "World as keywords. It will also highlight \"Strings\".\r\n\r\n"
         "And a special keyword type: CodeEdit\r\n\r\n"
         "/* This style of comments is also highlighted */";
}

bool TCodeSampleSyn::IsDefaultFilterStored() const {
  return GetDefaultFilter() != "All files (*.*)|*.*";
}

int TCodeSampleSyn::KeyHash(const std::string& Word) {
  int h = 0;
  for (size_t i = 0; i < Word.size() && IsIdentByte(Word[i]); ++i) h += HashValue(Word[i]);
  return h;
}

int TCodeSampleSyn::KeywordKind(const std::string& Word) {
  size_t len = 0;
  int h = 0;
  while (len < Word.size() && IsIdentByte(Word[len])) h += HashValue(Word[len++]);
  if (h > kMaxKey) return tkIdentifier;
  for (const char* k : KeywordTable()[size_t(h)]) {
    size_t i = 0;
    while (i < len && k[i] && HashValue(k[i]) == HashValue(Word[i])) ++i;
    if (i == len && k[i] == '\0') return tkPasKey;
  }
  return tkIdentifier;
}

void TCodeSampleSyn::SetLine(const std::string& NewValue, int LineNumber) {
  fLine = NewValue;
  fRun = 0;
  fTokenPos = 0;
  fTokenPosChars = 0;
  fLineNumber = LineNumber;
  Next();
}

std::string TCodeSampleSyn::GetToken() const { return fLine.substr(fTokenPos, fRun - fTokenPos); }

TCodeHighlighterAttributes* TCodeSampleSyn::GetTokenAttribute() const {
  switch (fTokenID % 128) {
    case tkComment:
      return fCommentAttri;
    case tkIdentifier:
      return fIdentifierAttri;
    case tkKey:
      return fKeyAttri;
    case tkPasKey:
      return fPasKeyAttri;
    case tkSpace:
      return fSpaceAttri;
    case tkString:
      return fStringAttri;
    case tkTest:
      return fTestAttri;
    case tkUnknown:
      return fIdentifierAttri;
    default:
      return nullptr;
  }
}

void TCodeSampleSyn::BraceCommentProc() {
  const char c = At(fRun);
  if (c == '\0' && fRun >= fLine.size()) {
    fTokenID = tkNull;
    return;
  }
  if (c == '\n') {
    fTokenID = tkSpace;
    ++fRun;
    return;
  }
  if (c == '\r') {
    fTokenID = tkSpace;
    ++fRun;
    if (At(fRun) == '\n') ++fRun;
    return;
  }
  fTokenID = tkComment;
  do {
    if (At(fRun) == '}') {
      ++fRun;
      fRange = rsUnKnown;
      break;
    }
    ++fRun;
  } while (fRun < fLine.size() && At(fRun) != '\n' && At(fRun) != '\r');
}

void TCodeSampleSyn::DoubleSlashCommentProc() {
  fTokenID = tkComment;
  ++fRun;  // the second slash of the opening pair
  while (fRun < fLine.size() && At(fRun) != '\n' && At(fRun) != '\r') {
    if (At(fRun) == '/' && At(fRun + 1) == '/') {
      fRun += 2;
      fRange = rsUnKnown;
      return;
    }
    ++fRun;
  }
}

void TCodeSampleSyn::StringProc() {
  fTokenID = tkString;
  while (fRun < fLine.size() && At(fRun) != '\n' && At(fRun) != '\r') {
    if (At(fRun) == '"') {
      ++fRun;
      fRange = rsUnKnown;
      return;
    }
    ++fRun;
  }
}

void TCodeSampleSyn::IdentProc() {
  const size_t start = fRun;
  size_t len = 0;
  while (IsIdentByte(At(start + len))) ++len;
  fTokenID = KeywordKind(fLine.substr(start, len));
  fRun = start + len;
  while (IsIdentByte(At(fRun))) ++fRun;
}

void TCodeSampleSyn::Next() {
  // Character position of the new token: the old one plus the characters
  // of the token just passed.
  fTokenPosChars +=
      static_cast<int>(UTF8CharCount(std::string_view(fLine).substr(fTokenPos, fRun - fTokenPos)));
  fTokenPos = fRun;
  if (fRange == rsBraceComment) {
    BraceCommentProc();
    return;
  }
  fRange = rsUnKnown;
  if (fRun >= fLine.size()) {
    fTokenID = tkNull;
    return;
  }
  const unsigned char c = static_cast<unsigned char>(fLine[fRun]);
  if (c == '\n') {
    fTokenID = tkSpace;
    ++fRun;
  } else if (c == '\r') {
    fTokenID = tkSpace;
    ++fRun;
    if (At(fRun) == '\n') ++fRun;
  } else if (c >= 1 && c <= 32) {
    fTokenID = tkSpace;
    while (fRun < fLine.size() && static_cast<unsigned char>(fLine[fRun]) >= 1 &&
           static_cast<unsigned char>(fLine[fRun]) <= 32)
      ++fRun;
  } else if (c == '"') {
    ++fRun;
    fRange = rsString;
    StringProc();
  } else if (c == '/') {
    ++fRun;
    if (At(fRun) != '/') {
      fTokenID = tkIdentifier;
    } else {
      fRange = rsDoubleSlash;
      DoubleSlashCommentProc();
    }
  } else if (c == '{') {
    ++fRun;
    fRange = rsBraceComment;
    BraceCommentProc();
    fTokenID = tkComment;
  } else if (IsIdentByte(char(c))) {
    IdentProc();
  } else {
    // Any other character, taken whole (a NUL inside the text included).
    fTokenID = tkUnknown;
    UTF8NextChar(fLine, fRun);
  }
}

}  // namespace qv
