// Definition readers: variables, parameters, constants, per-data-set
// constants, and the splitting of one data row.
#include <cmath>
#include <string_view>
#include <unordered_set>

#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "platform/core/SysUtils.h"

namespace qv {

std::string NoGeneBoundsMessage(const std::string& Parameter) {
  return "Wrong defination for " + Parameter +
         ", no range values defined!\r(you have to specify bound values for all parameter in "
         "encode/decode mode of GA)";
}

using namespace modeltools;

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// False, after the warning "The <What> "<name>" has been multi-declared!",
// when Names holds Name already.
bool FirstDeclaration(TFitHost& Host, const String1Array& Names, const std::string& Name,
                      const std::string& What) {
  for (const auto& earlier : Names)
    if (earlier == Name) {
      Host.ShowMessage(mtWarning, "The " + What + " " + Quoted(Name) + " has been multi-declared!");
      return false;
    }
  return true;
}

// ---- Variables ---------------------------------------------------------------

bool ReadVariableDefinition(TEngineState& S, TFitHost& Host, const std::string& Text) {
  std::string text = Trim(Text);
  std::string name = text;
  bool output = false;
  size_t b = text.find('[');
  if (b != std::string::npos) {
    name = Trim(text.substr(0, b));
    size_t e = text.find(']', b);
    std::string mark =
        LowerCase(Trim(text.substr(b + 1, e == std::string::npos ? std::string::npos : e - b - 1)));
    output = mark == "output";
  }
  if (name.empty()) return true;  // an empty piece of the list ("x,,y") defines nothing
  if (!FirstDeclaration(Host, S.Model.VariableNames, name, "variable")) return false;
  S.Model.VariableNames.push_back(name);
  S.Model.VariableCount = static_cast<int>(S.Model.VariableNames.size());
  if (output) {
    if (S.Model.ModelMode == TModelMode::Program) {
      S.Model.OutputNames.push_back(name);
      S.Model.OutputCount = static_cast<int>(S.Model.OutputNames.size());
    } else {
      S.Model.FixedOutputIndex = S.Model.VariableCount - 1;
    }
  }
  return true;
}

// ---- Parameters --------------------------------------------------------------

struct TParameterShape {
  bool HasBound = false, HasLower = false, HasUpper = false, HasInitial = false, HasRange = false,
       IsInteger = false;
  double Lower = 0, Upper = 0, RangeLow = 0, RangeHigh = 0, Initial = 0;
  int Digits = -1;
};

void AppendParameter(TEngineState& S, const std::string& name, const TParameterShape& p, int kind) {
  S.Model.ParameterNames.push_back(name);
  S.Model.ParameterValues.push_back(0);
  S.Model.LowerBound.push_back(p.Lower);
  S.Model.UpperBound.push_back(p.Upper);
  S.Model.RangeLow.push_back(p.RangeLow);
  S.Model.RangeHigh.push_back(p.RangeHigh);
  S.Model.InitialValue.push_back(p.Initial);
  S.Model.HasLower.push_back(p.HasLower);
  S.Model.HasUpper.push_back(p.HasUpper);
  S.Model.HasBound.push_back(p.HasBound);
  S.Model.HasInitial.push_back(p.HasInitial);
  S.Model.HasRange.push_back(p.HasRange);
  S.Model.IsInteger.push_back(p.IsInteger);
  S.Model.IsVarParameter.push_back(kind == 1);
  S.Model.ParameterDigits.push_back(p.Digits);
  S.Model.ParameterCount = static_cast<int>(S.Model.ParameterNames.size());
  if (kind == 1) ++S.Model.VarParameterCount;
}

// Members of a family "name(i:j)" or "name(i:j,k:l)"; false when malformed.
bool FamilyMembers(const std::string& text, std::vector<std::string>& members,
                   TRandomGenerator& random) {
  size_t open = text.find('(');
  size_t close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  std::string base = Trim(text.substr(0, open));
  if (base.empty()) return false;
  std::string inside = text.substr(open + 1, close - open - 1);
  std::vector<std::string> dims = SplitTopLevel(inside);
  if (dims.size() > 2) return false;
  std::vector<std::pair<long, long>> ranges;
  for (const auto& d : dims) {
    size_t colon = d.find(':');
    if (colon == std::string::npos) return false;
    double a = 0, b = 0;
    if (!TryValue(d.substr(0, colon), a, &random) || !TryValue(d.substr(colon + 1), b, &random))
      return false;
    if (std::fabs(a) > 1e6 || std::fabs(b) > 1e6) return false;
    long ia = std::lround(a), ib = std::lround(b);
    if (ib < ia || ib - ia >= 10000) return false;
    ranges.push_back({ia, ib});
  }
  if (ranges.size() == 1) {
    for (long a = ranges[0].first; a <= ranges[0].second; ++a)
      members.push_back(base + std::to_string(a));
  } else {
    if ((ranges[0].second - ranges[0].first + 1) * (ranges[1].second - ranges[1].first + 1) > 10000)
      return false;
    for (long a = ranges[0].first; a <= ranges[0].second; ++a)
      for (long b = ranges[1].first; b <= ranges[1].second; ++b)
        members.push_back(base + std::to_string(a) + std::to_string(b));
  }
  return true;
}

bool ReadParameterDefinition(TEngineState& S, TFitHost& Host, const std::string& Text, int kind) {
  const std::string text = Trim(Text);
  const std::string kindName = kind == 1 ? "VarParameter" : "Parameter";
  const std::string rangeError =
      "Wrong defination of parameter value range for " + Quoted(text) + "!";
  TParameterShape p;

  std::string head = text;
  size_t open = text.find('[');
  if (open != std::string::npos) {
    size_t close = text.find(']', open);
    if (close == std::string::npos) {
      Host.ShowMessage(mtInformation, "Wrong defination on " + text + " range!");
      return false;
    }
    head = text.substr(0, open);
    p.HasBound = true;
    std::vector<std::string> fields = SplitAtCommas(text.substr(open + 1, close - open - 1));
    for (auto& f : fields) f = Trim(f);
    const size_t commas = fields.size() - 1;
    if (commas == 0 || commas > 4) {
      Host.ShowMessage(mtInformation, rangeError);
      return false;
    }
    size_t boundAt = 0;
    if (commas >= 3) {
      if (fields[0].empty() || fields[1].empty() || (fields[2].empty() && fields[3].empty()) ||
          !TryValue(fields[0], p.RangeLow, &S.Run.Random) ||
          !TryValue(fields[1], p.RangeHigh, &S.Run.Random) || p.RangeLow > p.RangeHigh) {
        Host.ShowMessage(mtInformation, rangeError);
        return false;
      }
      p.HasRange = true;
      boundAt = 2;
    }
    if (!fields[boundAt].empty()) {
      if (!TryValue(fields[boundAt], p.Lower, &S.Run.Random)) {
        Host.ShowMessage(mtInformation, rangeError);
        return false;
      }
      p.HasLower = true;
    }
    if (!fields[boundAt + 1].empty()) {
      if (!TryValue(fields[boundAt + 1], p.Upper, &S.Run.Random)) {
        Host.ShowMessage(mtInformation, rangeError);
        return false;
      }
      p.HasUpper = true;
    }
    if (p.HasLower && p.HasUpper && p.Lower > p.Upper) {
      Host.ShowMessage(mtInformation, rangeError);
      return false;
    }
    if (commas == 2 || commas == 4) {
      const std::string& digits = fields[commas];
      if (!digits.empty()) {
        double d = 0;
        if (!TryValue(digits, d, &S.Run.Random) || d != std::floor(d) || std::fabs(d) > 1000) {
          Host.ShowMessage(mtInformation, rangeError);
          return false;
        }
        if (!S.Model.EncodeDecode) {
          p.Digits = static_cast<int>(d);
          p.IsInteger = p.Digits == 0;
        }
      }
    }
  }

  std::string name = Trim(head);
  size_t eq = head.find('=');
  if (eq != std::string::npos) {
    name = Trim(head.substr(0, eq));
    p.HasInitial = true;
    if (!TryValue(head.substr(eq + 1), p.Initial, &S.Run.Random)) {
      Host.ShowMessage(mtInformation,
                       "Wrong defination on \"" + kindName + "\" " + name + " initial value!");
      return false;
    }
  }
  if (name.empty()) {
    Host.ShowMessage(mtInformation, rangeError);
    return false;
  }

  std::vector<std::string> members;
  if (name.find(':') != std::string::npos) {
    if (!FamilyMembers(name, members, S.Run.Random)) {
      Host.ShowMessage(mtInformation, rangeError);
      return false;
    }
  } else {
    members.push_back(name);
  }

  std::unordered_set<std::string> earlier(S.Model.ParameterNames.begin(),
                                          S.Model.ParameterNames.end());
  for (const auto& member : members) {
    if (p.HasInitial && p.HasRange && (p.Initial < p.RangeLow || p.Initial > p.RangeHigh)) {
      Host.ShowMessage(mtInformation, "Initial parameter value of " + Quoted(member) +
                                          "is out of initial ranges!");
      return false;
    }
    if (p.HasRange &&
        ((p.HasLower && p.RangeLow < p.Lower) || (p.HasUpper && p.RangeHigh > p.Upper))) {
      Host.ShowMessage(mtInformation, "Initial parameter ranges is out of parameter ranges for " +
                                          Quoted(member) + "!");
      return false;
    }
    if (p.HasInitial &&
        ((p.HasLower && p.Initial < p.Lower) || (p.HasUpper && p.Initial > p.Upper))) {
      Host.ShowMessage(mtInformation, "Initial parameter value of " + Quoted(member) +
                                          "is out of the parameter range!");
      return false;
    }
    if (S.Model.EncodeDecode && !(p.HasLower && p.HasUpper)) {
      Host.ShowMessage(mtInformation, NoGeneBoundsMessage(member));
      return false;
    }
    // Members of a family are checked like single names: two parameters of
    // one name would leave one of them unbound.
    if (!earlier.insert(member).second) {
      Host.ShowMessage(mtWarning, "The parameter " + Quoted(member) + " has been multi-declared!");
      return false;
    }
    AppendParameter(S, member, p, kind);
  }
  return true;
}

// ---- Constants ---------------------------------------------------------------

bool ReadConstantValues(TEngineState& S, TFitHost& Host, const std::string& text) {
  const std::string error = "Wrong constant value defination for " + Quoted(text) + "!";
  size_t open = text.find('('), colon = text.find(':'), close = text.find(')');
  size_t eq = text.find('=');
  size_t lb = text.find('['), rb = text.rfind(']');
  if (open == std::string::npos || colon == std::string::npos || close == std::string::npos ||
      eq == std::string::npos || lb == std::string::npos || rb == std::string::npos ||
      !(open < colon) || !(colon < close) || !(close < eq) || !(eq < lb) || !(lb < rb) ||
      Trim(text.substr(close + 1, eq - close - 1)) != "" ||
      Trim(text.substr(eq + 1, lb - eq - 1)) != "") {
    Host.ShowMessage(mtInformation, error);
    return false;
  }
  std::string name = Trim(text.substr(0, open));
  double a = 0, b = 0;
  if (name.empty() || !TryValue(text.substr(open + 1, colon - open - 1), a, &S.Run.Random) ||
      !TryValue(text.substr(colon + 1, close - colon - 1), b, &S.Run.Random) ||
      a != std::floor(a) || b != std::floor(b) || std::fabs(a) > 1e6 || std::fabs(b) > 1e6) {
    Host.ShowMessage(mtInformation, error);
    return false;
  }
  const std::vector<std::string> values = SplitAtCommas(text.substr(lb + 1, rb - lb - 1));
  const long first = static_cast<long>(a), last = static_cast<long>(b);
  if (last - first + 1 != static_cast<long>(values.size())) {
    Host.ShowMessage(mtInformation, error);
    return false;
  }
  for (const auto& v : values) {
    double d = 0;
    if (!TryNumber(v, d)) {
      Host.ShowMessage(mtInformation, error);
      return false;
    }
  }
  for (long k = first; k <= last; ++k) {
    S.Model.ConstantNames.push_back(name + std::to_string(k));
    S.Model.ConstantValues.push_back(Trim(values[k - first]));
  }
  S.Model.ConstantCount = static_cast<int>(S.Model.ConstantNames.size());
  return true;
}

bool ReadConstantDefinition(TEngineState& S, TFitHost& Host, const std::string& text) {
  size_t eq = text.find('=');
  if (eq == std::string::npos) {
    Host.ShowMessage(mtInformation, "Wrong constant value defination!");
    return false;
  }
  std::string name = text.substr(0, eq);
  if (name.find(':') != std::string::npos) return ReadConstantValues(S, Host, text);
  std::string value = text.substr(eq + 1);
  double v = 0;
  if (name.empty() || !TryValue(value, v, &S.Run.Random)) {
    Host.ShowMessage(mtInformation, "Wrong value for constant defination of " + Quoted(name) + "!");
    return false;
  }
  // Any earlier constant of the same name is reported, not only the one
  // directly before: the later value would silently never be used.
  if (!FirstDeclaration(Host, S.Model.ConstantNames, name, "Constant")) return false;
  S.Model.ConstantNames.push_back(name);
  S.Model.ConstantValues.push_back(value);
  S.Model.ConstantCount = static_cast<int>(S.Model.ConstantNames.size());
  return true;
}

// ---- Per-data-set constants ------------------------------------------------------

bool ReadVarConstantDefinition(TEngineState& S, TFitHost& Host, const std::string& text) {
  size_t lb = text.find('['), rb = text.rfind(']');
  std::string name = text.substr(0, lb);
  const std::vector<std::string> values = SplitAtCommas(text.substr(lb + 1, rb - lb - 1));
  if (static_cast<int>(values.size()) < S.Model.DataFileCount) {
    Host.ShowMessage(mtInformation, "Wrong defination of VarConstant values for " + Quoted(text) +
                                        "!\nnumber of " + Quoted(name) +
                                        "value is different wiht file number");
    return false;
  }
  std::vector<double> numbers;
  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    double d = 0;
    if (!TryNumber(values[f], d)) {
      Host.ShowMessage(mtInformation, "Wrong defination of VarConstant values!");
      return false;
    }
    numbers.push_back(d);
  }
  if (!FirstDeclaration(Host, S.Model.VarConstantNames, name, "VarConst")) return false;
  S.Model.VarConstantNames.push_back(name);
  S.Model.VarConstantCount = static_cast<int>(S.Model.VarConstantNames.size());
  S.Model.VarConstantValues.resize(S.Model.DataFileCount);
  for (int f = 0; f < S.Model.DataFileCount; ++f)
    S.Model.VarConstantValues[f].push_back(numbers[f]);
  return true;
}

}  // namespace

bool ReadVariableList(TEngineState& State, TFitHost& Host, const std::string& Text) {
  // Every definition is read, one piece after another (a loop, not a call
  // per comma, so that a very long list cannot exhaust the stack); the list
  // fails when any of them fails.
  size_t start = 0;
  while (true) {
    const size_t comma = Text.find(',', start);
    const std::string piece =
        Text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!ReadVariableDefinition(State, Host, piece)) return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool ReadParameterList(TEngineState& State, TFitHost& Host, const std::string& Text, int Kind) {
  for (const auto& piece : SplitTopLevel(Text)) {
    if (Trim(piece).empty()) continue;
    if (!ReadParameterDefinition(State, Host, piece, Kind)) return false;
  }
  return true;
}

bool ReadConstantList(TEngineState& State, TFitHost& Host, const std::string& Text) {
  // A list of values in square brackets belongs to its constant.
  for (const auto& piece : SplitAtCommas(RemoveBlanks(Text), TCommaBrackets::Square)) {
    if (piece.empty()) continue;
    if (!ReadConstantDefinition(State, Host, piece)) return false;
  }
  return true;
}

bool ReadVarConstantList(TEngineState& State, TFitHost& Host, const std::string& Text) {
  std::string text = RemoveBlanks(Text);
  size_t start = 0;
  while (start < text.size()) {
    size_t sep = text.find("],", start);
    std::string piece =
        sep == std::string::npos ? text.substr(start) : text.substr(start, sep - start + 1);
    start = sep == std::string::npos ? text.size() : sep + 2;
    size_t lb = piece.find('['), rb = piece.rfind(']');
    if (lb == std::string::npos || rb == std::string::npos || rb < lb || lb == 0) {
      Host.ShowMessage(mtInformation, "Wong defination VarConstant value!\r\n" + Quoted(piece));
      return false;
    }
    if (!ReadVarConstantDefinition(State, Host, piece)) return false;
  }
  return true;
}

namespace {

// The fields of one data row, in one pass. A field ends at the greatest of
// the first ";", "," and tab of the rest of the row, or at its first blank
// when none of them occurs; the rest is trimmed before each field, and each
// field is trimmed. The next position of every separator is kept and looked
// for again only once the rest has passed it, so a row is read in time
// linear in its length, however many fields it has.
class TRowFields {
 public:
  explicit TRowFields(std::string_view Row) : text_(TrimView(Row)) {}

  // The next field in Field; false once the last field was given.
  bool Next(std::string_view& Field) {
    if (done_) return false;
    size_t end = std::string_view::npos;
    for (int k = 0; k < 3; ++k) {
      const size_t p = NextOf(k);
      if (p != std::string_view::npos && (end == std::string_view::npos || p > end)) end = p;
    }
    if (end == std::string_view::npos) end = NextOf(3);
    if (end == std::string_view::npos) {
      Field = text_.substr(start_);
      done_ = true;
      return true;
    }
    Field = TrimView(text_.substr(start_, end - start_));
    start_ = end + 1;
    while (start_ < text_.size() && static_cast<unsigned char>(text_[start_]) <= ' ') ++start_;
    return true;
  }

 private:
  static constexpr char kSeparators[4] = {';', ',', '\t', ' '};

  // The first position of separator K at or after the start of the rest.
  size_t NextOf(int K) {
    size_t& p = next_[K];
    if (p != std::string_view::npos && (!searched_[K] || p < start_)) {
      p = text_.find(kSeparators[K], start_);
      searched_[K] = true;
    }
    return p;
  }

  std::string_view text_;
  size_t start_ = 0;
  bool done_ = false;
  size_t next_[4] = {0, 0, 0, 0};
  bool searched_[4] = {false, false, false, false};
};

int CountFields(std::string_view text) {
  TRowFields fields(text);
  std::string_view field;
  int n = 0;
  while (fields.Next(field)) ++n;
  return n;
}

void StoreValue(TEngineState& S, int column, int row, double v) {
  if (S.Model.CurrentFile >= static_cast<int>(S.Model.DataColumns.size()))
    S.Model.DataColumns.resize(S.Model.CurrentFile + 1);
  Double2Array& set = S.Model.DataColumns[S.Model.CurrentFile];
  if (column >= static_cast<int>(set.size())) set.resize(column + 1);
  Double1Array& col = set[column];
  if (row >= static_cast<int>(col.size())) {
    // The data set's rows are counted before they are read: room for all
    // of them at once.
    const int f = S.Model.CurrentFile;
    if (col.empty() && f < static_cast<int>(S.Model.PointCount.size()) &&
        S.Model.PointCount[f] > row)
      col.reserve(static_cast<size_t>(S.Model.PointCount[f]));
    col.resize(row + 1, 0.0);
  }
  col[row] = v;
}

}  // namespace

bool SplitDataRowChecked(TEngineState& State, TFitHost& Host, std::string_view Text, int Column,
                         int Row, bool& Reported) {
  Reported = false;
  std::string_view text = TrimView(Text);
  if (Column == 0 && State.Model.ColumnCount == 0) {
    State.Model.ColumnCount = CountFields(text);
    if (State.Model.VariableCount - State.Model.OutputCount >= State.Model.ColumnCount) {
      Host.ShowMessage(mtWarning, "Wrong defination of Variables, no enough data value columns!");
      Reported = true;
      return false;
    }
  }
  TRowFields fields(text);
  std::string_view field;
  for (int column = Column; fields.Next(field); ++column) {
    double v = 0;
    if (!TryNumber(std::string(field), v)) return false;
    StoreValue(State, column, Row, v);
    ++State.Model.ValuesRead;
  }
  return true;
}

bool SplitDataRow(TEngineState& State, TFitHost& Host, const std::string& Text, int Column,
                  int Row) {
  bool reported = false;
  return SplitDataRowChecked(State, Host, Text, Column, Row, reported);
}

bool IsIntegerKey(char Key) { return (Key >= '0' && Key <= '9') || Key == 8 || Key == 13; }

bool IsRealKey(char Key, const std::string& Text) {
  if ((Key >= '0' && Key <= '9') || Key == 8 || Key == '-' || Key == ' ' || Key == 13) return true;
  return Key == '.' && Text.find('.') == std::string::npos;
}

}  // namespace qv
