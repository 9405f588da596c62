#include "engine/ProgramCompiler.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/FitWorker.h"
#include "engine/ProgramSource.h"
#include "platform/core/Process.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

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

}  // namespace qv
