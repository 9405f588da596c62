// The change-notification thread: watches folders for one shell control
// and posts a message to it when a watched folder changes. It is the
// program's only worker thread.
//
// The thread owns one inotify instance and a table of 63 watch slots; a
// slot watches one folder (or, with the subtree flag, the folder and every
// folder below it, new ones included, up to kSubtreeLimit folders). When
// the watched names change, the thread posts (message, wParam = the slot,
// lParam = 0) to its TPostTarget: one message per slot for each batch of
// events it reads, however many changes the batch holds. Filters choose
// what counts: FILE_NOTIFY_CHANGE_FILE_NAME (files created, deleted,
// renamed), FILE_NOTIFY_CHANGE_DIR_NAME (the same for folders),
// FILE_NOTIFY_CHANGE_ATTRIBUTES, FILE_NOTIFY_CHANGE_SIZE and
// FILE_NOTIFY_CHANGE_LAST_WRITE. The watched folder itself going away
// always counts; its slot is freed after that last message.
//
// Commands (add, remove one, remove all) go from the UI thread to the
// watcher through a queue under a mutex; each carries its own
// acknowledgement, which the caller awaits for at most 2000 ms. A command
// whose caller stopped waiting is still carried out, and an add is then
// undone, so no watch lives on that the caller does not know of.
// Destruction asks the thread to stop, waits up to 30000 ms and closes the
// instance, leaving no watch and no thread behind.
//
// Locks: the UI thread holds the queue mutex only to queue a command; the
// watcher holds it only to take commands and to publish the slot count,
// and never while it posts. A command's own lock is never held together
// with the queue mutex. Posting takes only the UI queue's lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/core/ThreadPost.h"

namespace qv {

constexpr std::uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x1;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x2;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x4;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_SIZE = 0x8;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;

constexpr int WM_USER = 0x400;
// The message the shell list and tree have their thread post.
constexpr int WM_SHELL_CHANGE = WM_USER + 101;

class TChangeHandlerThread {
 public:
  static constexpr int kSlotCount = 63;
  static constexpr int kAckTimeoutMs = 2000;
  static constexpr int kShutdownTimeoutMs = 30000;
  static constexpr int kSubtreeLimit = 4096;

  // target null: nothing is posted (changes are still read and the watches
  // kept). The thread starts at once.
  TChangeHandlerThread(std::shared_ptr<TPostTarget> target, int message);
  ~TChangeHandlerThread();
  TChangeHandlerThread(const TChangeHandlerThread&) = delete;
  TChangeHandlerThread& operator=(const TChangeHandlerThread&) = delete;

  // Watches a folder. subtree: 0 the folder alone, 1 with its sub-folders.
  // False at once for an empty path; false when the folder cannot be
  // watched, the table is full (slot -1), or no acknowledgement came.
  bool AddWatch(const std::string& path, std::uint32_t filter, int subtree, int& slot);
  bool RemoveWatch(int slot);
  bool RemoveAllWatches();
  // Slots in use (as the watcher last published it).
  int WatchCount() const;
  // False when the system refused an inotify instance; every add then fails.
  bool Valid() const;

  // Tests: the acknowledgement wait (normally kAckTimeoutMs).
  void SetAckTimeout(int ms) { ackTimeoutMs_ = ms; }

 private:
  struct TState;
  struct TCommand;
  bool run(const std::shared_ptr<TCommand>& command);
  static void body(std::shared_ptr<TState> state);

  std::shared_ptr<TState> state_;
  std::thread thread_;
  int ackTimeoutMs_ = kAckTimeoutMs;
};

}  // namespace qv
