// Helpers of the shell tests: a temporary folder tree that is removed
// afterwards, and guards that fix $HOME and the mount table for a test.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "controls/UiShellNamespace.h"
#include "controls/UiShellUtils.h"

namespace qv::test {

class TTempTree {
 public:
  TTempTree() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qv-shell-XXXXXX").native();
    Root = ::mkdtemp(tmpl.data());
  }
  ~TTempTree() {
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
  }
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  std::string Path(const std::string& rel = {}) const {
    return rel.empty() ? Root : Root + "/" + rel;
  }
  std::string File(const std::string& rel, const std::string& content = {}) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << content;
    return Path(rel);
  }
  std::string Dir(const std::string& rel) const {
    std::filesystem::create_directories(Path(rel));
    return Path(rel);
  }
  std::string Link(const std::string& target, const std::string& rel) const {
    std::filesystem::create_symlink(target, Path(rel));
    return Path(rel);
  }
  TPidl Pidl(const std::string& rel = {}) const {
    TPidl p;
    PathToPidl(Path(rel), p);
    return p;
  }

  std::string Root;
};

// Sets an environment variable for the life of the guard.
class TEnvGuard {
 public:
  TEnvGuard(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    ::setenv(name, value.c_str(), 1);
  }
  ~TEnvGuard() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }
  TEnvGuard(const TEnvGuard&) = delete;
  TEnvGuard& operator=(const TEnvGuard&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// Points the mount table at a file for the life of the guard and reloads
// the desktop's mounts before and after.
class TMountGuard {
 public:
  explicit TMountGuard(const std::string& file) {
    SetMountInfoFile(file);
    DesktopFolder()->ReloadMounts();
  }
  ~TMountGuard() {
    SetMountInfoFile({});
    DesktopFolder()->ReloadMounts();
  }
  TMountGuard(const TMountGuard&) = delete;
  TMountGuard& operator=(const TMountGuard&) = delete;
};

}  // namespace qv::test
