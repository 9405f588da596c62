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
  commentAttri_ = AddAttribute(SYNS_AttrComment, {fsItalic}, clNavy, clNone);
  identifierAttri_ = AddAttribute(SYNS_AttrIdentifier, {}, clNone, clNone);
  keyAttri_ = AddAttribute(SYNS_AttrReservedWord, {fsBold}, clNone, clNone);
  pasKeyAttri_ = AddAttribute(SYNS_AttrPasKey, {fsBold}, clNavy, clNone);
  spaceAttri_ = AddAttribute(SYNS_AttrSpace, {}, clNone, clNone);
  stringAttri_ = AddAttribute(SYNS_AttrString, {}, clRed, clNone);
  testAttri_ = AddAttribute(SYNS_AttrTest, {fsItalic, fsUnderline}, clFuchsia, clSilver);
  SetAttributesOnChange([this](TCodeHighlighterAttributes*) { DefHighlightChange(); });
  SetDefaultFilter("All files (*.*)|*.*");
}

TCodeHighlighterAttributes* TCodeSampleSyn::GetDefaultAttribute(int Index) const {
  switch (Index) {
    case 0:
      return commentAttri_;
    case 1:
      return identifierAttri_;
    case 2:
      return keyAttri_;
    case 3:
      return stringAttri_;
    case 4:
      return spaceAttri_;
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

std::vector<std::string> TCodeSampleSyn::Keywords() {
  return std::vector<std::string>(std::begin(kKeywords), std::end(kKeywords));
}

void TCodeSampleSyn::SetLine(const std::string& NewValue, int LineNumber) {
  line_ = NewValue;
  run_ = 0;
  tokenPos_ = 0;
  tokenPosChars_ = 0;
  lineNumber_ = LineNumber;
  Next();
}

std::string TCodeSampleSyn::GetToken() const { return line_.substr(tokenPos_, run_ - tokenPos_); }

TCodeHighlighterAttributes* TCodeSampleSyn::GetTokenAttribute() const {
  switch (tokenId_ % 128) {
    case tkComment:
      return commentAttri_;
    case tkIdentifier:
      return identifierAttri_;
    case tkKey:
      return keyAttri_;
    case tkPasKey:
      return pasKeyAttri_;
    case tkSpace:
      return spaceAttri_;
    case tkString:
      return stringAttri_;
    case tkTest:
      return testAttri_;
    case tkUnknown:
      return identifierAttri_;
    default:
      return nullptr;
  }
}

void TCodeSampleSyn::BraceCommentProc() {
  const char c = At(run_);
  if (c == '\0' && run_ >= line_.size()) {
    tokenId_ = tkNull;
    return;
  }
  if (c == '\n') {
    tokenId_ = tkSpace;
    ++run_;
    return;
  }
  if (c == '\r') {
    tokenId_ = tkSpace;
    ++run_;
    if (At(run_) == '\n') ++run_;
    return;
  }
  tokenId_ = tkComment;
  do {
    if (At(run_) == '}') {
      ++run_;
      range_ = rsUnKnown;
      break;
    }
    ++run_;
  } while (run_ < line_.size() && At(run_) != '\n' && At(run_) != '\r');
}

void TCodeSampleSyn::DoubleSlashCommentProc() {
  tokenId_ = tkComment;
  ++run_;  // the second slash of the opening pair
  while (run_ < line_.size() && At(run_) != '\n' && At(run_) != '\r') {
    if (At(run_) == '/' && At(run_ + 1) == '/') {
      run_ += 2;
      range_ = rsUnKnown;
      return;
    }
    ++run_;
  }
}

void TCodeSampleSyn::StringProc() {
  tokenId_ = tkString;
  while (run_ < line_.size() && At(run_) != '\n' && At(run_) != '\r') {
    if (At(run_) == '"') {
      ++run_;
      range_ = rsUnKnown;
      return;
    }
    ++run_;
  }
}

void TCodeSampleSyn::IdentProc() {
  const size_t start = run_;
  size_t len = 0;
  while (IsIdentByte(At(start + len))) ++len;
  tokenId_ = KeywordKind(line_.substr(start, len));
  run_ = start + len;
  while (IsIdentByte(At(run_))) ++run_;
}

void TCodeSampleSyn::Next() {
  // Character position of the new token: the old one plus the characters
  // of the token just passed.
  tokenPosChars_ +=
      static_cast<int>(UTF8CharCount(std::string_view(line_).substr(tokenPos_, run_ - tokenPos_)));
  tokenPos_ = run_;
  if (range_ == rsBraceComment) {
    BraceCommentProc();
    return;
  }
  range_ = rsUnKnown;
  if (run_ >= line_.size()) {
    tokenId_ = tkNull;
    return;
  }
  const unsigned char c = static_cast<unsigned char>(line_[run_]);
  if (c == '\n') {
    tokenId_ = tkSpace;
    ++run_;
  } else if (c == '\r') {
    tokenId_ = tkSpace;
    ++run_;
    if (At(run_) == '\n') ++run_;
  } else if (c >= 1 && c <= 32) {
    tokenId_ = tkSpace;
    while (run_ < line_.size() && static_cast<unsigned char>(line_[run_]) >= 1 &&
           static_cast<unsigned char>(line_[run_]) <= 32)
      ++run_;
  } else if (c == '"') {
    ++run_;
    range_ = rsString;
    StringProc();
  } else if (c == '/') {
    ++run_;
    if (At(run_) != '/') {
      tokenId_ = tkIdentifier;
    } else {
      range_ = rsDoubleSlash;
      DoubleSlashCommentProc();
    }
  } else if (c == '{') {
    ++run_;
    range_ = rsBraceComment;
    BraceCommentProc();
    tokenId_ = tkComment;
  } else if (IsIdentByte(char(c))) {
    IdentProc();
  } else {
    // Any other character, taken whole (a NUL inside the text included).
    tokenId_ = tkUnknown;
    UTF8NextChar(line_, run_);
  }
}

}  // namespace qv
