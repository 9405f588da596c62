#include "app/spread/SpreadFormulas.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/ParseExpr.h"
#include "grid/XLRanges.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// ---- tokens ----------------------------------------------------------------

enum TTokKind { tkNumber, tkName, tkSpace, tkSign };

struct TTok {
  TTokKind Kind;
  std::string Text;
};

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Numbers (with their decimal separator and exponent), names (a letter or
// "_" then letters, digits and "_"), runs of blanks, and single signs.
std::vector<TTok> Tokenize(std::string_view s, char decimal) {
  std::vector<TTok> out;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const size_t start = i;
    const char c = s[i];
    if (IsDigit(c) || (c == decimal && i + 1 < n && IsDigit(s[i + 1]))) {
      while (i < n && IsDigit(s[i])) ++i;
      if (i < n && s[i] == decimal) {
        ++i;
        while (i < n && IsDigit(s[i])) ++i;
      }
      if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < n && IsDigit(s[j])) {
          i = j;
          while (i < n && IsDigit(s[i])) ++i;
        }
      }
      out.push_back({tkNumber, std::string(s.substr(start, i - start))});
    } else if (IsLetter(c) || c == '_') {
      while (i < n && (IsLetter(s[i]) || IsDigit(s[i]) || s[i] == '_')) ++i;
      out.push_back({tkName, std::string(s.substr(start, i - start))});
    } else if (c == ' ' || c == '\t') {
      while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
      out.push_back({tkSpace, std::string(s.substr(start, i - start))});
    } else {
      out.push_back({tkSign, std::string(1, c)});
      ++i;
    }
  }
  return out;
}

bool IsSign(const TTok& t, char c) { return t.Kind == tkSign && t.Text[0] == c; }

// The bracket around position at that is not closed before it: the "("
// searching back (dir -1), the ")" searching forward (dir +1);
// toks.size() when there is none.
size_t MatchingParen(const std::vector<TTok>& toks, size_t at, int dir) {
  const char opening = dir < 0 ? ')' : '(';
  const char closing = dir < 0 ? '(' : ')';
  int depth = 0;
  for (size_t i = at; dir < 0 ? i-- > 0 : ++i < toks.size();) {
    if (IsSign(toks[i], opening)) ++depth;
    if (IsSign(toks[i], closing)) {
      if (depth == 0) return i;
      --depth;
    }
  }
  return toks.size();
}

std::string Join(const std::vector<TTok>& toks, size_t from = 0, size_t to = std::string::npos) {
  std::string s;
  to = std::min(to, toks.size());
  for (size_t i = from; i < to; ++i) s += toks[i].Text;
  return s;
}

// The next token after i that is not blank (toks.size() when none).
size_t NextSolid(const std::vector<TTok>& toks, size_t i) {
  ++i;
  while (i < toks.size() && toks[i].Kind == tkSpace) ++i;
  return i;
}

// ---- references ---------------------------------------------------------

struct TCellRef {
  int Col = 0;
  int Row = 0;
};

// Letters then digits: the cell. False for another shape, a row number 0
// or a position beyond what an integer holds.
bool ParseRef(std::string_view text, TCellRef& ref) {
  size_t i = 0;
  while (i < text.size() && IsLetter(text[i])) ++i;
  if (i == 0 || i == text.size()) return false;
  const std::string_view digits = text.substr(i);
  if (!std::all_of(digits.begin(), digits.end(), IsDigit)) return false;
  int row = 0;
  if (digits.size() > 9 || !TryStrToInt(digits, row) || row < 1) return false;
  const int col = LettersToColumn(text.substr(0, i));
  if (col < 0) return false;
  ref.Col = col;
  ref.Row = row - 1;
  return true;
}

// Shaped like a reference: letters immediately followed by digits only.
bool LooksLikeRef(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsLetter(text[i])) ++i;
  return i > 0 && i < text.size() &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(), IsDigit);
}

// A name token that stands for a cell: shaped like a reference and not
// called as a function.
bool IsRefToken(const std::vector<TTok>& toks, size_t i) {
  if (toks[i].Kind != tkName || !LooksLikeRef(toks[i].Text)) return false;
  const size_t next = NextSolid(toks, i);
  return next >= toks.size() || !IsSign(toks[next], '(');
}

std::string CellText(const TXLSheet& sheet, const TCellRef& ref) {
  return Trim(sheet.GetCellText(ref.Col, ref.Row));
}

// A value as text the compiler reads back to the same double.
std::string FullText(double v, char decimal) {
  std::string s = Format("%.17g", v);
  if (decimal != '.') std::replace(s.begin(), s.end(), '.', decimal);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return v < 0 ? "(" + s + ")" : s;
}

// ---- range functions ----------------------------------------------------

enum TRangeFn { rfNone, rfSum, rfAverage, rfMax, rfMin, rfVariance, rfStdDev, rfNorm, rfSumSq };

TRangeFn RangeFnOf(const std::string& name) {
  static const struct {
    const char* Name;
    TRangeFn Fn;
  } table[] = {{"SUM", rfSum},      {"AVERAGE", rfAverage},   {"MAXVALUE", rfMax},
               {"MINVALUE", rfMin}, {"VARIANCE", rfVariance}, {"STDDEV", rfStdDev},
               {"NORM", rfNorm},    {"SUMOFSQUARES", rfSumSq}};
  for (const auto& e : table)
    if (SameText(name, e.Name)) return e.Fn;
  return rfNone;
}

// Running sums of the values of a range.
struct TRangeSums {
  double Count = 0, Sum = 0, SumSq = 0;
  double Max = -std::numeric_limits<double>::infinity();
  double Min = std::numeric_limits<double>::infinity();
  void Add(double v, double times = 1) {
    Count += times;
    Sum += v * times;
    SumSq += v * v * times;
    Max = std::max(Max, v);
    Min = std::min(Min, v);
  }
  double Value(TRangeFn fn) const {
    const double mean = Sum / Count;
    // The sample variance from the sums about the mean.
    const double var = (SumSq - Sum * mean) / (Count - 1);
    switch (fn) {
      case rfSum:
        return Sum;
      case rfAverage:
        return mean;
      case rfMax:
        return Max;
      case rfMin:
        return Min;
      case rfVariance:
        return std::max(var, 0.0);
      case rfStdDev:
        return std::sqrt(std::max(var, 0.0));
      case rfNorm:
        return std::sqrt(SumSq);
      case rfSumSq:
        return SumSq;
      case rfNone:
        break;
    }
    return 0;
  }
};

// One range call parsed from tokens [open-1 .. close]: the name, F and the
// two corners.
struct TRangeCall {
  TRangeFn Fn = rfNone;
  std::string F;
  TCellRef First, Last;
};

[[noreturn]] void Fail(const std::string& what) { throw EFormulaError(what); }

// Parses the call whose "(" is at open and ")" at close, with the ":" at
// colon between them.
TRangeCall ParseCall(const std::vector<TTok>& toks, size_t nameAt, size_t open, size_t colon,
                     size_t close, char argSep) {
  TRangeCall call;
  call.Fn = RangeFnOf(toks[nameAt].Text);
  const std::string text = Join(toks, nameAt, close + 1);
  if (call.Fn == rfNone) Fail("Unknown range function \"" + toks[nameAt].Text + "\" in " + text);
  // F runs up to the last argument separator before the ":" at the call's
  // own depth.
  size_t sep = open;
  int depth = 0;
  for (size_t i = open + 1; i < colon; ++i) {
    if (IsSign(toks[i], '(')) ++depth;
    if (IsSign(toks[i], ')')) --depth;
    if (depth == 0 && IsSign(toks[i], argSep)) sep = i;
  }
  if (sep != open) call.F = Trim(Join(toks, open + 1, sep));
  auto corner = [&](size_t from, size_t to, TCellRef& ref) {
    const std::string s = Trim(Join(toks, from, to));
    if (!ParseRef(s, ref)) Fail("Invalid cell reference \"" + s + "\" in " + text);
  };
  corner(sep + 1, colon, call.First);
  corner(colon + 1, close, call.Last);
  return call;
}

}  // namespace

bool IsFormulaText(std::string_view text) {
  return !text.empty() && (text[0] == '=' || text[0] == '+');
}

// ---------------------------------------------------------------------------

TSheetFormulas::TSheetFormulas() : parser_(std::make_unique<TExpressionParser>()) {
  parser_->BindVariable("x", &x_);
}

TSheetFormulas::~TSheetFormulas() = default;

namespace {

// The value of one parsed range call over sheet.
double RangeValue(TExpressionParser& parser, double& x, const TRangeCall& call,
                  const TXLSheet& sheet) {
  parser.ClearCompiled();
  int index;
  try {
    index = parser.CompileText(call.F + "(x)");
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  const int c0 = std::min(call.First.Col, call.Last.Col),
            c1 = std::max(call.First.Col, call.Last.Col);
  const int r0 = std::min(call.First.Row, call.Last.Row),
            r1 = std::max(call.First.Row, call.Last.Row);
  TRangeSums sums;
  // The cells that exist in the range; every other cell of it (empty, or
  // outside the sheet) counts 0.
  const TXLSection& client = sheet.Section(skClient);
  TRect inside;
  const TRect range(c0, r0, c1 < INT32_MAX ? c1 + 1 : c1, r1 < INT32_MAX ? r1 + 1 : r1);
  double counted = 0;
  if (IntersectRect(inside, range, client.Extent())) {
    client.ForEachCellIn(inside, [&](TXLCell* cell) {
      ++counted;
      double v = 0;
      if (TryStrToFloat(Trim(cell->GetAsString()), x)) {
        try {
          v = parser.EvaluateCompiled(index);
        } catch (const std::exception& e) {
          Fail(e.what());
        }
      }
      sums.Add(v);
    });
  }
  const double total = (double(c1) - c0 + 1) * (double(r1) - r0 + 1);
  if (total > counted) sums.Add(0, total - counted);
  return sums.Value(call.Fn);
}

}  // namespace

std::string TSheetFormulas::RangeFunction(const std::string& call, TXLSheet& sheet) {
  const auto toks = Tokenize(call, parser_->DecimalSeparator());
  size_t nameAt = 0;
  while (nameAt < toks.size() && toks[nameAt].Kind == tkSpace) ++nameAt;
  const size_t open = NextSolid(toks, nameAt);
  size_t colon = toks.size(), close = toks.size();
  for (size_t i = open; i < toks.size(); ++i) {
    if (colon == toks.size() && IsSign(toks[i], ':')) colon = i;
    if (IsSign(toks[i], ')')) close = i;
  }
  if (nameAt >= toks.size() || toks[nameAt].Kind != tkName || open >= toks.size() ||
      !IsSign(toks[open], '(') || colon >= close || close >= toks.size())
    Fail("Invalid range call " + call);
  const TRangeCall c = ParseCall(toks, nameAt, open, colon, close, parser_->ArgumentSeparator());
  return FullText(RangeValue(*parser_, x_, c, sheet), parser_->DecimalSeparator());
}

std::string TSheetFormulas::SubstituteReferences(TXLSheet& sheet, const std::string& text) {
  auto toks = Tokenize(text, parser_->DecimalSeparator());
  for (size_t i = 0; i < toks.size(); ++i) {
    if (!IsRefToken(toks, i)) continue;
    TCellRef ref;
    if (!ParseRef(toks[i].Text, ref)) Fail("Invalid cell reference \"" + toks[i].Text + "\"");
    toks[i].Text = "(" + CellText(sheet, ref) + ")";
  }
  return Join(toks);
}

std::string TSheetFormulas::ShiftReferences(const std::string& text, int dc, int dr) {
  auto toks = Tokenize(text, FormatSettings().DecimalSeparator);
  for (size_t i = 0; i < toks.size(); ++i) {
    TCellRef ref;
    if (!IsRefToken(toks, i) || !ParseRef(toks[i].Text, ref)) continue;
    const long long col = static_cast<long long>(ref.Col) + dc;
    const long long row = static_cast<long long>(ref.Row) + dr;
    if (col < 0 || row < 0 || col > std::numeric_limits<int>::max() - 1 ||
        row > std::numeric_limits<int>::max() - 1)
      toks[i].Text = "#REF!";
    else
      toks[i].Text = ColumnLetters(static_cast<int>(col)) + std::to_string(row + 1);
  }
  return Join(toks);
}

std::string TSheetFormulas::EvaluateFormula(const std::string& text, int col, int row,
                                            TXLSheet& sheet) {
  const bool formula = IsFormulaText(text);
  const std::string working = formula ? UpperCase(text) : text;
  TPoint local;
  if (sheet.FindSection(col, row, local))
    sheet.GetCell(col, row)->SetFormual(formula ? working : "");
  if (!formula) return text;

  const char argSep = parser_->ArgumentSeparator();
  auto toks = Tokenize(std::string_view(working).substr(1), parser_->DecimalSeparator());
  // Range calls, innermost first: the call around the first ":".
  for (;;) {
    size_t colon = toks.size();
    for (size_t i = 0; i < toks.size(); ++i)
      if (IsSign(toks[i], ':')) {
        colon = i;
        break;
      }
    if (colon == toks.size()) break;
    const size_t open = MatchingParen(toks, colon, -1);
    const size_t close = MatchingParen(toks, colon, +1);
    size_t nameAt = open;
    if (open < toks.size())
      while (nameAt-- > 0 && toks[nameAt].Kind == tkSpace) {
      }
    if (open == toks.size() || nameAt >= open || toks[nameAt].Kind != tkName)
      Fail("\":\" outside a range call in " + working);
    if (close == toks.size()) Fail("Missing \")\" in " + working);
    const TRangeCall call = ParseCall(toks, nameAt, open, colon, close, argSep);
    const std::string value =
        FullText(RangeValue(*parser_, x_, call, sheet), parser_->DecimalSeparator());
    toks.erase(toks.begin() + static_cast<std::ptrdiff_t>(nameAt),
               toks.begin() + static_cast<std::ptrdiff_t>(close) + 1);
    toks.insert(toks.begin() + static_cast<std::ptrdiff_t>(nameAt), {tkNumber, value});
  }
  const std::string expr = SubstituteReferences(sheet, Join(toks));
  try {
    const int index = parser_->CompileText(expr);
    // A name the compiler took for a new variable (a reference to a word)
    // has no value.
    if (std::isnan(parser_->EvaluateCompiled(index))) return text;
    return parser_->ResultAsText(index);
  } catch (const std::exception&) {
    return text;
  }
}

int CopyKind(const TRect& sel) {
  if (sel.Width() == 1 && sel.Height() == 1) return 1;
  if (sel.Height() == 1 && sel.Width() > 1) return 2;
  if (sel.Width() == 1 && sel.Height() > 1) return 3;
  return 0;
}

void FillFromSource(TSheetFormulas& formulas, TXLSheet& sheet, const TRect& rect,
                    const TPoint& source, int kind) {
  TRect r;
  if (!IntersectRect(r, rect, TRect(0, 0, sheet.ColCount(), sheet.RowCount()))) return;
  TXLUpdateScope update(sheet);
  for (int y = r.Top; y < r.Bottom; ++y) {
    for (int x = r.Left; x < r.Right; ++x) {
      TPoint from = source;
      if (kind == 2) from = TPoint(source.X, y);
      if (kind == 3) from = TPoint(x, source.Y);
      if (from == TPoint(x, y)) continue;
      const TXLCell* src = sheet.FindCell(from.X, from.Y);
      const std::string formula = src ? src->Formual() : std::string();
      if (IsFormulaText(formula)) {
        const int dc = x - from.X;
        int dr = y - from.Y;
        if (kind == 3) dr = y - (source.Y == r.Bottom - 1 ? source.Y : r.Top);
        const std::string moved = UpperCase(TSheetFormulas::ShiftReferences(formula, dc, dr));
        sheet.SetCellText(x, y, formulas.EvaluateFormula(moved, x, y, sheet));
      } else {
        const std::string text = src ? src->GetAsString() : std::string();
        if (!src && !sheet.FindCell(x, y)) continue;
        sheet.SetCellText(x, y, text);
        sheet.GetCell(x, y)->SetFormual("");
      }
    }
  }
}

// ---------------------------------------------------------------------------

TSelectionInfo SelectionInfo(const TXLSheet& sheet, const TRect& sel) {
  TSelectionInfo info;
  const TXLSection& client = sheet.Section(skClient);
  const bool one = (sel.Width() == 1 && sel.Height() == 1) || client.IsUnion(sel);
  if (one) {
    const int c = sel.Left, r = sel.Top;
    info.Cells = "Cell[" + std::to_string(c) + ", " + std::to_string(r) + "]" + " - [" +
                 ColumnLetters(c) + std::to_string(r + 1) + "]";
    if (const TXLCell* cell = sheet.FindCell(c, r)) {
      const std::string text = Trim(cell->GetAsString());
      const std::string formula = cell->Formual();
      if (!formula.empty() && formula != text)
        info.Cells += " = " + formula.substr(1);
      else if (!text.empty())
        info.Cells += " = " + text;
    }
    return info;
  }
  const int l = sel.Left, t = sel.Top, rr = sel.Right - 1, b = sel.Bottom - 1;
  info.Cells = "Cells[" + std::to_string(l) + ", " + std::to_string(t) + " : " +
               std::to_string(rr) + ", " + std::to_string(b) + "]" + " - [" + ColumnLetters(l) +
               std::to_string(t + 1) + " : " + ColumnLetters(rr) + std::to_string(b + 1) + "]";
  TRect r;
  if (!IntersectRect(r, sel, client.Extent())) return info;
  int count = 0;
  double sum = 0, mx = -std::numeric_limits<double>::infinity(),
         mn = std::numeric_limits<double>::infinity();
  client.ForEachCellIn(r, [&](TXLCell* cell) {
    double v;
    if (!TryStrToFloat(Trim(cell->GetAsString()), v)) return;
    ++count;
    sum += v;
    mx = std::max(mx, v);
    mn = std::min(mn, v);
  });
  if (count >= 2)
    info.Stats = "Sum=" + FloatToStr(sum) + "; " + "Ave.=" + Format("%0.4g", sum / count) + "; " +
                 "Max.=" + FloatToStr(mx) + "; " + "Min.=" + FloatToStr(mn);
  return info;
}

}  // namespace qv
