#include "engine/ProgramSource.h"

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/WorkLines.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// ---- Text helpers -----------------------------------------------------------------

bool IsIdentStart(char c) { return IsAsciiLetter(c) || c == '_'; }
bool IsIdentChar(char c) { return IsAsciiAlphaNumeric(c) || c == '_'; }
bool IsOperandChar(char c) { return IsIdentChar(c) || c == '.'; }

// Marks the characters of a line that are code (not inside a string or a
// comment). State carries an open { } (1) or (* *) (2) comment.
std::vector<bool> CodeMask(const std::string& line, int& state) {
  std::vector<bool> code(line.size(), false);
  size_t i = 0;
  while (i < line.size()) {
    if (state == 1) {
      if (line[i] == '}') state = 0;
      ++i;
      continue;
    }
    if (state == 2) {
      if (line.compare(i, 2, "*)") == 0) {
        state = 0;
        i += 2;
      } else {
        ++i;
      }
      continue;
    }
    const char c = line[i];
    if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') break;  // rest is a comment
    if (c == '{') {
      state = 1;
      ++i;
      continue;
    }
    if (c == '(' && i + 1 < line.size() && line[i + 1] == '*') {
      state = 2;
      i += 2;
      continue;
    }
    if (c == '\'') {  // string, '' inside it is a quote
      ++i;
      while (i < line.size()) {
        if (line[i] == '\'') {
          if (i + 1 < line.size() && line[i + 1] == '\'') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      continue;
    }
    code[i] = true;
    ++i;
  }
  return code;
}

// Index of the bracket matching the closing one at Close, scanning back;
// npos when unbalanced.
size_t MatchBack(const std::string& s, size_t close) {
  int depth = 0;
  for (size_t i = close + 1; i-- > 0;) {
    const char c = s[i];
    if (c == ')' || c == ']')
      ++depth;
    else if (c == '(' || c == '[') {
      if (--depth == 0) return i;
    }
  }
  return std::string::npos;
}

size_t MatchForward(const std::string& s, size_t open) {
  int depth = 0;
  for (size_t i = open; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '(' || c == '[')
      ++depth;
    else if (c == ')' || c == ']') {
      if (--depth == 0) return i;
    }
  }
  return std::string::npos;
}

// Start of the base operand ending at End (inclusive); npos when there is none.
size_t BaseStart(const std::string& s, size_t end) {
  size_t start = end + 1;
  size_t i = end;
  bool any = false;
  for (;;) {
    const char c = s[i];
    if (c == ')' || c == ']') {
      const size_t open = MatchBack(s, i);
      if (open == std::string::npos) return std::string::npos;
      start = open;
      any = true;
      if (open == 0) return start;
      i = open - 1;
      const char before = s[i];
      if (before == ']' || before == ')') {
        if (c == ']') continue;  // a[i][j]
        return start;            // (a)(b): only the last group
      }
      if (!IsOperandChar(before)) return start;
      // the name in front of the group
    }
    while (IsOperandChar(s[i])) {
      start = i;
      any = true;
      if (i == 0) return start;
      --i;
    }
    return any ? start : std::string::npos;
  }
}

// One past the end of the exponent operand starting at Begin; npos when
// there is none.
size_t ExponentEnd(const std::string& s, size_t begin) {
  size_t i = begin;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i < s.size() && s[i] == '(') {
    const size_t close = MatchForward(s, i);
    return close == std::string::npos ? close : close + 1;
  }
  const size_t runStart = i;
  while (i < s.size() && IsOperandChar(s[i])) ++i;
  if (i == runStart) return std::string::npos;
  while (i < s.size() && (s[i] == '[' || s[i] == '(')) {  // x[i], f(x)
    const size_t close = MatchForward(s, i);
    if (close == std::string::npos) return close;
    i = close + 1;
  }
  return i;
}

// ---- One-pass name replacement -----------------------------------------------

enum TNameKind { nkReplace, nkIndexed };  // nkIndexed: only before "[", which it takes

struct TNameEntry {
  TNameKind Kind;
  std::string Replacement;
  bool Lowers;  // a replacement that lower-cases the line
};

std::map<std::string, TNameEntry> ProgramNames(const TEngineState& S) {
  std::map<std::string, TNameEntry> names;
  auto add = [&](const std::string& name, TNameKind kind, const std::string& repl, bool lowers) {
    const std::string key = LowerCase(Trim(name));
    if (!key.empty() && !names.count(key)) names.emplace(key, TNameEntry{kind, repl, lowers});
  };
  for (int p = 0; p < static_cast<int>(S.Model.ParameterNames.size()); ++p)
    add(S.Model.ParameterNames[p], nkReplace, "PData[" + std::to_string(p) + "]", true);
  for (int c = 0; c < static_cast<int>(S.Model.ConstantNames.size()); ++c)
    add(S.Model.ConstantNames[c], nkReplace,
        c < static_cast<int>(S.Model.ConstantValues.size()) ? S.Model.ConstantValues[c] : "0",
        true);
  for (int c = 0; c < static_cast<int>(S.Model.VarConstantNames.size()); ++c)
    add(S.Model.VarConstantNames[c], nkReplace, "VCData[FileID," + std::to_string(c) + "]", true);
  int input = 0;
  for (const auto& v : S.Model.VariableNames) {
    const bool output = std::any_of(S.Model.OutputNames.begin(), S.Model.OutputNames.end(),
                                    [&](const std::string& o) { return SameText(o, v); });
    if (!output) add(v, nkIndexed, "XData[FileID," + std::to_string(input++) + ",", false);
  }
  for (int o = 0; o < static_cast<int>(S.Model.OutputNames.size()); ++o)
    add(S.Model.OutputNames[o], nkIndexed, "YData[FileID," + std::to_string(o) + ",", false);
  add("DataLength", nkReplace, "DataNo[FileID]", true);
  return names;
}

std::string ReplaceNames(const std::map<std::string, TNameEntry>& names, const std::string& line,
                         int* state) {
  int st = state ? *state : 0;
  const std::vector<bool> code = CodeMask(line, st);
  if (state) *state = st;
  std::string asIs, lowered;
  bool lowers = false;
  size_t i = 0;
  auto copy = [&](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) {
      asIs += line[k];
      lowered += code[k] ? LowerCaseChar(line[k]) : line[k];
    }
  };
  while (i < line.size()) {
    if (!code[i]) {
      copy(i, i + 1);
      ++i;
      continue;
    }
    const char c = line[i];
    if (IsAsciiDigit(c) || c == '$' || c == '#') {
      // A number: digits, fraction and exponent (so "1e5" holds no name).
      size_t j = i + 1;
      while (j < line.size() && code[j]) {
        const char d = line[j];
        if (IsAsciiAlphaNumeric(d) || d == '_')
          ++j;
        else if (d == '.' && j + 1 < line.size() && IsAsciiDigit(line[j + 1]))
          ++j;
        else if ((d == '+' || d == '-') && (line[j - 1] == 'e' || line[j - 1] == 'E') && c != '$')
          ++j;
        else
          break;
      }
      copy(i, j);
      i = j;
      continue;
    }
    if (!IsIdentStart(c)) {
      copy(i, i + 1);
      ++i;
      continue;
    }
    size_t j = i;
    while (j < line.size() && code[j] && IsIdentChar(line[j])) ++j;
    const auto it = names.find(LowerCase(line.substr(i, j - i)));
    if (it == names.end()) {
      copy(i, j);
      i = j;
      continue;
    }
    const TNameEntry& e = it->second;
    if (e.Kind == nkIndexed) {
      size_t k = j;
      while (k < line.size() && line[k] == ' ') ++k;
      if (k >= line.size() || line[k] != '[' || !code[k]) {
        copy(i, j);
        i = j;
        continue;
      }
      j = k + 1;
    }
    asIs += e.Replacement;
    lowered += e.Replacement;
    lowers = lowers || e.Lowers;
    i = j;
  }
  return lowers ? lowered : asIs;
}

// ---- The library source --------------------------------------------------------

const char* const kHeader[] = {
    "library FitDLL;",
    "",
    "Uses",
    "   SysUtils, Math, Classes;",
    "",
    "Type",
    "   Integer1Array = Array of Integer;",
    "   Double1Array = Array of Double;",
    "   Double2Array = Array of Array of Double;",
    "   Double3Array = Array of Array of Array of Double;",
    "",
    "Procedure Run__DLL(FileID: Integer; DataNo: Integer1Array; XData: Double3Array; VCData: "
    "Double2Array; "
    "PData: Double1Array; Var YData: Double3Array);StdCall;",
};

// The C adapter (see engine/FitDll.h for its contract).
const char* const kAdapter =
    R"PAS({ Adapter for the engine: C calling convention, data copied in once
  per run, parameters in and outputs out per call, exceptions caught. }
Var
  QvDataNo: Integer1Array;
  QvXData: Double3Array;
  QvVCData: Double2Array;
  QvPData: Double1Array;
  QvYData: Double3Array;
  QvOutputs: Integer;

Procedure QvPutText(const S: AnsiString; Buf: PAnsiChar; Size: Integer);
Var
  N: Integer;
Begin
  If (Buf = Nil) Or (Size <= 0) Then Exit;
  N := Length(S);
  If N > Size - 1 Then N := Size - 1;
  If N > 0 Then Move(PAnsiChar(S)^, Buf^, N);
  Buf[N] := #0;
End;

Function QvFitDllSetup(Files, Inputs, Outputs, VarConsts, Params: Integer; Rows: PInteger;
  X, VC: PDouble): Integer; cdecl;
Var
  F, I, R: Integer;
Begin
  Result := 0;
  Try
    SetLength(QvDataNo, Files);
    SetLength(QvXData, Files);
    SetLength(QvYData, Files);
    SetLength(QvVCData, Files);
    SetLength(QvPData, Params);
    QvOutputs := Outputs;
    For F := 0 To Files - 1 Do
    Begin
      QvDataNo[F] := Rows[F];
      SetLength(QvXData[F], Inputs);
      For I := 0 To Inputs - 1 Do
      Begin
        SetLength(QvXData[F][I], Rows[F]);
        For R := 0 To Rows[F] - 1 Do
        Begin
          QvXData[F][I][R] := X^;
          Inc(X);
        End;
      End;
      SetLength(QvYData[F], Outputs);
      For I := 0 To Outputs - 1 Do
        SetLength(QvYData[F][I], Rows[F]);
      SetLength(QvVCData[F], VarConsts);
      For I := 0 To VarConsts - 1 Do
      Begin
        QvVCData[F][I] := VC^;
        Inc(VC);
      End;
    End;
  Except
    Result := 1;
  End;
End;

Function QvFitDllRun(FileID: Integer; Params: PDouble; YOut: PDouble; ErrText: PAnsiChar;
  ErrSize: Integer): Integer; cdecl;
Var
  I, O, R: Integer;
Begin
  Result := 0;
  Try
    SetExceptionMask([exInvalidOp, exDenormalized, exZeroDivide, exOverflow, exUnderflow, exPrecision]);
    For I := 0 To Length(QvPData) - 1 Do
      QvPData[I] := Params[I];
    For O := 0 To QvOutputs - 1 Do
      For R := 0 To QvDataNo[FileID] - 1 Do
        QvYData[FileID][O][R] := 0;
    Run__DLL(FileID, QvDataNo, QvXData, QvVCData, QvPData, QvYData);
    For O := 0 To QvOutputs - 1 Do
      For R := 0 To QvDataNo[FileID] - 1 Do
      Begin
        YOut^ := QvYData[FileID][O][R];
        Inc(YOut);
      End;
  Except
    On E: Exception Do
    Begin
      QvPutText(E.ClassName + ': ' + E.Message, ErrText, ErrSize);
      Result := 1;
    End;
    Else
    Begin
      QvPutText('Exception', ErrText, ErrSize);
      Result := 1;
    End;
  End;
End;

Procedure QvFitDllFault(Code: Integer); cdecl;
Begin
  If Code = 1 Then
    Raise EDivByZero.Create('Division by zero')
  Else If Code = 3 Then
    Raise EStackOverflow.Create('Stack overflow')
  Else
    Raise EAccessViolation.Create('Access violation');
End;

Exports
  QvFitDllSetup, QvFitDllRun, QvFitDllFault;
)PAS";

}  // namespace

// ---- Source generation ------------------------------------------------------------

std::string RewritePowerOperator(const std::string& Line) {
  std::string s = Line;
  size_t from = 0;
  for (;;) {
    int state = 0;
    const std::vector<bool> code = CodeMask(s, state);
    size_t caret = std::string::npos;
    for (size_t i = from; i < s.size(); ++i)
      if (code[i] && s[i] == '^') {
        caret = i;
        break;
      }
    if (caret == std::string::npos) return s;
    size_t end = caret;  // last character of the base
    while (end > 0 && s[end - 1] == ' ') --end;
    size_t bStart = end > 0 ? BaseStart(s, end - 1) : std::string::npos;
    size_t eBegin = caret + 1;
    while (eBegin < s.size() && s[eBegin] == ' ') ++eBegin;
    size_t eEnd = ExponentEnd(s, eBegin);
    if (bStart == std::string::npos || eEnd == std::string::npos) {
      from = caret + 1;  // not an operator we can read: leave it to the compiler
      continue;
    }
    const std::string base = s.substr(bStart, end - bStart);
    const std::string exponent = s.substr(eBegin, eEnd - eBegin);
    s = s.substr(0, bStart) + "(Power(" + base + ", " + exponent + "))" + s.substr(eEnd);
    from = 0;
  }
}

std::string RewriteProgramLine(const TEngineState& State, const std::string& Line, int* InComment) {
  const auto names = ProgramNames(State);
  int state = InComment ? *InComment : 0;
  std::string s = state == 0 ? RewritePowerOperator(Line) : Line;
  s = ReplaceNames(names, s, &state);
  if (InComment) *InComment = state;

  std::string l = LowerCase(s);
  size_t p = l.find(": =");
  if (p != std::string::npos) {
    s.replace(p, 3, ":=");
    l = LowerCase(s);
  }
  const size_t eq = l.find('=');
  if (eq != std::string::npos && l.find("if ") == std::string::npos &&
      l.find("while ") == std::string::npos && l.find("until ") == std::string::npos) {
    const char before = eq > 0 ? l[eq - 1] : ' ';
    // "<=" and ">=" are comparisons, not assignments.
    if (before != ':' && before != '<' && before != '>') {
      const size_t sp = s.find(" =");
      if (sp != std::string::npos) s.replace(sp, 2, ":=");
    }
  }
  return s;
}

std::vector<std::string> BuildFitDllSource(const TEngineState& S) {
  std::vector<std::string> lines(std::begin(kHeader), std::end(kHeader));
  const TWorkLines& work = S.Model.WorkLines();
  int comment = 0;
  for (int i = S.Model.ProgramStart; i <= S.Model.ProgramEnd && i < work.Count(); ++i)
    lines.push_back(RewriteProgramLine(S, work[i], &comment));
  for (const char* l : {"", "Exports", "", "Run__DLL;", ""}) lines.push_back(l);
  std::stringstream adapter(kAdapter);
  std::string l;
  while (std::getline(adapter, l)) lines.push_back(l);
  lines.push_back("");
  lines.push_back("Begin");
  lines.push_back("End.");
  return lines;
}

}  // namespace qv
