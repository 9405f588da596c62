// An X server (Xvfb) of a test program's own, for tests that need a real
// X display: the X clipboard shared with other clients, screenshots.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace qv::test {

// An X server started for this test program, ended with it.
class TXServer {
 public:
  TXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",        "-displayfd", fd.c_str(), "-screen", "0",
                          "1024x768x24", "-nolisten",  "tcp",      nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    char ch;
    while (pid_ > 0 && read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    close(fds[0]);
    if (pid_ > 0 && !number.empty()) display_ = ":" + number;
  }
  ~TXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  TXServer(const TXServer&) = delete;
  TXServer& operator=(const TXServer&) = delete;
  const std::string& Display() const { return display_; }
  // Points this program's Qt at the server; call before the application
  // object exists. False when the server did not start.
  bool UseForQt() const {
    if (display_.empty()) return false;
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace qv::test
