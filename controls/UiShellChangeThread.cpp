#include "controls/UiShellChangeThread.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace qv {

namespace {

enum TCommandKind : std::uint8_t { cmdAdd, cmdRemove, cmdRemoveAll, cmdStop };

std::uint32_t inotifyMask(std::uint32_t filter) {
  std::uint32_t m = IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
    m |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  if (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES) m |= IN_ATTRIB;
  if (filter & FILE_NOTIFY_CHANGE_SIZE) m |= IN_MODIFY;
  if (filter & FILE_NOTIFY_CHANGE_LAST_WRITE) m |= IN_MODIFY | IN_CLOSE_WRITE;
  return m;
}

// Whether an event is a change the filter asks for.
bool relevant(std::uint32_t filter, std::uint32_t mask) {
  if (mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_Q_OVERFLOW)) return true;
  const bool dir = (mask & IN_ISDIR) != 0;
  if (mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)) {
    if (dir ? (filter & FILE_NOTIFY_CHANGE_DIR_NAME) : (filter & FILE_NOTIFY_CHANGE_FILE_NAME))
      return true;
  }
  if ((mask & IN_ATTRIB) && (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES)) return true;
  if ((mask & IN_MODIFY) && (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)))
    return true;
  if ((mask & IN_CLOSE_WRITE) && (filter & FILE_NOTIFY_CHANGE_LAST_WRITE)) return true;
  return false;
}

}  // namespace

struct TChangeHandlerThread::TCommand {
  TCommandKind Kind = cmdAdd;
  std::string Path;
  std::uint32_t Filter = 0;
  bool Subtree = false;
  int Slot = -1;
  // The acknowledgement.
  std::mutex Mutex;
  std::condition_variable Done;
  enum { Pending, Acknowledged, Abandoned } Status = Pending;
  int Result = -1;  // add: the slot, or -1; others: 0
};

struct TChangeHandlerThread::TState {
  std::shared_ptr<TPostTarget> Target;
  int Message = 0;
  int EventFd = -1;
  int InotifyFd = -1;

  // Shared with the UI thread, under Mutex.
  std::mutex Mutex;
  std::deque<std::shared_ptr<TCommand>> Queue;
  int PublishedCount = 0;
  bool Finished = false;
  std::condition_variable FinishedCv;

  // The watcher's own.
  struct TSlot {
    bool Used = false;
    std::uint32_t Filter = 0;
    bool Subtree = false;
    int RootWd = -1;
    std::unordered_map<int, std::string> Dirs;  // wd -> folder
    bool Signalled = false;
    bool Lost = false;
  };
  std::array<TSlot, TChangeHandlerThread::kSlotCount> Slots;
  std::unordered_map<int, std::vector<int>> WdSlots;  // wd -> slots using it

  ~TState() {
    if (InotifyFd >= 0) ::close(InotifyFd);  // drops every watch
    if (EventFd >= 0) ::close(EventFd);
  }

  void publishCount() {
    const int n = static_cast<int>(
        std::count_if(Slots.begin(), Slots.end(), [](const TSlot& s) { return s.Used; }));
    std::lock_guard<std::mutex> lock(Mutex);
    PublishedCount = n;
  }

  // Adds one folder's watch to a slot; errno or 0.
  int watchDir(int slot, const std::string& path) {
    TSlot& s = Slots[static_cast<std::size_t>(slot)];
    const int wd =
        ::inotify_add_watch(InotifyFd, path.c_str(), inotifyMask(s.Filter) | IN_MASK_ADD);
    if (wd < 0) return errno;
    if (!s.Dirs.emplace(wd, path).second) return 0;  // reached twice (a link loop)
    WdSlots[wd].push_back(slot);
    return 0;
  }

  // The folder's sub-folders (links not followed), up to the limit.
  void watchBelow(int slot, const std::string& root) {
    std::vector<std::string> pending{root};
    TSlot& s = Slots[static_cast<std::size_t>(slot)];
    while (!pending.empty() && s.Dirs.size() < TChangeHandlerThread::kSubtreeLimit) {
      const std::string dir = std::move(pending.back());
      pending.pop_back();
      DIR* d = ::opendir(dir.c_str());
      if (d == nullptr) continue;
      while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
          struct stat st {};
          isDir = ::fstatat(::dirfd(d), n, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (!isDir) continue;
        std::string sub = dir + "/" + n;
        if (s.Dirs.size() >= TChangeHandlerThread::kSubtreeLimit) break;
        if (watchDir(slot, sub) == 0) pending.push_back(std::move(sub));
      }
      ::closedir(d);
    }
  }

  void unwatch(int slot, int wd) {
    auto it = WdSlots.find(wd);
    if (it == WdSlots.end()) return;
    std::erase(it->second, slot);
    if (it->second.empty()) {
      ::inotify_rm_watch(InotifyFd, wd);
      WdSlots.erase(it);
    }
  }

  void freeSlot(int slot) {
    TSlot& s = Slots[static_cast<std::size_t>(slot)];
    for (const auto& [wd, path] : s.Dirs) unwatch(slot, wd);
    s = TSlot{};
  }

  int addSlot(const TCommand& c, int& error) {
    int slot = -1;
    for (int i = 0; i < TChangeHandlerThread::kSlotCount; ++i)
      if (!Slots[static_cast<std::size_t>(i)].Used) {
        slot = i;
        break;
      }
    if (slot < 0) {
      error = ENOSPC;
      return -1;
    }
    TSlot& s = Slots[static_cast<std::size_t>(slot)];
    s.Used = true;
    s.Filter = c.Filter;
    s.Subtree = c.Subtree;
    error = watchDir(slot, c.Path);
    if (error != 0) {
      freeSlot(slot);
      return -1;
    }
    s.RootWd = s.Dirs.begin()->first;
    if (c.Subtree) watchBelow(slot, c.Path);
    return slot;
  }

  // Reads every pending event and marks the slots that changed.
  void readEvents() {
    alignas(inotify_event) char buf[16384];
    for (;;) {
      const ssize_t n = ::read(InotifyFd, buf, sizeof buf);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        return;  // EAGAIN: all read
      }
      std::size_t pos = 0;
      const auto len = static_cast<std::size_t>(n);
      while (len - pos >= sizeof(inotify_event)) {
        inotify_event ev;
        std::memcpy(&ev, buf + pos, sizeof ev);
        if (ev.len > len - pos - sizeof(inotify_event)) break;
        const char* name = buf + pos + sizeof(inotify_event);
        std::string child =
            ev.len != 0 ? std::string(name, ::strnlen(name, ev.len)) : std::string();
        pos += sizeof(inotify_event) + ev.len;
        handleEvent(ev, child);
      }
    }
  }

  void handleEvent(const inotify_event& ev, const std::string& child) {
    if (ev.mask & IN_Q_OVERFLOW) {
      for (TSlot& s : Slots)
        if (s.Used) s.Signalled = true;
      return;
    }
    auto it = WdSlots.find(ev.wd);
    if (it == WdSlots.end()) return;
    const std::vector<int> slots = it->second;
    for (int slot : slots) {
      TSlot& s = Slots[static_cast<std::size_t>(slot)];
      const bool isRoot = ev.wd == s.RootWd;
      if (ev.mask & IN_IGNORED) {
        // The kernel dropped the watch (folder deleted or unmounted).
        s.Dirs.erase(ev.wd);
        if (isRoot) {
          s.Signalled = true;
          s.Lost = true;
        }
        continue;
      }
      if (!isRoot && (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF)))
        continue;  // its parent reports it
      if (relevant(s.Filter, ev.mask)) s.Signalled = true;
      if (s.Subtree && (ev.mask & IN_ISDIR) && (ev.mask & (IN_CREATE | IN_MOVED_TO)) &&
          !child.empty() && s.Dirs.size() < TChangeHandlerThread::kSubtreeLimit) {
        const auto dir = s.Dirs.find(ev.wd);
        if (dir != s.Dirs.end()) {
          const std::string sub = dir->second + "/" + child;
          if (watchDir(slot, sub) == 0) watchBelow(slot, sub);
        }
      }
    }
    if (ev.mask & IN_IGNORED) WdSlots.erase(ev.wd);
  }
};

TChangeHandlerThread::TChangeHandlerThread(std::shared_ptr<TPostTarget> target, int message)
    : state_(std::make_shared<TState>()) {
  state_->Target = std::move(target);
  state_->Message = message;
  state_->EventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  state_->InotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (Valid()) thread_ = std::thread(&TChangeHandlerThread::body, state_);
}

TChangeHandlerThread::~TChangeHandlerThread() {
  if (!thread_.joinable()) return;
  auto stop = std::make_shared<TCommand>();
  stop->Kind = cmdStop;
  {
    std::lock_guard<std::mutex> lock(state_->Mutex);
    state_->Queue.push_back(stop);
  }
  const std::uint64_t one = 1;
  (void)!::write(state_->EventFd, &one, sizeof one);
  bool finished = false;
  {
    std::unique_lock<std::mutex> lock(state_->Mutex);
    finished = state_->FinishedCv.wait_for(lock, std::chrono::milliseconds(kShutdownTimeoutMs),
                                           [this] { return state_->Finished; });
  }
  // A watcher that does not stop in time keeps the shared state (and with
  // it the instance) until it ends by itself.
  if (finished)
    thread_.join();
  else
    thread_.detach();
}

bool TChangeHandlerThread::Valid() const { return state_->EventFd >= 0 && state_->InotifyFd >= 0; }

int TChangeHandlerThread::WatchCount() const {
  std::lock_guard<std::mutex> lock(state_->Mutex);
  return state_->PublishedCount;
}

bool TChangeHandlerThread::run(const std::shared_ptr<TCommand>& command) {
  if (!thread_.joinable()) return false;
  {
    std::lock_guard<std::mutex> lock(state_->Mutex);
    state_->Queue.push_back(command);
  }
  const std::uint64_t one = 1;
  (void)!::write(state_->EventFd, &one, sizeof one);
  std::unique_lock<std::mutex> lock(command->Mutex);
  command->Done.wait_for(lock, std::chrono::milliseconds(ackTimeoutMs_),
                         [&] { return command->Status == TCommand::Acknowledged; });
  if (command->Status != TCommand::Acknowledged) {
    command->Status = TCommand::Abandoned;
    return false;
  }
  return true;
}

bool TChangeHandlerThread::AddWatch(const std::string& path, std::uint32_t filter, int subtree,
                                    int& slot) {
  slot = -1;
  if (path.empty() || !Valid()) return false;
  auto c = std::make_shared<TCommand>();
  c->Kind = cmdAdd;
  c->Path = path;
  c->Filter = filter;
  c->Subtree = subtree != 0;
  if (!run(c)) return false;
  slot = c->Result;
  return slot != -1;
}

bool TChangeHandlerThread::RemoveWatch(int slot) {
  if (slot < 0 || slot >= kSlotCount) return false;
  auto c = std::make_shared<TCommand>();
  c->Kind = cmdRemove;
  c->Slot = slot;
  return run(c);
}

bool TChangeHandlerThread::RemoveAllWatches() {
  auto c = std::make_shared<TCommand>();
  c->Kind = cmdRemoveAll;
  return run(c);
}

void TChangeHandlerThread::body(std::shared_ptr<TState> state) {
  TState& s = *state;
  bool stop = false;
  while (!stop) {
    pollfd fds[2] = {{s.EventFd, POLLIN, 0}, {s.InotifyFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents & POLLIN) s.readEvents();
    if (fds[0].revents & POLLIN) {
      std::uint64_t count = 0;
      (void)!::read(s.EventFd, &count, sizeof count);
      std::deque<std::shared_ptr<TCommand>> commands;
      {
        std::lock_guard<std::mutex> lock(s.Mutex);
        commands.swap(s.Queue);
      }
      for (const auto& c : commands) {
        if (c->Kind == cmdStop) {
          stop = true;
          break;
        }
        int result = 0, error = 0;
        switch (c->Kind) {
          case cmdAdd:
            result = s.addSlot(*c, error);
            break;
          case cmdRemove:
            if (s.Slots[static_cast<std::size_t>(c->Slot)].Used) s.freeSlot(c->Slot);
            break;
          default:
            for (int i = 0; i < kSlotCount; ++i)
              if (s.Slots[static_cast<std::size_t>(i)].Used) s.freeSlot(i);
            break;
        }
        s.publishCount();  // before the acknowledgement, so the caller sees it
        bool abandoned = false;
        {
          std::lock_guard<std::mutex> lock(c->Mutex);
          if (c->Status == TCommand::Abandoned) {
            abandoned = true;
          } else {
            c->Result = result;
            c->Status = TCommand::Acknowledged;
          }
        }
        c->Done.notify_all();
        // Nobody waits for this add any more: undo it.
        if (abandoned && c->Kind == cmdAdd && result >= 0) {
          s.freeSlot(result);
          s.publishCount();
        }
      }
    }
    if (stop) break;
    // One message per slot that changed in this batch; a lost slot is freed
    // after its last message.
    std::vector<int> changed;
    for (int i = 0; i < kSlotCount; ++i) {
      auto& slot = s.Slots[static_cast<std::size_t>(i)];
      if (!slot.Used || !slot.Signalled) continue;
      slot.Signalled = false;
      changed.push_back(i);
      if (slot.Lost) s.freeSlot(i);
    }
    if (!changed.empty()) {
      s.publishCount();
      if (s.Target)
        for (int i : changed) s.Target->Post(s.Message, i, 0);
    }
  }
  {
    std::lock_guard<std::mutex> lock(s.Mutex);
    s.Finished = true;
  }
  s.FinishedCv.notify_all();
}

}  // namespace qv
