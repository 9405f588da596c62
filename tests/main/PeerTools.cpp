#include "tests/main/PeerTools.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qv::test {

namespace {

bool Executable(const std::string& path) {
  return !path.empty() && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindPeerProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return Executable(name) ? name : "";
  const char* env = std::getenv("PATH");
  const std::string path = env ? env : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string dir = end > start ? path.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + name;
    if (Executable(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

bool HavePythonModule(const std::string& module, const std::string& interpreter) {
  const std::string python = FindPeerProgram(interpreter);
  if (python.empty()) return false;
  const std::string import = "import " + module;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // The import error, when there is one, says nothing the skip does not.
    if (const int null = open("/dev/null", O_WRONLY); null >= 0) dup2(null, STDERR_FILENO);
    execl(python.c_str(), "python3", "-c", import.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool PeersRequired() {
  const char* ci = std::getenv("CI");
  return ci && std::strcmp(ci, "true") == 0;
}

bool UsePeer(bool present, const std::string& what) {
  if (!present && PeersRequired())
    ADD_FAILURE() << what << " is not installed, and CI=true needs every peer tool";
  return present;
}

}  // namespace qv::test
