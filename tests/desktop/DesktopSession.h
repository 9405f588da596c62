// Drives the real program binaries on a virtual X display (Xvfb) with real
// X input events (xdotool), for what only real input shows: double clicks,
// focus, native dialogs, windows that outlive others. Each session has an
// X server, a home, settings and cache folders of its own, and ends every
// program it started.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/Process.h"

extern char** environ;

namespace qv {
namespace desktop {

// The build folder's programs.
inline std::string BuildRoot() { return std::string(QV_BINARY_DIR) + "/../.."; }
inline std::string QuorvaneProgram() { return BuildRoot() + "/app/quorvane"; }
inline std::string SheetProgram() { return BuildRoot() + "/tools/qvsheet/qvsheet"; }
inline std::string ExamplesFolder() { return std::string(QV_SOURCE_DIR) + "/examples/"; }

// Waits until Ready() holds, polling every 50 ms, at most timeoutMs.
inline bool WaitUntil(const std::function<bool()>& Ready, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (Ready()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

class TDesktopSession {
 public:
  // Starts an X server on a free display; Ok() tells whether it runs.
  // Folder is the session's own folder (home, settings, cache, pictures),
  // emptied first.
  explicit TDesktopSession(const std::string& Folder) : folder_(Folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    for (const char* sub : {"home", "config", "cache", "data", "runtime"})
      std::filesystem::create_directories(folder_ + "/" + sub);
    ::chmod((folder_ + "/runtime").c_str(), 0700);
    StartServer();
  }
  TDesktopSession(const TDesktopSession&) = delete;
  TDesktopSession& operator=(const TDesktopSession&) = delete;

  ~TDesktopSession() {
    for (pid_t pid : programs_) End(pid);
    if (server_ > 0) End(server_);
  }

  bool Ok() const { return server_ > 0 && !display_.empty(); }
  const std::string& Error() const { return error_; }
  const std::string& Display() const { return display_; }
  const std::string& Folder() const { return folder_; }

  // The environment every program of the session gets (on top of the
  // test's own): the display, the real X platform of Qt, folders of its own.
  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"DISPLAY", display_},
            {"QT_QPA_PLATFORM", "xcb"},
            {"HOME", folder_ + "/home"},
            {"XDG_CONFIG_HOME", folder_ + "/config"},
            {"XDG_CACHE_HOME", folder_ + "/cache"},
            {"XDG_DATA_HOME", folder_ + "/data"},
            {"XDG_RUNTIME_DIR", folder_ + "/runtime"}};
  }

  // Starts a program in the session without waiting for it; -1 when it
  // could not be started. Its output goes to <folder>/<name>.log.
  pid_t Start(const std::string& Program, const std::vector<std::string>& Arguments,
              const std::string& LogName = "program") {
    const std::string log = folder_ + "/" + LogName + ".log";
    pid_t pid = Spawn(Program, Arguments, Environment(), log);
    if (pid > 0) programs_.push_back(pid);
    return pid;
  }

  // True while the program runs (reaps it when it has ended).
  bool Running(pid_t Pid) {
    if (exited_.count(Pid) == 0) {
      int status = 0;
      if (::waitpid(Pid, &status, WNOHANG) == Pid) exited_[Pid] = status;
    }
    return exited_.count(Pid) == 0;
  }
  // Waits for the program to end; its wait status, or -1 on timeout.
  int WaitExit(pid_t Pid, int TimeoutMs) {
    if (!WaitUntil([&] { return !Running(Pid); }, TimeoutMs)) return -1;
    return exited_[Pid];
  }

  // Runs xdotool with the arguments in the session; its output, trimmed.
  std::string XDo(const std::vector<std::string>& Arguments, int TimeoutMs = 20000) {
    return RunTool("xdotool", Arguments, TimeoutMs);
  }

  // The first visible window whose title matches the regular expression,
  // waiting for it at most TimeoutMs; empty when none appeared.
  std::string WaitWindow(const std::string& TitleRegex, int TimeoutMs = 30000) {
    std::string id;
    WaitUntil(
        [&] {
          std::string ids = XDo({"search", "--onlyvisible", "--name", TitleRegex});
          id = ids.substr(0, ids.find('\n'));
          return !id.empty();
        },
        TimeoutMs);
    return id;
  }
  // Waits until no visible window's title matches.
  bool WaitWindowGone(const std::string& TitleRegex, int TimeoutMs = 30000) {
    return WaitUntil(
        [&] {
          return XDo({"search", "--onlyvisible", "--name", TitleRegex}).empty();
        },
        TimeoutMs);
  }

  // Gives the window the keyboard focus (there is no window manager, so
  // focus is set directly) and waits until it has it.
  bool Focus(const std::string& Window) {
    XDo({"windowfocus", "--sync", Window});
    return WaitUntil([&] { return XDo({"getwindowfocus"}) == Window; }, 5000);
  }
  // Real key presses to the focused window, e.g. "ctrl+space", "F9".
  void Key(const std::string& Keys) { XDo({"key", "--delay", "30", Keys}); }
  void Type(const std::string& Text) { XDo({"type", "--delay", "30", Text}); }
  // Moves the pointer to (X, Y) of the window and clicks Count times with
  // Button (1 left, 3 right), as a user does.
  void Click(const std::string& Window, int X, int Y, int Count = 1, int Button = 1) {
    XDo({"mousemove", "--sync", "--window", Window, std::to_string(X), std::to_string(Y)});
    XDo({"click", "--repeat", std::to_string(Count), "--delay", "80", std::to_string(Button)});
  }
  // The window's position and size on the screen.
  struct TGeometry {
    int X = 0, Y = 0, Width = 0, Height = 0;
  };
  TGeometry Geometry(const std::string& Window) {
    TGeometry g;
    std::string out = XDo({"getwindowgeometry", "--shell", Window});
    auto value = [&](const std::string& key) {
      auto at = out.find(key + "=");
      return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + key.size() + 1);
    };
    g.X = value("X");
    g.Y = value("Y");
    g.Width = value("WIDTH");
    g.Height = value("HEIGHT");
    return g;
  }

  // A picture of the whole screen as PNG (xwd, then netpbm); false when it
  // could not be taken.
  bool Screenshot(const std::string& PngPath) { return Picture({"-root"}, PngPath); }
  // A picture of one window as PNG, read from the window itself: without a
  // window manager, dialogs, pop-ups and tool windows come out black on the
  // screen's picture.
  bool WindowScreenshot(const std::string& Window, const std::string& PngPath) {
    return Picture({"-id", Window}, PngPath);
  }

  // The text on the session's clipboard (xclip); empty when there is none.
  std::string ClipboardText() {
    TProcessOptions o;
    o.Executable = "xclip";
    o.Arguments = {"-o", "-selection", "clipboard"};
    o.Environment = {{"DISPLAY", display_}};
    o.TimeoutMs = 10000;
    return RunProcess(o).StdOut;
  }

 private:
  bool Picture(const std::vector<std::string>& Which, const std::string& PngPath) {
    const std::string xwd = folder_ + "/screen.xwd";
    TProcessOptions o;
    o.Executable = "xwd";
    o.Arguments = Which;
    o.Arguments.insert(o.Arguments.end(), {"-silent", "-out", xwd});
    o.Environment = {{"DISPLAY", display_}};
    o.TimeoutMs = 20000;
    if (!RunProcess(o).Succeeded()) return false;
    TProcessOptions c;
    c.Executable = "sh";
    c.Arguments = {"-c", "xwdtopnm \"$0\" 2>/dev/null | pnmtopng > \"$1\"", xwd, PngPath};
    c.TimeoutMs = 20000;
    std::error_code ec;
    return RunProcess(c).Succeeded() && std::filesystem::file_size(PngPath, ec) > 0;
  }

  void StartServer() {
    // Xvfb writes the display number it took to the pipe (-displayfd), so
    // sessions running side by side never race for a display.
    int fds[2];
    if (::pipe(fds) != 0) {
      error_ = "pipe failed";
      return;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, (folder_ + "/xvfb.log").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {"Xvfb",         "-displayfd", fd,    "-screen", "0",
                                     "1280x1024x24", "-nolisten",  "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, "Xvfb", &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
      ::close(fds[0]);
      error_ = "Xvfb could not be started";
      return;
    }
    server_ = pid;
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) {
      error_ = "Xvfb did not report a display (see xvfb.log)";
      End(server_);
      server_ = -1;
      return;
    }
    display_ = ":" + number;
  }

  pid_t Spawn(const std::string& Program, const std::vector<std::string>& Arguments,
              const std::vector<std::pair<std::string, std::string>>& Extra,
              const std::string& Log) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
      std::string entry = *e;
      bool overridden = false;
      for (const auto& [k, v] : Extra)
        if (entry.rfind(k + "=", 0) == 0) overridden = true;
      if (!overridden) env.push_back(entry);
    }
    for (const auto& [k, v] : Extra) env.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = {Program};
    args.insert(args.end(), Arguments.begin(), Arguments.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, Log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    posix_spawnattr_t attr;
    InitOwnGroupSpawnAttributes(attr);
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, Program.c_str(), &fa, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
  }

  std::string RunTool(const std::string& Tool, const std::vector<std::string>& Arguments,
                      int TimeoutMs) {
    TProcessOptions o;
    o.Executable = Tool;
    o.Arguments = Arguments;
    o.TimeoutMs = TimeoutMs;
    o.Environment = {{"DISPLAY", display_}};
    std::string out = RunProcess(o).StdOut;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
  }

  // Ends a process group politely, then for certain, and reaps it.
  void End(pid_t Pid) {
    if (!Running(Pid)) return;
    ::kill(-Pid, SIGTERM);
    ::kill(Pid, SIGTERM);
    if (WaitUntil([&] { return !Running(Pid); }, 3000)) return;
    ::kill(-Pid, SIGKILL);
    ::kill(Pid, SIGKILL);
    WaitUntil([&] { return !Running(Pid); }, 5000);
  }

  std::string folder_;
  std::string display_;
  std::string error_;
  pid_t server_ = -1;
  std::vector<pid_t> programs_;
  std::map<pid_t, int> exited_;
};

}  // namespace desktop
}  // namespace qv
