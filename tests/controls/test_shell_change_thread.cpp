// The change-notification thread: delivery through the UI queue, filters,
// the 63 slots, subtree watches, lost folders, commands whose caller gave
// up, and a clean end (no inotify instance, no thread).
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ShellTestSupport.h"
#include "controls/UiShellChangeThread.h"

namespace qv {
namespace {

using test::TTempTree;

struct TPost {
  int Msg;
  std::intptr_t W, L;
};

// A target recording what reaches the UI thread.
struct TRecorder {
  std::vector<TPost> Posts;
  std::shared_ptr<TPostTarget> Target =
      TPostTarget::Create([this](int m, std::intptr_t w, std::intptr_t l) {
        Posts.push_back({m, w, l});
      });
};

// Drains the UI queue until a post arrives or the time is up.
bool waitForPost(TRecorder& r, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  const std::size_t before = r.Posts.size();
  while (r.Posts.size() == before) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (ManualUiQueue().WaitPending(static_cast<int>(left.count()))) ManualUiQueue().Drain();
  }
  return true;
}

// Lets the watcher read whatever is pending, then delivers it.
void settle(int ms = 100) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  ManualUiQueue().Drain();
}

int countFds(const char* target) {
  int n = 0;
  DIR* d = ::opendir("/proc/self/fd");
  while (dirent* e = ::readdir(d)) {
    char buf[256] = {};
    const std::string p = std::string("/proc/self/fd/") + e->d_name;
    const ssize_t len = ::readlink(p.c_str(), buf, sizeof buf - 1);
    if (len > 0 && std::string(buf, static_cast<std::size_t>(len)) == target) ++n;
  }
  ::closedir(d);
  return n;
}

int countThreads() {
  int n = 0;
  DIR* d = ::opendir("/proc/self/task");
  while (dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') ++n;
  ::closedir(d);
  return n;
}

class ChangeThread : public ::testing::Test {
 protected:
  void SetUp() override { ManualUiQueue().Drain(); }
  void TearDown() override { ManualUiQueue().Drain(); }
  TTempTree T;
  TRecorder R;
};

TEST_F(ChangeThread, CreatedFileArrivesAsOneMessageForItsSlot) {
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  int slot = -1;
  ASSERT_TRUE(
      th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, 0, slot));
  EXPECT_EQ(slot, 0);
  EXPECT_EQ(th.WatchCount(), 1);
  T.File("new.mff");
  ASSERT_TRUE(waitForPost(R, 5000));
  EXPECT_EQ(R.Posts[0].Msg, WM_SHELL_CHANGE);
  EXPECT_EQ(R.Posts[0].W, 0);
  EXPECT_EQ(R.Posts[0].L, 0);

  // A burst gives at most one message per batch read, never one per change
  // more than there were changes, all for the slot.
  R.Posts.clear();
  for (int i = 0; i < 20; ++i) T.File("burst" + std::to_string(i));
  ASSERT_TRUE(waitForPost(R, 5000));
  settle(150);
  EXPECT_LE(R.Posts.size(), 20u);
  for (const TPost& p : R.Posts) EXPECT_EQ(p.W, slot);
}

TEST_F(ChangeThread, FiltersChooseFilesOrFolders) {
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  int slot = -1;
  ASSERT_TRUE(th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_DIR_NAME, 0, slot));
  T.File("file.txt");
  settle();
  EXPECT_TRUE(R.Posts.empty());
  T.Dir("folder");
  EXPECT_TRUE(waitForPost(R, 5000));
  // Content changes do not count for name filters.
  R.Posts.clear();
  T.File("file.txt", "more");
  settle();
  EXPECT_TRUE(R.Posts.empty());
}

TEST_F(ChangeThread, SixtyThreeSlotsAndNoMore) {
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  for (int i = 0; i < TChangeHandlerThread::kSlotCount; ++i) {
    int slot = -1;
    ASSERT_TRUE(th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
    EXPECT_EQ(slot, i);
  }
  const std::string other = T.Dir("other");
  int slot = 0;
  EXPECT_FALSE(th.AddWatch(other, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
  EXPECT_EQ(slot, -1);
  EXPECT_EQ(th.WatchCount(), 63);
  T.File("other/x");
  settle();
  EXPECT_TRUE(R.Posts.empty());

  // One change in the shared folder reaches every slot once.
  T.File("y");
  std::vector<int> seen(63, 0);
  const auto everySlotSeen = [&] {
    std::fill(seen.begin(), seen.end(), 0);
    for (const TPost& p : R.Posts) ++seen.at(static_cast<std::size_t>(p.W));
    return std::count(seen.begin(), seen.end(), 0) == 0;
  };
  while (!everySlotSeen() && waitForPost(R, 5000)) {
  }
  for (int n : seen) EXPECT_GE(n, 1);

  // Freeing a slot makes room again.
  ASSERT_TRUE(th.RemoveWatch(5));
  ASSERT_TRUE(th.AddWatch(other, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
  EXPECT_EQ(slot, 5);
  ASSERT_TRUE(th.RemoveAllWatches());
  EXPECT_EQ(th.WatchCount(), 0);
  R.Posts.clear();
  T.File("z");
  settle();
  EXPECT_TRUE(R.Posts.empty());
}

TEST_F(ChangeThread, FoldersThatCannotBeWatched) {
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  int slot = 9;
  EXPECT_FALSE(th.AddWatch("", 3, 0, slot));
  EXPECT_EQ(slot, -1);
  EXPECT_FALSE(th.AddWatch(T.Path("missing"), 3, 0, slot));
  EXPECT_FALSE(th.AddWatch(T.File("plain"), 3, 0, slot));  // not a folder
  EXPECT_EQ(th.WatchCount(), 0);
}

TEST_F(ChangeThread, SubtreeWatchesFoldersBelowNewOnesIncluded) {
  T.Dir("a/b/c");
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  int slot = -1;
  ASSERT_TRUE(
      th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, 1, slot));
  T.File("a/b/c/deep.txt");
  ASSERT_TRUE(waitForPost(R, 5000));
  T.Dir("a/new");
  ASSERT_TRUE(waitForPost(R, 5000));
  settle();
  R.Posts.clear();
  T.File("a/new/inside.txt");
  EXPECT_TRUE(waitForPost(R, 5000));

  // Without the subtree flag a deeper change is not seen.
  TRecorder flat;
  TChangeHandlerThread th2(flat.Target, WM_SHELL_CHANGE);
  ASSERT_TRUE(th2.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
  T.File("a/b/c/deeper.txt");
  settle();
  EXPECT_TRUE(flat.Posts.empty());
}

TEST_F(ChangeThread, AWatchedFolderThatGoesAwayPostsAndFreesItsSlot) {
  const std::string dir = T.Dir("gone");
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  int slot = -1;
  ASSERT_TRUE(th.AddWatch(dir, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
  ::rmdir(dir.c_str());
  ASSERT_TRUE(waitForPost(R, 5000));
  EXPECT_EQ(R.Posts.back().W, slot);
  settle();
  EXPECT_EQ(th.WatchCount(), 0);
}

TEST_F(ChangeThread, NoTargetPostsNothingButKeepsWatching) {
  TChangeHandlerThread th(nullptr, WM_SHELL_CHANGE);
  int slot = -1;
  ASSERT_TRUE(th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
  T.File("a");
  settle();
  T.File("b");
  settle();
  EXPECT_EQ(ManualUiQueue().Pending(), 0u);
  EXPECT_EQ(th.WatchCount(), 1);
}

TEST_F(ChangeThread, PostsToAClosedTargetAreDropped) {
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  int slot = -1;
  ASSERT_TRUE(th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
  T.File("a");
  ASSERT_TRUE(ManualUiQueue().WaitPending(1000));
  R.Target->Close();  // the control goes before the queued call runs
  ManualUiQueue().Drain();
  EXPECT_TRUE(R.Posts.empty());
  T.File("b");
  settle();
  EXPECT_TRUE(R.Posts.empty());
  EXPECT_EQ(ManualUiQueue().Pending(), 0u);
}

TEST_F(ChangeThread, AnAddWhoseCallerGaveUpIsUndone) {
  TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
  th.SetAckTimeout(0);
  int slot = -1;
  const bool acknowledged = th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot);
  th.SetAckTimeout(TChangeHandlerThread::kAckTimeoutMs);
  ASSERT_TRUE(th.RemoveWatch(62));  // commands run in order: the add is done
  EXPECT_EQ(th.WatchCount(), acknowledged ? 1 : 0);
  if (!acknowledged) {
    T.File("a");
    settle();
    EXPECT_TRUE(R.Posts.empty());
  }
}

TEST_F(ChangeThread, DestructionLeavesNoInstanceAndNoThread) {
  const int fds = countFds("anon_inode:inotify");
  const int threads = countThreads();
  {
    TChangeHandlerThread th(R.Target, WM_SHELL_CHANGE);
    int slot = -1;
    ASSERT_TRUE(th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
    ASSERT_TRUE(th.AddWatch(T.Dir("sub"), FILE_NOTIFY_CHANGE_FILE_NAME, 1, slot));
    EXPECT_EQ(countFds("anon_inode:inotify"), fds + 1);
    EXPECT_EQ(countThreads(), threads + 1);
    T.File("late");  // a change that may still be in flight
  }
  EXPECT_EQ(countFds("anon_inode:inotify"), fds);
  EXPECT_EQ(countThreads(), threads);
}

TEST_F(ChangeThread, ManyThreadsComeAndGoUnderChurn) {
  // Creation, watching, posting and destruction interleaved with changes
  // and with targets closing while calls are queued: for the sanitizers.
  std::atomic<bool> run{true};
  std::thread churn([&] {
    int i = 0;
    while (run.load()) {
      const std::string f = T.Path("c" + std::to_string(i++ % 8));
      T.File("c" + std::to_string(i % 8));
      ::unlink(f.c_str());
    }
  });
  for (int round = 0; round < 20; ++round) {
    TRecorder r;
    TChangeHandlerThread th(r.Target, WM_SHELL_CHANGE);
    int slot = -1;
    ASSERT_TRUE(th.AddWatch(T.Root, FILE_NOTIFY_CHANGE_FILE_NAME, 0, slot));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (round % 2) r.Target->Close();
    ManualUiQueue().Drain();
    ASSERT_TRUE(th.RemoveAllWatches());
    r.Target->Close();
  }
  run = false;
  churn.join();
  ManualUiQueue().Drain();
}

}  // namespace
}  // namespace qv
