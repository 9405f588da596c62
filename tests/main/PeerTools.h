// The peer tools some tests check our files with (LibreOffice, gnumeric,
// xlrd, lhasa, ...): found on PATH or not. A test whose peer is missing is
// skipped on a developer's machine, but fails when CI=true: a check that
// silently skips on a new machine is a check that does not run.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qv::test {

// The path of the program, an absolute path or a name looked up on PATH;
// empty when there is no such executable file.
std::string FindPeerProgram(const std::string& name);
// True when the Python interpreter imports the module; by default Debian's
// own python3, where the Debian packages' modules (python3-xlrd, ...) are.
bool HavePythonModule(const std::string& module, const std::string& python = "/usr/bin/python3");
// True when the environment says this is continuous integration (CI=true),
// where every peer tool of scripts/debian-packages.txt must be present.
bool PeersRequired();
// For a part of a test that needs a peer: whether it is present; when it is
// missing under CI=true, the test fails too.
bool UsePeer(bool present, const std::string& what);

}  // namespace qv::test

// Skips the calling test when `present` is false (what: the missing tool),
// or fails it when CI=true. Use in a test body or a void helper.
#define QV_REQUIRE_PEER(present, what)                                                    \
  do {                                                                                    \
    if (!(present)) {                                                                     \
      if (::qv::test::PeersRequired())                                                    \
        GTEST_FAIL() << (what) << " is not installed, and CI=true needs every peer tool"; \
      GTEST_SKIP() << (what) << " is not installed";                                      \
    }                                                                                     \
  } while (false)
