#include "platform/core/Process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

#include "platform/core/SysUtils.h"

extern char** environ;

namespace qv {

namespace {

struct Pipe {
  int fd[2] = {-1, -1};
  bool open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
  void closeEnd(int i) {
    if (fd[i] >= 0) {
      ::close(fd[i]);
      fd[i] = -1;
    }
  }
  ~Pipe() {
    closeEnd(0);
    closeEnd(1);
  }
};

std::vector<std::string> buildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    std::string_view kv(*e);
    const std::string_view key = kv.substr(0, kv.find('='));
    bool overridden = false;
    for (const auto& [k, v] : extra)
      if (k == key) overridden = true;
    if (!overridden) env.emplace_back(kv);
  }
  for (const auto& [k, v] : extra) env.push_back(k + "=" + v);
  return env;
}

}  // namespace

void InitOwnGroupSpawnAttributes(posix_spawnattr_t& Attr) {
  posix_spawnattr_init(&Attr);
  posix_spawnattr_setflags(&Attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&Attr, 0);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&Attr, &none);
  posix_spawnattr_setsigdefault(&Attr, &all);
}

TProcessResult RunProcess(const TProcessOptions& options) {
  TProcessResult result;
  auto fail = [&](int err) {
    result.Error = "Cannot run \"" + options.Executable + "\": " + SysErrorMessage(err);
    return result;
  };
  if (options.Executable.empty()) return fail(ENOENT);
  if (!options.WorkDir.empty() && !DirectoryExists(options.WorkDir)) {
    result.Error = "Cannot run \"" + options.Executable + "\": the folder \"" + options.WorkDir +
                   "\" does not exist";
    return result;
  }

  Pipe in, out, err;
  if (!in.open() || !out.open() || !err.open()) return fail(errno);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, in.fd[0], 0);
  posix_spawn_file_actions_adddup2(&fa, out.fd[1], 1);
  posix_spawn_file_actions_adddup2(&fa, err.fd[1], 2);
  if (!options.WorkDir.empty()) posix_spawn_file_actions_addchdir_np(&fa, options.WorkDir.c_str());

  posix_spawnattr_t attr;
  InitOwnGroupSpawnAttributes(attr);

  std::vector<std::string> argStore;
  argStore.push_back(options.Executable);
  for (const auto& a : options.Arguments) argStore.push_back(a);
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore = buildEnvironment(options.Environment);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const bool search = options.Executable.find('/') == std::string::npos;
  const int rc =
      search ? posix_spawnp(&pid, options.Executable.c_str(), &fa, &attr, argv.data(), envp.data())
             : posix_spawn(&pid, options.Executable.c_str(), &fa, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return fail(rc);
  result.Started = true;

  in.closeEnd(0);
  out.closeEnd(1);
  err.closeEnd(1);
  // Feed the input without blocking: the program may not read it all.
  fcntl(in.fd[1], F_SETFL, O_NONBLOCK);
  size_t inPos = 0;
  if (options.StdIn.empty()) in.closeEnd(1);

  using Clock = std::chrono::steady_clock;
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(options.TimeoutMs < 0 ? 0 : options.TimeoutMs);
  char buf[65536];
  // SIGPIPE on writing to a program that closed its input must not end us.
  sigset_t pipeSet, oldSet;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet);
  // The caller's poll, at most every PollIntervalMs; false cancels.
  const int pollMs = std::max(1, options.PollIntervalMs);
  auto lastPoll = Clock::now();
  auto pollNow = [&] {
    if (!options.Poll || Clock::now() - lastPoll < std::chrono::milliseconds(pollMs)) return true;
    lastPoll = Clock::now();
    if (options.Poll()) return true;
    result.Cancelled = true;
    return false;
  };

  while (out.fd[0] >= 0 || err.fd[0] >= 0) {
    pollfd fds[3];
    int n = 0;
    int idxOut = -1, idxErr = -1, idxIn = -1;
    if (out.fd[0] >= 0) {
      idxOut = n;
      fds[n++] = {out.fd[0], POLLIN, 0};
    }
    if (err.fd[0] >= 0) {
      idxErr = n;
      fds[n++] = {err.fd[0], POLLIN, 0};
    }
    if (in.fd[1] >= 0) {
      idxIn = n;
      fds[n++] = {in.fd[1], POLLOUT, 0};
    }
    int wait = -1;
    if (options.TimeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        result.TimedOut = true;
        break;
      }
      wait = static_cast<int>(left);
    }
    if (options.Poll) {
      if (!pollNow()) break;
      wait = wait < 0 ? pollMs : std::min(wait, pollMs);
    }
    const int pr = ::poll(fds, static_cast<nfds_t>(n), wait);
    if (pr < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (pr == 0) continue;  // deadline check at the top
    auto drain = [&](int idx, Pipe& p, std::string& dest) {
      if (idx < 0 || !(fds[idx].revents & (POLLIN | POLLHUP | POLLERR))) return;
      const ssize_t r = ::read(p.fd[0], buf, sizeof buf);
      if (r > 0)
        dest.append(buf, static_cast<size_t>(r));
      else if (r == 0 || (errno != EINTR && errno != EAGAIN))
        p.closeEnd(0);
    };
    drain(idxOut, out, result.StdOut);
    drain(idxErr, err, result.StdErr);
    if (idxIn >= 0 && (fds[idxIn].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t w =
          ::write(in.fd[1], options.StdIn.data() + inPos, options.StdIn.size() - inPos);
      if (w > 0) inPos += static_cast<size_t>(w);
      if (w < 0 && errno != EAGAIN && errno != EINTR) in.closeEnd(1);
      if (inPos >= options.StdIn.size()) in.closeEnd(1);
    }
  }
  in.closeEnd(1);

  int status = 0;
  if (result.TimedOut || result.Cancelled) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  } else {
    // Output closed; wait for the exit, still bounded by the deadline.
    while (true) {
      const bool bounded = options.TimeoutMs >= 0 || options.Poll;
      const pid_t w = ::waitpid(pid, &status, bounded ? WNOHANG : 0);
      if (w == pid) break;
      if (w < 0 && errno != EINTR) break;
      if (w == 0) {
        if (!pollNow()) {
          ::kill(-pid, SIGKILL);
          ::kill(pid, SIGKILL);
          while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
          }
          break;
        }
        if (options.TimeoutMs >= 0 && Clock::now() >= deadline) {
          result.TimedOut = true;
          ::kill(-pid, SIGKILL);
          ::kill(pid, SIGKILL);
          while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
          }
          break;
        }
        ::usleep(2000);
      }
    }
  }
  // Discard a SIGPIPE raised while we wrote, then restore the mask.
  {
    sigset_t pending;
    sigpending(&pending);
    if (sigismember(&pending, SIGPIPE)) {
      const timespec zero{0, 0};
      sigtimedwait(&pipeSet, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
  }
  if (result.TimedOut || result.Cancelled) {
    result.ExitCode = -1;
    result.Signal = SIGKILL;
  } else if (WIFEXITED(status)) {
    result.ExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.ExitCode = -1;
    result.Signal = WTERMSIG(status);
  }
  return result;
}

TProcessResult RunProcess(const std::string& exe, const std::vector<std::string>& args,
                          int timeoutMs, const std::string& workDir) {
  TProcessOptions o;
  o.Executable = exe;
  o.Arguments = args;
  o.TimeoutMs = timeoutMs;
  o.WorkDir = workDir;
  return RunProcess(o);
}

// ---------------------------------------------------------------------------

TDynLibrary::TDynLibrary(TDynLibrary&& other) noexcept
    : handle_(other.handle_), lastError_(std::move(other.lastError_)) {
  other.handle_ = nullptr;
}

TDynLibrary& TDynLibrary::operator=(TDynLibrary&& other) noexcept {
  if (this != &other) {
    Free();
    handle_ = other.handle_;
    lastError_ = std::move(other.lastError_);
    other.handle_ = nullptr;
  }
  return *this;
}

bool TDynLibrary::Load(const std::string& path) {
  Free();
  dlerror();
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = dlerror();
    lastError_ = e ? e : ("Cannot load \"" + path + "\"");
    return false;
  }
  lastError_.clear();
  return true;
}

void* TDynLibrary::Symbol(const std::string& name) {
  if (!handle_) {
    lastError_ = "No library is loaded";
    return nullptr;
  }
  dlerror();
  void* p = ::dlsym(handle_, name.c_str());
  if (!p) {
    const char* e = dlerror();
    lastError_ = e ? e : ("Symbol \"" + name + "\" not found");
  }
  return p;
}

void TDynLibrary::Free() {
  if (handle_) {
    ::dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace qv
