#include "engine/ProgramMode.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "engine/FitDll.h"
#include "engine/FitSearch.h"
#include "engine/FitSettings.h"
#include "engine/FitWorker.h"
#include "engine/Fitness.h"
#include "engine/ModelParser.h"
#include "engine/RandomValues.h"
#include "engine/SearchReport.h"
#include "engine/WorkLines.h"
#include "platform/core/Classes.h"
#include "platform/core/Process.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace fs = std::filesystem;

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

const std::vector<std::string>& CompilerOptions() {
  static const std::vector<std::string> options = {"-Mdelphi", "-Cr", "-Cg", "-O1", "-vew"};
  return options;
}

constexpr int kCompileTimeoutMs = 120000;

const char* const kBuildStopped = "Compiling the program codes was stopped.";
const char* const kNoWorker =
    "The program \"qvfitworker\", which runs program models, was not found next to this "
    "program nor where the build put it (the variable QV_FITWORKER may name it).";

std::string HashText(const std::string& text) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a, 64 bits
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::string FindCompiler() {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    const std::string exe = dir + "/fpc";
    if (::access(exe.c_str(), X_OK) == 0 && !fs::is_directory(exe)) return exe;
  }
  return {};
}

std::string WorkFolderName() { return "build-" + std::to_string(::getpid()); }

int InputCount(const TEngineState& S) {
  int n = 0;
  for (const auto& v : S.Model.VariableNames)
    if (std::none_of(S.Model.OutputNames.begin(), S.Model.OutputNames.end(),
                     [&](const std::string& o) { return SameText(o, v); }))
      ++n;
  return n;
}

int TestFiles(const TEngineState& S) {
  int n = 0;
  for (int f = 0; f < S.Model.DataFileCount && f < static_cast<int>(S.Model.IsTestFile.size()); ++f)
    if (S.Model.IsTestFile[f]) ++n;
  return n;
}

bool IsTest(const TEngineState& S, int f) {
  return f < static_cast<int>(S.Model.IsTestFile.size()) && S.Model.IsTestFile[f];
}

// Compiler messages with their lines taken back to the program block.
std::string CompilerMessages(const std::string& output, int programLines) {
  std::vector<std::string> out;
  std::stringstream in(output);
  std::string line;
  const std::string tag = "FitDll.dpr(";
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t at = line.find(tag);
    if (at != std::string::npos) {
      const size_t close = line.find(')', at);
      int row = 0, col = 0;
      if (close != std::string::npos &&
          std::sscanf(line.c_str() + at + tag.size(), "%d,%d", &row, &col) >= 1) {
        const std::string text = Trim(line.substr(close + 1));
        const int k = row - 1 - kFitDllProgramLine;
        if (k >= 0 && k < programLines)
          out.push_back("Program line " + std::to_string(k + 1) + ", column " +
                        std::to_string(col) + ": " + text);
        else if (k >= programLines)
          out.push_back("After the last program line: " + text);
        else
          out.push_back(text);
        continue;
      }
    }
    if (line.find("Error:") != std::string::npos || line.find("Fatal:") != std::string::npos) {
      // The driver's own summary lines add nothing.
      if (line.find("returned an error exitcode") != std::string::npos) continue;
      if (line.find("Compilation aborted") != std::string::npos) continue;
      out.push_back(Trim(line));
    }
  }
  std::string text;
  for (const auto& l : out) text += (text.empty() ? "" : "\n") + l;
  return text;
}

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

// ---- Folder and compiler ------------------------------------------------------------

std::string LibraryFolder() {
  std::string base;
  if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
    base = x;
  else if (const char* h = std::getenv("HOME"); h && *h)
    base = std::string(h) + "/.cache";
  else
    base = fs::temp_directory_path().string();
  const std::string dir = base + "/quorvane/lib";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

bool StageCompilerKit(int Mode) {
  if (Mode != 1) return true;
  return !FindCompiler().empty();
}

void CleanLibFiles(int Mode, const std::string& LibraryPath) {
  std::error_code ec;
  const fs::path dir = LibraryFolder();
  if (Mode == 3 && !LibraryPath.empty()) fs::remove(LibraryPath, ec);
  fs::remove_all(dir / WorkFolderName(), ec);
  if (Mode == 0) {
    for (const auto& e : fs::directory_iterator(dir, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("FitDll-", 0) == 0 && e.path().extension() == ".so") {
        fs::remove(e.path(), ec);
        continue;
      }
      // Working files left by runs that ended without cleaning up.
      for (const char* prefix : {"build-", ".load-"}) {
        if (name.rfind(prefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + std::strlen(prefix), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
          fs::remove_all(e.path(), ec);
      }
    }
  }
}

const TFitDllBuildInfo& LastFitDllBuild(const TEngineState& State) {
  return State.Model.ProgramRuntime().Info;
}

void FreeFitDll(TEngineState& State) { State.Model.FreeProgramRuntime(); }

bool BuildFitDll(TEngineState& S, TFitHost& Host) {
  static const std::string kSyntax = "There may be syntax error in program codes!";
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  rt.Info = {};
  rt.Prefetched = 0;
  if (FitWorkerPath().empty()) {
    Host.RestoreCursor();
    Host.ShowMessage(mtWarning, kNoWorker);
    return false;
  }
  // The compile (up to two minutes) and the start of the worker keep the
  // window live, and the stop command ends them.
  const TFitWorker::TPump pump = [&] {
    Host.ProcessMessages();
    return S.Run.StopCode != scUserStop;
  };
  auto stopped = [&] {
    rt.Info.Stopped = true;
    Host.RestoreCursor();
    Host.ShowMessage(mtInformation, kBuildStopped);
    return false;
  };

  const std::vector<std::string> lines = BuildFitDllSource(S);
  std::string source;
  for (const auto& l : lines) source += l + "\n";
  std::string key = source;
  for (const auto& o : CompilerOptions()) key += o + " ";
  const std::string hash = HashText(key);
  const std::string folder = LibraryFolder();
  const std::string library = folder + "/FitDll-" + hash + ".so";
  const int programLines = std::max(0, S.Model.ProgramEnd - S.Model.ProgramStart + 1);

  std::string error;
  if (!(rt.Worker.Alive() && rt.Hash == hash)) {
    rt.Worker.Stop();
    rt.Hash.clear();
    std::error_code ec;
    bool loaded = fs::exists(library, ec) && rt.Worker.Start(library, error, pump);
    if (!loaded && S.Run.StopCode == scUserStop) return stopped();
    if (!loaded) {
      // Not built yet, or a library that cannot be loaded: build it.
      if (!StageCompilerKit(1)) {
        Host.ShowMessage(
            mtWarning,
            "The Pascal compiler \"fpc\" was not found. Program models need Free Pascal "
            "(Debian package fp-compiler).");
        return false;
      }
      // A library already under the final name stays until the new one
      // replaces it in one step: another run may be loading it.
      CleanLibFiles(2);
      const fs::path work = fs::path(folder) / WorkFolderName();
      fs::create_directories(work, ec);
      {
        std::ofstream out(work / "FitDll.dpr", std::ios::binary | std::ios::trunc);
        out << source;
        if (!out) {
          Host.ShowMessage(mtWarning, "Cannot write \"" + (work / "FitDll.dpr").string() + "\"!");
          return false;
        }
      }
      TProcessOptions opts;
      opts.Executable = "fpc";
      opts.Arguments = CompilerOptions();
      opts.Arguments.push_back("-FU.");
      opts.Arguments.push_back("-FE.");
      opts.Arguments.push_back("-oFitDll.so");
      opts.Arguments.push_back("FitDll.dpr");
      opts.WorkDir = work.string();
      opts.TimeoutMs = kCompileTimeoutMs;
      opts.Poll = pump;
      opts.PollIntervalMs = TFitWorker::PumpIntervalMs;
      Host.ProcessMessages();
      const TProcessResult r = RunProcess(opts);
      if (r.Cancelled) {
        CleanLibFiles(2);
        return stopped();
      }
      rt.Info.Compiled = true;
      rt.Info.CompilerOutput = r.StdOut + r.StdErr;
      const fs::path built = work / "FitDll.so";
      std::string problem;
      if (!r.Started)
        problem = r.Error;
      else if (r.TimedOut)
        problem = "The compiler did not finish within " + std::to_string(kCompileTimeoutMs / 1000) +
                  " seconds.";
      else if (r.ExitCode != 0 || !fs::exists(built, ec)) {
        problem = CompilerMessages(rt.Info.CompilerOutput, programLines);
        if (problem.empty())
          problem = "The compiler ended with exit code " + std::to_string(r.ExitCode) + ".";
      }
      if (problem.empty()) {
        // Into the folder under its final name in one step, so that no
        // other run ever sees a half-written library.
        fs::rename(built, library, ec);
        if (ec) problem = "Cannot store the library \"" + library + "\": " + ec.message();
      }
      CleanLibFiles(2);
      StageCompilerKit(0);
      if (!problem.empty()) {
        Host.RestoreCursor();
        Host.ShowMessage(mtInformation, kSyntax + "\n" + problem);
        return false;
      }
      if (!rt.Worker.Start(library, error, pump)) {
        if (S.Run.StopCode == scUserStop) return stopped();
        CleanLibFiles(3, library);
        Host.RestoreCursor();
        Host.ShowMessage(mtInformation, kSyntax + "\n" + error);
        return false;
      }
    }
    rt.Hash = hash;
  }
  rt.Info.LibraryPath = library;
  const TFitWorkerWait set = rt.Worker.Setup(
      S.Model.PointCount, S.Model.InputData, S.Model.VarConstantValues, InputCount(S),
      S.Model.VarConstantCount, S.Model.OutputCount, S.Model.ParameterCount, error, pump);
  if (set == TFitWorkerWait::Abandoned) return stopped();
  if (set != TFitWorkerWait::Done) {
    Host.ShowMessage(mtInformation, kSyntax + "\n" + error);
    return false;
  }
  S.Model.RebuildNeeded = false;
  return true;
}

// ---- Evaluation ------------------------------------------------------------------------

namespace {

// The worker ended by itself during a search (a "halt" in the model's code,
// or a fault its own handling could not catch): the search cannot go on.
class EFitWorkerDied : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string WorkerDeathText(const TFitWorker& w) {
  return "The program codes ended the process that runs them (" + w.DeathText() +
         "); \"halt\" cannot be used in a program model.";
}

// A call outside a search (the chart, tests) waits at most this long.
constexpr int kSingleCallLimitMs = 10000;

}  // namespace

bool RunFitDll(TEngineState& S, int File, std::string* Error) {
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  TFitWorker& w = rt.Worker;
  if (static_cast<int>(S.Model.ParameterValues.size()) < w.Params())
    S.Model.ParameterValues.resize(w.Params(), 0.0);
  if (File < 0 || File >= static_cast<int>(S.Model.Calculated.size())) {
    if (Error) *Error = "No such data set.";
    return false;
  }
  rt.Prefetched = 0;  // job 0 is taken
  if (!w.Reserve(1)) {
    if (Error) *Error = "The library is not ready.";
    return false;
  }
  w.SetJob(0, File, S.Model.ParameterValues.data());
  switch (w.Execute(1, rt.Pump, rt.Pump ? -1 : kSingleCallLimitMs)) {
    case TFitWorkerWait::Done:
      break;
    case TFitWorkerWait::Died:
      if (Error) *Error = WorkerDeathText(w);
      return false;
    case TFitWorkerWait::TimedOut:
      if (Error)
        *Error = "The program codes did not return within " +
                 std::to_string(kSingleCallLimitMs / 1000) + " seconds.";
      return false;
    case TFitWorkerWait::Abandoned:
      if (Error) *Error = "The evaluation was stopped.";
      return false;
  }
  if (w.JobStatus(0) != TFitDllStatus::Ok) {
    if (Error) *Error = w.FirstError();
    return false;
  }
  Double2Array& y = S.Model.Calculated[File];
  const int rows = S.Model.PointCount[File];
  if (static_cast<int>(y.size()) < w.Outputs()) y.resize(w.Outputs());
  for (int o = 0; o < w.Outputs(); ++o) {
    if (static_cast<int>(y[o].size()) < rows) y[o].resize(rows);
    std::copy_n(w.JobOutput(0) + static_cast<size_t>(o) * w.MostRows(), rows, y[o].begin());
  }
  return true;
}

void SetTestFileValues(TEngineState& State, const std::vector<double>& Values) {
  State.Model.ProgramRuntime().TestValues = Values;
}

namespace {

// Calls Fn(f) for every data set f with S.Model.ParameterValues holding the
// values of data set f for member values V: the shared parameters, then
// the data set's own var-parameters (searched ones from V, those of test
// data sets as given for them).
template <class F>
void ForEachFileParameters(TEngineState& S, const Double1Array& v, F&& Fn) {
  const TProgramRuntime& rt = S.Model.ProgramRuntime();
  const int files = S.Model.DataFileCount, vpc = S.Model.VarParameterCount;
  const bool perFile = files > 1 && vpc > 0;
  const int shared = S.Model.ParameterCount - (perFile ? vpc : 0);
  S.Model.ParameterValues.resize(S.Model.ParameterCount, 0.0);
  const int first = perFile ? shared : S.Model.ParameterCount;
  for (int p = 0; p < first && p < static_cast<int>(v.size()); ++p)
    S.Model.ParameterValues[p] = v[p];
  int fitted = 0, tests = 0;
  for (int f = 0; f < files; ++f) {
    const bool test = IsTest(S, f);
    if (perFile) {
      for (int k = 0; k < vpc; ++k) {
        double value = 0;
        if (test) {
          const size_t at = static_cast<size_t>(tests) * vpc + k;
          if (at < rt.TestValues.size()) value = rt.TestValues[at];
        } else {
          const size_t at = static_cast<size_t>(shared) + static_cast<size_t>(fitted) * vpc + k;
          if (at < v.size()) value = v[at];
        }
        S.Model.ParameterValues[shared + k] = value;
      }
    }
    if (test)
      ++tests;
    else
      ++fitted;
    Fn(f);
  }
}

// The jobs Job0.. of the worker, one per data set, for member values V.
void SetMemberJobs(TEngineState& S, const Double1Array& v, int job0) {
  TFitWorker& w = S.Model.ProgramRuntime().Worker;
  ForEachFileParameters(S, v,
                        [&](int f) { w.SetJob(job0 + f, f, S.Model.ParameterValues.data()); });
}

// Whether the jobs Job0.. were made for member values V.
bool MemberJobsHold(TEngineState& S, const Double1Array& v, int job0) {
  TFitWorker& w = S.Model.ProgramRuntime().Worker;
  bool same = true;
  ForEachFileParameters(S, v, [&](int f) {
    same = same && std::equal(S.Model.ParameterValues.begin(), S.Model.ParameterValues.end(),
                              w.JobParams(job0 + f));
  });
  return same;
}

double ProgramFitness(TEngineState& S, int criterion, int m, const Double1Array& values,
                      bool trial) {
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  // Stopped during an evaluation: the worker is gone and the search ends
  // after its pump; the member keeps what it had.
  if (rt.Abandoned) return S.Pop.Fitness[m];
  TFitWorker& w = rt.Worker;
  const int files = S.Model.DataFileCount, outs = S.Model.OutputCount;
  rt.Candidate.assign(values.begin(),
                      values.end());  // one consistent set, even if m is drawn again
  const Double1Array& v = rt.Candidate;

  // The member's data sets were evaluated with the whole population, or
  // go to the worker now, all in one round trip.
  int job0 = 0;
  if (!trial && m < rt.Prefetched && MemberJobsHold(S, v, m * files)) {
    job0 = m * files;
  } else {
    rt.Prefetched = 0;
    if (!w.Reserve(files)) throw EFitWorkerDied(WorkerDeathText(w));
    SetMemberJobs(S, v, 0);
    switch (w.Execute(files, rt.Pump)) {
      case TFitWorkerWait::Done:
        break;
      case TFitWorkerWait::Abandoned:
        rt.Abandoned = true;
        return S.Pop.Fitness[m];
      default:
        throw EFitWorkerDied(WorkerDeathText(w));
    }
  }

  // The statistics read the data set in CurrentFile; the data set the
  // window shows (chart, report table) is restored on every way out.
  struct TShownFile {
    TEngineState& S;
    const int File;
    ~TShownFile() { S.Model.CurrentFile = File; }
  } shown{S, S.Model.CurrentFile};

  double sum = 0;
  for (int f = 0; f < files; ++f) {
    S.Model.CurrentFile = f;
    const bool test = IsTest(S, f);
    ++rt.Calls;
    if (w.JobStatus(job0 + f) == TFitDllStatus::Ok) {
      Double2Array& y = S.Model.Calculated[f];
      const int rows = S.Model.PointCount[f];
      if (static_cast<int>(y.size()) < outs) y.resize(outs);
      for (int o = 0; o < outs && o < w.Outputs(); ++o) {
        if (static_cast<int>(y[o].size()) < rows) y[o].resize(rows);
        std::copy_n(w.JobOutput(job0 + f) + static_cast<size_t>(o) * w.MostRows(), rows,
                    y[o].begin());
      }
      if (!test)
        for (int o = 0; o < outs; ++o)
          sum += criterion == crRMSE ? CalcRootMeanSquareError(S, o, S.Model.Calculated)
                                     : CalcDeterminationCoef(S, o, S.Model.Calculated, m);
      continue;
    }
    ++rt.Faults;
    if (rt.FirstFault.empty()) rt.FirstFault = w.FirstError();
    if (trial) return S.Pop.Fitness[m];
    RandomizeMember(S, m);
    for (auto& column : S.Model.Calculated[f]) std::fill(column.begin(), column.end(), 0.0);
    if (criterion == crRMSE && !test)
      for (int o = 0; o < outs; ++o) sum += CalcRootMeanSquareError(S, o, S.Model.Calculated);
  }
  const int scored = files - TestFiles(S);
  return scored > 0 && outs > 0 ? sum / scored / outs : 0;
}

}  // namespace

void PrefetchMembersByProgram(TEngineState& S) {
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  rt.Prefetched = 0;
  const int members = S.Pop.PopSize, files = S.Model.DataFileCount;
  if (rt.Abandoned || members <= 1 || files <= 0 ||
      static_cast<int>(S.Pop.Population.size()) < members)
    return;
  TFitWorker& w = rt.Worker;
  if (!w.Reserve(members * files)) return;  // each member goes on its own
  for (int m = 0; m < members; ++m) SetMemberJobs(S, S.Pop.Population[m], m * files);
  switch (w.Execute(members * files, rt.Pump)) {
    case TFitWorkerWait::Done:
      rt.Prefetched = members;
      break;
    case TFitWorkerWait::Abandoned:
      rt.Abandoned = true;
      break;
    default:
      throw EFitWorkerDied(WorkerDeathText(w));
  }
}

double MemberFitnessByProgram(TEngineState& State, int Criterion, int m) {
  return ProgramFitness(State, Criterion, m, State.Pop.Population[m], false);
}

double FitnessByProgram(TEngineState& State, int Criterion, int m) {
  return ProgramFitness(State, Criterion, m, State.Pop.TrialPopulation[m], true);
}

// ---- The run ---------------------------------------------------------------------------

namespace {

// After the report: how many calls of the model failed, and a failure when
// none succeeded (its parameters are then random values, not a result).
void ReportProgramFaults(TEngineState& S, TFitHost& Host, TRunOutcome& Outcome) {
  const TProgramRuntime& rt = S.Model.ProgramRuntime();
  if (rt.Abandoned && rt.Calls == 0) {
    // Stopped while the first call still ran (a model that never returns).
    std::vector<std::string> lines = Host.ResultLines();
    lines.push_back("");
    lines.push_back(
        "No call of the program codes returned before the stop: the parameters above are no "
        "result.");
    Host.SetResultLines(lines);
    return;
  }
  if (rt.Faults == 0) return;
  std::vector<std::string> lines = Host.ResultLines();
  lines.push_back("");
  lines.push_back("Failed calls of the program codes: " + std::to_string(rt.Faults) + " of " +
                  std::to_string(rt.Calls) + " (the first: " + rt.FirstFault + ")");
  const bool none = rt.Faults >= rt.Calls;
  if (none)
    lines.push_back("No call of the program codes succeeded: the parameters above are no result.");
  Host.SetResultLines(lines);
  if (none && Outcome == TRunOutcome::roSearched) {
    Outcome = TRunOutcome::roFailed;
    Host.ShowMessage(
        mtWarning, "No evaluation of the program codes succeeded: every call failed (" +
                       std::to_string(rt.Calls) + " calls).\nThe first failure: " + rt.FirstFault);
  }
}

}  // namespace

bool RunProgramMode(TEngineState& S, TFitHost& Host, TSearchSettings& Set, bool Parse,
                    TRunOutcome& Outcome) {
  Outcome = TRunOutcome::roModelRefused;
  auto refuse = [&] {
    Host.RestoreCursor();
    return false;
  };
  if (Parse && !ParseProgramModel(S, Host)) {
    Host.SetResultLines({});
    return refuse();
  }
  S.Model.CurrentFile = 0;
  S.Model.CurrentOutput = 0;
  PrepareTargetData(S);
  // A stop from here on is this run's (the compile honours it).
  S.Run.StopCode = scNone;
  if (!BuildFitDll(S, Host)) return refuse();

  const int vpc = S.Model.VarParameterCount;
  const bool perFile = S.Model.DataFileCount > 1 && vpc > 0;
  const int tests = TestFiles(S);
  S.Model.DimCount = perFile
                         ? S.Model.ParameterCount + vpc * (S.Model.DataFileCount - 1) - tests * vpc
                         : S.Model.ParameterCount;

  if (!S.Run.Resuming) {
    Outcome = TRunOutcome::roSettingsRefused;
    const auto algorithm =
        static_cast<TAlgorithm>(Host.Settings().ItemIndex(TSettingName::RadioGroup2));
    if (!CheckAlgorithmSettings(Host, algorithm)) return refuse();
    Outcome = TRunOutcome::roModelRefused;
    if (!InitPopulation(S, Host)) return refuse();
  }
  if (S.Pop.PopSize <= 0 || S.Pop.Population.empty()) return refuse();

  if (perFile && tests > 0) {
    // The var-parameters of the test data sets are not searched: ask for them.
    std::vector<std::string> titles;
    std::vector<double> values;
    const int shared = S.Model.ParameterCount - vpc;
    const std::vector<double>& previous = S.Model.ProgramRuntime().TestValues;
    for (int f = 0; f < S.Model.DataFileCount; ++f) {
      if (!IsTest(S, f)) continue;
      for (int k = 0; k < vpc; ++k) {
        titles.push_back(S.Model.ParameterNames[shared + k] + " for \"" +
                         ExtractFileName(S.Model.DataSetNames[f]) + "\"");
        values.push_back(values.size() < previous.size() ? previous[values.size()] : 0.0);
      }
    }
    auto* source = dynamic_cast<TTestValuesSource*>(&Host);
    if (!source) {
      Host.ShowMessage(
          mtInformation,
          "The VarParameter values of the test data files are needed before the search!");
      return refuse();
    }
    if (!source->EditTestFileValues(titles, values)) return refuse();
    values.resize(titles.size(), 0.0);
    SetTestFileValues(S, values);
  }

  Host.RestoreCursor();
  Outcome = TRunOutcome::roSettingsRefused;
  if (!PrepareSearch(S, Host, Set)) return false;
  Outcome = TRunOutcome::roSearched;
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  rt.Calls = rt.Faults = 0;
  rt.FirstFault.clear();
  rt.Abandoned = false;
  rt.Prefetched = 0;
  // Evaluations waiting for the worker pump the window; a stop ends them.
  struct TPumpScope {
    TProgramRuntime& Runtime;
    ~TPumpScope() { Runtime.Pump = nullptr; }
  } pumpScope{rt};
  rt.Pump = [&] {
    Host.ProcessMessages();
    return S.Run.SearchRunning;
  };
  GuardedSearch(
      S, Host, Set,
      [&] {
        try {
          RunFitSearch(S, Host, Set);
        } catch (const EFitWorkerDied& e) {
          // The run ends here, and the report is written.
          rt.Pump = nullptr;
          Outcome = TRunOutcome::roFailed;
          S.Run.StopTime = TRunClock::now();
          S.Run.StopCode = scNone;
          Host.ShowMessage(mtInformation, std::string("Some thing wrong!\n") + e.what());
          ReportSearchResults(S, Host, Set, true);
        }
      },
      "Some thing wrong!", true, Outcome);
  rt.Pump = nullptr;
  ReportProgramFaults(S, Host, Outcome);
  return true;
}

}  // namespace qv
