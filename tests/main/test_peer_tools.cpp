// The peer-tool guard: a program is found on PATH or by its path only when
// it can be run, and a missing peer skips the test, or fails it under
// CI=true (and only under exactly "true").
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/main/PeerTools.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object, then puts the
// old value (or its absence) back.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~TScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder of the build with one runnable and one plain file.
fs::path ToolFolder() {
  const fs::path dir = fs::path(QV_BINARY_DIR) / "peer-tools";
  fs::create_directories(dir);
  std::ofstream(dir / "runnable") << "#!/bin/sh\n";
  std::ofstream(dir / "plain") << "not a program\n";
  chmod((dir / "runnable").c_str(), 0755);
  chmod((dir / "plain").c_str(), 0644);
  return dir;
}

TEST(PeerTools, FindsOnlyProgramsThatCanRun) {
  const fs::path dir = ToolFolder();
  const std::string runnable = (dir / "runnable").string();
  TScopedEnv path("PATH", "/nonexistent-folder::" + dir.string());
  const struct {
    std::string Name;
    std::string Found;
  } cases[] = {
      {"runnable", runnable},            // on PATH, after a missing folder and an empty entry
      {runnable, runnable},              // a path is taken as it is
      {"plain", ""},                     // on PATH but not executable
      {(dir / "plain").string(), ""},    // the same by its path
      {"no-such-program", ""},           // nowhere
      {(dir / "missing").string(), ""},  // a path to nothing
      {"", ""},                          // no name
  };
  for (const auto& c : cases) EXPECT_EQ(FindPeerProgram(c.Name), c.Found) << c.Name;
}

TEST(PeerTools, OnlyCiTrueRequiresThePeers) {
  const struct {
    std::optional<std::string> Ci;
    bool Required;
  } cases[] = {{std::nullopt, false}, {"true", true}, {"", false},
               {"false", false},      {"1", false},   {"TRUE", false}};
  for (const auto& c : cases) {
    TScopedEnv ci("CI", c.Ci);
    EXPECT_EQ(PeersRequired(), c.Required) << c.Ci.value_or("(unset)");
  }
}

void NeedsPeer(bool present) {
  QV_REQUIRE_PEER(present, "the peer");
  ADD_FAILURE() << "reached the body";  // recorded only when the peer is present
}

// What the guard reports, seen from outside the running test.
std::vector<testing::TestPartResult> Report(bool present) {
  testing::TestPartResultArray results;
  {
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    NeedsPeer(present);
  }
  std::vector<testing::TestPartResult> list;
  for (int i = 0; i < results.size(); ++i) list.push_back(results.GetTestPartResult(i));
  return list;
}

TEST(PeerTools, MissingPeerSkipsOrFailsUnderCi) {
  {
    TScopedEnv ci("CI", std::nullopt);
    const std::vector<testing::TestPartResult> r = Report(false);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].skipped());
    EXPECT_STREQ(r[0].message(), "the peer is not installed");
  }
  {
    TScopedEnv ci("CI", "true");
    const std::vector<testing::TestPartResult> r = Report(false);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].fatally_failed());
    EXPECT_NE(std::string(r[0].message()).find("the peer is not installed"), std::string::npos);
  }
  for (const char* ci : {"true", "false"}) {
    TScopedEnv env("CI", ci);
    const std::vector<testing::TestPartResult> r = Report(true);
    ASSERT_EQ(r.size(), 1u) << ci;
    EXPECT_NE(std::string(r[0].message()).find("reached the body"), std::string::npos) << ci;
  }
}

TEST(PeerTools, PartOfATestThatNeedsAPeer) {
  {
    TScopedEnv ci("CI", std::nullopt);
    EXPECT_TRUE(UsePeer(true, "x"));
    EXPECT_FALSE(UsePeer(false, "x"));  // no failure: the part is left out
  }
  TScopedEnv ci("CI", "true");
  EXPECT_TRUE(UsePeer(true, "x"));
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(UsePeer(false, "the peer")), "the peer is not installed");
}

TEST(PeerTools, PythonModules) {
  QV_REQUIRE_PEER(!FindPeerProgram("/usr/bin/python3").empty(), "python3");
  EXPECT_TRUE(HavePythonModule("os"));
  EXPECT_FALSE(HavePythonModule("no_such_module_of_any_name"));
  EXPECT_FALSE(HavePythonModule("os", "/nonexistent/python3"));
}

}  // namespace
}  // namespace qv::test
