#include "workbook/EncodeFormula.h"

#include <cmath>
#include <vector>

#include "platform/core/SysUtils.h"
#include "workbook/DecodeFormula.h"
#include "workbook/XLSStrings.h"

namespace qv {

TEncodeFormula::TEncodeFormula() {
  ListSeparator = FormatSettings().ListSeparator;
  DecimalSeparator = FormatSettings().DecimalSeparator;
}

namespace {

enum TTok {
  tkEnd,
  tkOp,
  tkLParen,
  tkRParen,
  tkNumber,
  tkIdent,  // name or function
  tkRef,
  tkArea,
  tkSheetRef,
  tkError,
  tkString
};

struct TCellRef {
  int col = 0, row = 0;
  bool absCol = false, absRow = false;
};

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || static_cast<uint8_t>(c) >= 0x80;
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentChar(char c) {
  return isLetter(c) || isDigit(c) || c == '_' || c == '$' || c == ':' || c == ' ' || c == '.';
}

}  // namespace

class TEncodeFormula::TParser {
 public:
  TParser(TEncodeFormula& owner, std::string_view text, std::string_view whole, std::string& out,
          size_t capacity)
      : o_(owner), text_(text), whole_(whole), out_(out), cap_(capacity) {}

  void Run() {
    next();
    if (tok_ == tkEnd) return;
    expr();
    if (tok_ != tkEnd) invalidSymbol(tokText_);
  }

 private:
  // ---- output ----
  void add(uint8_t id, const void* data, size_t n) {
    if (out_.size() + 1 + n > cap_) throw EXLSError("Formula buffer owerflow");
    out_ += static_cast<char>(id);
    out_.append(static_cast<const char*>(data), n);
  }
  void add(uint8_t id) { add(id, nullptr, 0); }
  void add(uint8_t id, const std::string& data) { add(id, data.data(), data.size()); }

  // ---- errors ----
  [[noreturn]] void invalidSymbol(const std::string& s) {
    throw EXLSError(Format("Invalid symbol \"%s\" in formula \"%s\"", s, whole_));
  }
  [[noreturn]] void invalidRef(const std::string& s) {
    throw EXLSError(Format("Invalid Reference \"%s\" in formula \"%s\"", s, whole_));
  }

  // ---- tokenizer ----
  void skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  // Parses "A1", "$A$1", "IV65536" (upper-case letters only).
  bool parseRef(std::string_view s, TCellRef& r, bool& malformed) const {
    malformed = false;
    size_t i = 0;
    r = {};
    if (i < s.size() && s[i] == '$') {
      r.absCol = true;
      ++i;
    }
    size_t l0 = i;
    while (i < s.size() && s[i] >= 'A' && s[i] <= 'Z') ++i;
    size_t letters = i - l0;
    if (i < s.size() && s[i] == '$') {
      r.absRow = true;
      ++i;
    }
    size_t d0 = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    if (i != s.size() || letters == 0 || letters > 2 || i == d0) return false;
    if (letters == 2 && s[l0] > 'I') {
      malformed = true;
      return false;
    }
    int col = letters == 1 ? s[l0] - 'A' : (s[l0] - 'A' + 1) * 26 + (s[l0 + 1] - 'A');
    if (i - d0 > 6) {
      malformed = true;
      return false;
    }
    int row = std::stoi(std::string(s.substr(d0, i - d0))) - 1;
    int maxRow = o_.Version >= xvExcel97 ? 65535 : 16383;
    if (col > 255 || row < 0 || row > maxRow) {
      malformed = true;
      return false;
    }
    r.col = col;
    r.row = row;
    return true;
  }

  // Reads a run of identifier characters; returns it trimmed.
  std::string identRun() {
    size_t s = pos_;
    while (pos_ < text_.size() && isIdentChar(text_[pos_])) ++pos_;
    return Trim(text_.substr(s, pos_ - s));
  }

  // A text that should be a reference or an area (the part after "!").
  bool refOrArea(const std::string& id, bool strict) {
    size_t colon = id.find(':');
    bool bad = false;
    if (colon == std::string::npos) {
      if (parseRef(id, ref1_, bad)) {
        tok_ = tkRef;
        return true;
      }
      if (bad || strict) invalidRef(id);
      return false;
    }
    std::string a = Trim(id.substr(0, colon)), b = Trim(id.substr(colon + 1));
    bool bad2 = false;
    if (parseRef(a, ref1_, bad) && parseRef(b, ref2_, bad2)) {
      tok_ = tkArea;
      return true;
    }
    if (strict || bad || bad2 || !a.empty()) invalidRef(id);
    return false;
  }

  void next() {
    skipBlanks();
    tokText_.clear();
    if (pos_ >= text_.size()) {
      tok_ = tkEnd;
      return;
    }
    char c = text_[pos_];
    auto op = [&](size_t n) {
      tok_ = tkOp;
      tokText_ = std::string(text_.substr(pos_, n));
      pos_ += n;
    };
    switch (c) {
      case '+':
      case '-':
      case '*':
      case '/':
      case '^':
      case '&':
      case '=':
        op(1);
        return;
      case '<':
        op(pos_ + 1 < text_.size() && (text_[pos_ + 1] == '>' || text_[pos_ + 1] == '=') ? 2 : 1);
        return;
      case '>':
        op(pos_ + 1 < text_.size() && text_[pos_ + 1] == '=' ? 2 : 1);
        return;
      case '(':
        tok_ = tkLParen;
        tokText_ = "(";
        ++pos_;
        return;
      case ')':
        tok_ = tkRParen;
        tokText_ = ")";
        ++pos_;
        return;
      case '"': {
        size_t e = text_.find('"', pos_ + 1);
        if (e == std::string_view::npos) throw EXLSError("Missing right quote");
        tok_ = tkString;
        tokText_ = std::string(text_.substr(pos_ + 1, e - pos_ - 1));
        pos_ = e + 1;
        return;
      }
      case '#': {
        size_t s = pos_;
        pos_ += std::min<size_t>(2, text_.size() - pos_);
        while (pos_ < text_.size() &&
               (isLetter(text_[pos_]) || isDigit(text_[pos_]) || text_[pos_] == '!' ||
                text_[pos_] == '/' || text_[pos_] == '?'))
          ++pos_;
        tok_ = tkError;
        tokText_ = std::string(text_.substr(s, pos_ - s));
        return;
      }
      case '\'': {
        size_t e = text_.find('\'', pos_ + 1);
        if (e == std::string_view::npos) invalidSymbol(std::string(text_.substr(pos_)));
        std::string sheet(text_.substr(pos_ + 1, e - pos_ - 1));
        pos_ = e + 1;
        if (pos_ >= text_.size() || text_[pos_] != '!') invalidSymbol(sheet);
        ++pos_;
        sheetRef(sheet);
        return;
      }
      default:
        break;
    }
    if (isDigit(c) || c == o_.DecimalSeparator) {
      size_t s = pos_;
      while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == o_.DecimalSeparator))
        ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == 'E' || text_[pos_] == 'e')) {
        size_t e = pos_ + 1;
        if (e < text_.size() && (text_[e] == '+' || text_[e] == '-')) ++e;
        if (e < text_.size() && isDigit(text_[e])) {
          pos_ = e;
          while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        }
      }
      tok_ = tkNumber;
      tokText_ = std::string(text_.substr(s, pos_ - s));
      return;
    }
    if (isLetter(c) || c == '_' || c == '$') {
      std::string id = identRun();
      tokText_ = id;
      char after = pos_ < text_.size() ? text_[pos_] : '\0';
      if (refOrArea(id, false)) return;
      if (after == '!') {
        ++pos_;
        sheetRef(id);
        return;
      }
      if (after == '|') throw EXLSError("Invalid DDE reference informula");
      if (after == '(') {
        tok_ = tkIdent;
        return;
      }
      static const std::string_view kFollow = "!&)*+-/<=>^|";
      if (after != '\0' && kFollow.find(after) == std::string_view::npos) invalidSymbol(id);
      tok_ = tkIdent;
      return;
    }
    throw EXLSError(
        Format("Invalid character \"%s\" in formula \"%s\"", std::string(1, c), whole_));
  }

  void sheetRef(const std::string& sheet) {
    std::string target = identRun();
    tokSheet_ = sheet;
    try {
      refOrArea(target, true);
    } catch (const EXLSError&) {
      throw EXLSError(Format("Invalid reference: \"%s\"", whole_));
    }
    tok_ = tkSheetRef;
    sheetIsArea_ = target.find(':') != std::string::npos;
    tokText_ = sheet + "!" + target;
  }

  // ---- grammar ----
  void expr() {
    add_();
    while (tok_ == tkOp) {
      uint8_t id;
      const std::string& t = tokText_;
      if (t == "=")
        id = 0x0B;
      else if (t == "<>")
        id = 0x0E;
      else if (t == "<")
        id = 0x09;
      else if (t == ">")
        id = 0x0D;
      else if (t == "<=")
        id = 0x0A;
      else if (t == ">=")
        id = 0x0C;
      else
        break;
      next();
      add_();
      add(id);
    }
  }
  void add_() {
    mul();
    while (tok_ == tkOp && (tokText_ == "+" || tokText_ == "-" || tokText_ == "&")) {
      uint8_t id = tokText_ == "+" ? 0x03 : tokText_ == "-" ? 0x04 : 0x08;
      next();
      mul();
      add(id);
    }
  }
  void mul() {
    pow();
    while (tok_ == tkOp && (tokText_ == "*" || tokText_ == "/")) {
      uint8_t id = tokText_ == "*" ? 0x05 : 0x06;
      next();
      pow();
      add(id);
    }
  }
  void pow() {
    primary();
    while (tok_ == tkOp && tokText_ == "^") {
      next();
      primary();
      add(0x07);
    }
  }
  void primary() {
    if (tok_ == tkOp && tokText_ == "-") {
      next();
      primary();
      add(0x13);
      return;
    }
    if (tok_ == tkOp && tokText_ == "+") {
      next();
      primary();
      return;
    }
    atom();
  }

  std::string refBytes(const TCellRef& r) const {
    std::string d;
    if (o_.Version >= xvExcel97) {
      appendLE<uint16_t>(d, static_cast<uint16_t>(r.row));
      uint16_t cw = static_cast<uint16_t>(r.col);
      if (!r.absRow) cw |= 0x8000;
      if (!r.absCol) cw |= 0x4000;
      appendLE<uint16_t>(d, cw);
    } else {
      uint16_t rw = static_cast<uint16_t>(r.row);
      if (!r.absRow) rw |= 0x8000;
      if (!r.absCol) rw |= 0x4000;
      appendLE<uint16_t>(d, rw);
      d += static_cast<char>(r.col);
    }
    return d;
  }
  std::string areaBytes(const TCellRef& a, const TCellRef& b) const {
    std::string x = refBytes(a), y = refBytes(b);
    if (o_.Version >= xvExcel97) return x.substr(0, 2) + y.substr(0, 2) + x.substr(2) + y.substr(2);
    return x.substr(0, 2) + y.substr(0, 2) + x.substr(2, 1) + y.substr(2, 1);
  }

  void atom() {
    switch (tok_) {
      case tkLParen: {
        next();
        expr();
        if (tok_ != tkRParen)
          throw EXLSError(Format("Right paranthese is missing \"%s\"", std::string(whole_)));
        next();
        add(0x15);
        return;
      }
      case tkNumber: {
        double v;
        TFormatSettings fs = TFormatSettings::Invariant();
        fs.DecimalSeparator = o_.DecimalSeparator;
        if (!TryStrToFloat(tokText_, v, fs))
          throw EXLSError(Format("Invalid number \"%s\" in function \"%s\"", tokText_, whole_));
        if (v == std::floor(v) && v >= -32768 && v <= 32767) {
          std::string d;
          appendLE<uint16_t>(d, static_cast<uint16_t>(static_cast<int>(v)));
          add(0x1E, d);
        } else {
          std::string d;
          appendLE<double>(d, v);
          add(0x1F, d);
        }
        next();
        return;
      }
      case tkString: {
        std::string d;
        if (o_.Version >= xvExcel97) {
          AppendBIFF8String(d, tokText_, false, false);
        } else {
          std::string b = EncodeCodepage(o_.Codepage, tokText_, &o_.Replaced);
          if (b.size() > 255) b.resize(255);
          d += static_cast<char>(b.size());
          d += b;
        }
        add(0x17, d);
        next();
        return;
      }
      case tkError: {
        static const char* const kTexts[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                             "#NAME?", "#NUM!",   "#N/A"};
        for (int i = 0; i < 7; ++i) {
          if (tokText_ == kTexts[i]) {
            auto code = static_cast<uint8_t>(ErrorIndexToCode(i + 1));
            add(0x1C, &code, 1);
            next();
            return;
          }
        }
        throw EXLSError(Format("Unknown error value \"%s\" in formula \"%s\"", tokText_, whole_));
      }
      case tkRef: {
        add(0x44, refBytes(ref1_));
        next();
        return;
      }
      case tkArea: {
        add(0x25, areaBytes(ref1_, ref2_));
        next();
        return;
      }
      case tkSheetRef: {
        int ix = o_.SheetIndex ? o_.SheetIndex(tokSheet_) : -1;
        if (ix < 0)
          throw EXLSError(Format("Unknown Sheet \"%s\" in formula \"%s\"", tokSheet_, whole_));
        std::string d;
        if (o_.Version >= xvExcel97) {
          appendLE<uint16_t>(d, static_cast<uint16_t>(ix));
        } else {
          appendLE<int16_t>(d, static_cast<int16_t>(-(ix + 1)));
          d.append(8, '\0');
          appendLE<uint16_t>(d, static_cast<uint16_t>(ix));
          appendLE<uint16_t>(d, static_cast<uint16_t>(ix));
        }
        if (sheetIsArea_) {
          add(0x3B, d + areaBytes(ref1_, ref2_));
        } else {
          add(0x3A, d + refBytes(ref1_));
        }
        next();
        return;
      }
      case tkIdent: {
        std::string id = tokText_;
        if (pos_ < text_.size() && text_[pos_] == '(') {
          ++pos_;
          function(id);
          next();
          return;
        }
        if (SameText(id, o_.StrTRUE) || SameText(id, "TRUE")) {
          uint8_t b = 1;
          add(0x1D, &b, 1);
        } else if (SameText(id, o_.StrFALSE) || SameText(id, "FALSE")) {
          uint8_t b = 0;
          add(0x1D, &b, 1);
        } else {
          int n = o_.NameIndex ? o_.NameIndex(id) : 0;
          if (n < 1) throw EXLSError(Format("Unknown Name \"%s\" in function \"%s\"", id, whole_));
          std::string d;
          appendLE<uint16_t>(d, static_cast<uint16_t>(n));
          d.append(o_.Version >= xvExcel97 ? 2 : 12, '\0');
          add(0x43, d);
        }
        next();
        return;
      }
      default:
        // An operand is expected here.
        if (tok_ == tkEnd)
          throw EXLSError(Format("Operand expected in formula \"%s\"", std::string(whole_)));
        invalidSymbol(tokText_);
    }
  }

  // The argument texts of a call whose "(" was just read; pos_ ends after
  // the matching ")".
  std::vector<std::string_view> arguments() {
    size_t start = pos_;
    int depth = 0;
    bool inQuote = false, inSheet = false;
    std::vector<std::string_view> args;
    size_t argStart = start;
    for (; pos_ < text_.size(); ++pos_) {
      char c = text_[pos_];
      if (inQuote) {
        if (c == '"') inQuote = false;
        continue;
      }
      if (inSheet) {
        if (c == '\'') inSheet = false;
        continue;
      }
      if (c == '"') {
        inQuote = true;
      } else if (c == '\'') {
        inSheet = true;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth == 0) {
          std::string_view last = text_.substr(argStart, pos_ - argStart);
          if (!args.empty() || !TrimView(last).empty()) args.push_back(last);
          ++pos_;
          return args;
        }
        --depth;
      } else if (c == o_.ListSeparator && depth == 0) {
        args.push_back(text_.substr(argStart, pos_ - argStart));
        argStart = pos_ + 1;
      }
    }
    throw EXLSError(Format("Right paranthese is missing \"%s\"", std::string(whole_)));
  }

  void function(const std::string& rawName) {
    std::string name = UpperCase(rawName);
    int number = -1;
    for (int i = 0; i < ExcelFuncCount; ++i) {
      if (name == ExcelFuncs[i].Name) {
        number = i;
        break;
      }
    }
    int externSheet = 0, nameIndex = 0;
    bool addIn = false;
    if (number < 0) {
      if (o_.Version >= xvExcel40 && o_.ExternName &&
          o_.ExternName(rawName, externSheet, nameIndex)) {
        addIn = true;
        std::string d;
        if (o_.Version >= xvExcel97) {
          appendLE<uint16_t>(d, static_cast<uint16_t>(externSheet));
          appendLE<uint16_t>(d, static_cast<uint16_t>(nameIndex));
          d.append(2, '\0');
        } else {
          appendLE<int16_t>(d, static_cast<int16_t>(externSheet));
          d.append(8, '\0');
          appendLE<uint16_t>(d, static_cast<uint16_t>(nameIndex));
          d.append(12, '\0');
        }
        add(0x39, d);
      } else {
        throw EXLSError(Format("Unknown function in formula: \"%s\"", name));
      }
    }
    std::vector<std::string_view> args = arguments();
    for (std::string_view a : args) {
      if (TrimView(a).empty()) {
        add(0x16);
        continue;
      }
      TParser sub(o_, a, whole_, out_, cap_);
      sub.Run();
    }
    auto argc = static_cast<int>(args.size());
    if (addIn) {
      std::string d;
      d += static_cast<char>(argc + 1);
      appendLE<uint16_t>(d, 255);
      add(0x42, d);
      return;
    }
    const TExcelFunc& f = ExcelFuncs[number];
    if (argc < f.MinArgs) throw EXLSError(Format("To few arguments to function: \"%s\"", name));
    if (f.MaxArgs != 99 && argc > f.MaxArgs)
      throw EXLSError(Format("To many arguments to function: \"%s\"", name));
    std::string d;
    if (f.MinArgs == f.MaxArgs) {
      appendLE<uint16_t>(d, static_cast<uint16_t>(number));
      add(0x41, d);
    } else {
      d += static_cast<char>(argc);
      appendLE<uint16_t>(d, static_cast<uint16_t>(number));
      add(0x42, d);
    }
  }

  TEncodeFormula& o_;
  std::string_view text_;
  std::string_view whole_;
  std::string& out_;
  size_t cap_;
  size_t pos_ = 0;
  TTok tok_ = tkEnd;
  std::string tokText_;
  std::string tokSheet_;
  bool sheetIsArea_ = false;
  TCellRef ref1_, ref2_;
};

std::string TEncodeFormula::Encode(std::string_view formula, size_t capacity) {
  std::string out;
  TParser p(*this, formula, formula, out, capacity);
  p.Run();
  return out;
}

}  // namespace qv
