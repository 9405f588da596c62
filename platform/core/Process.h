// Running outside programs and loading shared libraries.
#pragma once

#include <spawn.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

struct TProcessOptions {
  std::string Executable;              // a path, or a name looked up in PATH
  std::vector<std::string> Arguments;  // without the program name
  std::string WorkDir;                 // empty: the current folder
  int TimeoutMs = -1;                  // < 0: wait without limit
  std::vector<std::pair<std::string, std::string>> Environment;  // added/overridden
  std::string StdIn;                                             // bytes fed to the program's input
  // Called about every PollIntervalMs while the program runs (e.g. to keep
  // a window live); returning false ends the program's process group and
  // sets Cancelled.
  std::function<bool()> Poll;
  int PollIntervalMs = 20;
};

struct TProcessResult {
  bool Started = false;    // false: the program could not be run (see Error)
  bool TimedOut = false;   // killed after the timeout
  bool Cancelled = false;  // killed because Poll returned false
  int ExitCode = -1;       // exit status; -1 when killed by a signal or not started
  int Signal = 0;          // the signal that ended it, 0 if none
  std::string StdOut;
  std::string StdErr;
  std::string Error;  // why it did not start: 'Cannot run "<exe>": <reason>'
  bool Succeeded() const { return Started && !TimedOut && !Cancelled && ExitCode == 0; }
};

// Runs the program directly (no shell, so arguments need no quoting) in
// its own process group with standard input from StdIn (empty: nothing)
// and standard output and error captured. When the timeout elapses the
// whole process group is killed and TimedOut is set. Never throws for a
// failing program; the caller inspects the result.
TProcessResult RunProcess(const TProcessOptions& options);
TProcessResult RunProcess(const std::string& exe, const std::vector<std::string>& args,
                          int timeoutMs = -1, const std::string& workDir = {});

// Initialises Attr for a program started in a process group of its own,
// with no signal blocked and every signal at its default action (what
// RunProcess starts with). The caller destroys Attr.
void InitOwnGroupSpawnAttributes(posix_spawnattr_t& Attr);

// A shared library loaded with dlopen. Not copyable; Free (or destruction)
// unloads it.
class TDynLibrary {
 public:
  TDynLibrary() = default;
  explicit TDynLibrary(const std::string& path) { Load(path); }
  TDynLibrary(const TDynLibrary&) = delete;
  TDynLibrary& operator=(const TDynLibrary&) = delete;
  TDynLibrary(TDynLibrary&& other) noexcept;
  TDynLibrary& operator=(TDynLibrary&& other) noexcept;
  ~TDynLibrary() { Free(); }

  // Frees a library loaded before. False on failure, with LastError set.
  bool Load(const std::string& path);
  bool Loaded() const { return handle_ != nullptr; }
  // nullptr when absent (LastError set).
  void* Symbol(const std::string& name);
  template <class F>
  F SymbolAs(const std::string& name) {
    return reinterpret_cast<F>(Symbol(name));
  }
  void Free();
  const std::string& LastError() const { return lastError_; }

 private:
  void* handle_ = nullptr;
  std::string lastError_;
};

}  // namespace qv
