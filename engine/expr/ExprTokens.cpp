// Compiling, first stage: the text as words (literals, string constants,
// names of the word list, generated variables), with the checks and
// rewrites of neighbouring words and the string comparisons.
#include <cmath>
#include <memory>

#include "engine/expr/ExprChain.h"
#include "platform/core/SysUtils.h"

namespace qv::expr {

namespace {

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); }

}  // namespace

TExprWord* TCompiler::LiteralWord(const std::string& text, bool isString) {
  std::unique_ptr<TExprWord> w;
  if (isString) {
    w = std::make_unique<TStringConstant>(text);
  } else {
    double v = 0.0;
    if (!TryStrToFloat(text, v, ModelNumberForm()) || !std::isfinite(v))
      throw EParserException("'" + text + "' is not a valid floating point value");
    w = std::make_unique<TDoubleConstant>(text, v);
  }
  TExprWord* word = w.get();
  parser_.constants_.Add(std::move(w));
  return word;
}

std::vector<TCompiler::TToken> TCompiler::Tokenise() {
  const std::string s = Trim(LowerCase(text_));
  const size_t n = s.size();
  const char dec = parser_.decimalSeparator_;
  std::vector<TToken> tokens;
  size_t i = 0;
  while (i < n) {
    while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    if (i >= n) break;
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    size_t j = i + 1;
    enum { kName, kHex, kNumber, kString } kind = kName;
    if (c == parser_.marker_) {
      while (j < n && IsHexDigit(s[j])) ++j;
      if (j > i + 1) {
        kind = kHex;
      } else {
        while (j < n && IsIdentChar(s[j])) ++j;
      }
    } else if (IsDigit(c) || c == dec) {
      kind = kNumber;
      j = i;
      while (j < n && IsDigit(s[j])) ++j;
      if (j < n && s[j] == dec) {
        ++j;
        while (j < n && IsDigit(s[j])) ++j;
      }
      if (j < n && s[j] == 'e') {
        size_t k = j + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < n && IsDigit(s[k])) {
          while (k < n && IsDigit(s[k])) ++k;
          j = k;
        }
      }
    } else if (c == '\'') {
      kind = kString;
      while (j < n && s[j] != '\'') ++j;
      if (j < n) ++j;  // the closing quote
    } else if (IsIdentStart(c)) {
      while (j < n && IsIdentChar(s[j])) ++j;
    } else if ((c == '<' && (next == '<' || next == '=' || next == '>')) ||
               ((c == '=' || c == '>') && (next == '<' || next == '=' || next == '>')) ||
               ((c == '!' || c == ':') && next == '=') || (c == '&' && next == '&') ||
               (c == '|' && next == '|')) {
      j = i + 2;
    }
    const std::string text = Trim(s.substr(i, j - i));
    i = j;
    TToken tok{nullptr, false};
    switch (kind) {
      case kHex: {
        // "$" and up to 16 hexadecimal digits: a 64-bit pattern, read as a
        // signed integer; more digits do not fit.
        if (text.size() > 17) throw EParserException("'" + text + "' is not a valid integer value");
        uint64_t v = 0;
        for (size_t k = 1; k < text.size(); ++k) {
          const char h = text[k];
          v = v * 16 + static_cast<uint64_t>(IsDigit(h) ? h - '0' : h - 'a' + 10);
        }
        tok = {LiteralWord(IntToStr(static_cast<int64_t>(v)), false), true};
        break;
      }
      case kNumber:
        tok = {LiteralWord(text, false), true};
        break;
      case kString:
        tok = {LiteralWord(text, true), true};
        break;
      default: {
        TExprWord* w = parser_.words_.Find(text);
        if (!w) {
          // A name no word has: a variable of its own, found again by later
          // compilations of this parser.
          std::unique_ptr<TExprWord> generated = std::make_unique<TGeneratedVariable>(text);
          w = parser_.words_.Insert(generated);
        }
        tok = {w, false};
        break;
      }
    }
    tokens.push_back(tok);
  }
  return tokens;
}

void TCompiler::CheckAndRewrite(std::vector<TToken>& t) {
  // Bracket balance: the totals first. A ")" before its "(" is refused
  // after the checks of neighbours below (which name most such texts more
  // precisely), and runaway nesting here, so that every later stage sees
  // properly nested brackets.
  int depth = 0;
  int opens = 0;
  int closes = 0;
  bool misnested = false;
  for (const TToken& k : t) {
    if (k.Word == leftBracket_) {
      ++opens;
      if (++depth > kMaxBracketDepth) SyntaxError();
    } else if (k.Word == rightBracket_) {
      ++closes;
      if (--depth < 0) misnested = true;
    }
  }
  if (opens != closes) throw EParserException("Unequal brackets");

  auto isSign = [&](TExprWord* w) { return w == plus_ || w == minus_; };
  // "(" and the argument separator open an operand alike.
  auto opensOperand = [&](TExprWord* w) { return w == leftBracket_ || w == comma_; };

  for (size_t i = 0; i < t.size(); ++i) {
    // Signs: a run of "+"/"-" where an operand must begin becomes one sign.
    if (isSign(t[i].Word)) {
      const bool sign = i == 0 || opensOperand(t[i - 1].Word) ||
                        (t[i - 1].Word->IsOperator() && t[i - 1].Word->ArgumentCount() == 2);
      if (sign) {
        size_t j = i;
        int minus = 0;
        while (j < t.size() && isSign(t[j].Word)) {
          if (t[j].Word == minus_) ++minus;
          ++j;
        }
        t[i] = {(minus % 2) ? neg_ : pos_, false};
        t.erase(t.begin() + static_cast<ptrdiff_t>(i + 1), t.begin() + static_cast<ptrdiff_t>(j));
      }
    }
    // "not" runs: an even run vanishes, an odd one is one "not".
    if (t[i].Word == not_ &&
        (i == 0 || opensOperand(t[i - 1].Word) || t[i - 1].Word->IsOperator())) {
      size_t j = i;
      while (j < t.size() && t[j].Word == not_) ++j;
      if ((j - i) % 2 == 0) {
        t.erase(t.begin() + static_cast<ptrdiff_t>(i), t.begin() + static_cast<ptrdiff_t>(j));
        if (i >= t.size()) break;
        --i;  // look at the token that moved here as if it were new
        continue;
      }
      t.erase(t.begin() + static_cast<ptrdiff_t>(i + 1), t.begin() + static_cast<ptrdiff_t>(j));
    }
    TExprWord* w = t[i].Word;
    TExprWord* nx = i + 1 < t.size() ? t[i + 1].Word : nullptr;
    if (nx && w->IsValueLike() && nx->IsValueLike())
      throw EParserException(w->Name() + " two space limited variables/constants");
    if (nx == leftBracket_ && dynamic_cast<TGeneratedVariable*>(w))
      throw EParserException(w->Name() + " is an unknown function");
    if (w == leftBracket_ && (!nx || nx == rightBracket_))
      throw EParserException("Empty brackets ()");
    if (w == rightBracket_ && nx == leftBracket_)
      throw EParserException("Missing operand between )(");
    if (w == rightBracket_ && nx && nx->IsValueLike())
      throw EParserException("Missing operand between ) and constant/variable");
    if (w->IsValueLike() && nx == leftBracket_)
      throw EParserException("Missing operand between constant/variable and (");
    // "^" before a whole-number literal is the integer power. A literal
    // without a decimal separator can still be a fraction ("1e-1"): that one
    // keeps the real power rather than being rounded to an integer.
    if (w == power_ && nx && i + 1 < t.size() && t[i + 1].Literal) {
      auto* k = dynamic_cast<TDoubleConstant*>(nx);
      if (k && nx->Name().find(parser_.decimalSeparator_) == std::string::npos &&
          std::trunc(k->Value()) == k->Value())
        t[i].Word = intPower_;
    }
  }
  if (misnested) throw EParserException("Unequal brackets");
}

void TCompiler::StringComparisons(std::vector<TToken>& t) {
  if (t.size() < 3) return;
  // Positions are taken from the third-last down to the first; a position
  // is compared with what now stands two places to its right (a comparison
  // made there is no string). The tokens already passed are kept reversed,
  // so that replacing three tokens by one costs nothing however many
  // comparisons the text holds.
  std::vector<TToken> done(t.rbegin(), t.rbegin() + 2);  // done.back() stands right of k
  for (size_t k = t.size() - 2; k-- > 0;) {
    TExprWord* right = done.size() >= 2 ? done[done.size() - 2].Word : nullptr;
    if (right && t[k].Word->ResultKind() == rkString && right->ResultKind() == rkString) {
      auto owned = std::make_unique<TLogicalStringOper>(done.back().Word->Name(), t[k].Word, right);
      TLogicalStringOper* op = owned.get();
      parser_.constants_.Add(std::move(owned));
      done.pop_back();
      done.back() = {op, false};
    } else {
      done.push_back(t[k]);
    }
  }
  t.assign(done.rbegin(), done.rend());
}

}  // namespace qv::expr
