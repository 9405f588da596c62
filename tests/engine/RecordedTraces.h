// Traces recorded from the engine as it stands, known good, kept as data
// files beside the tests (tests/engine/data/traces; its README.md says how
// to record them again). A file holds one case a line: its name, a tab and
// its trace; lines starting with "#" are comments (those before the first
// case are kept when the file is written again). A test compares the trace it computes for each
// case with the recorded one, exactly. With the environment variable QV_RECORD_TRACES set (to
// anything but "" or "0") it writes the traces it computes into the file instead, the cases it did
// not run kept as they were, and compares nothing.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace qv::test {

class TRecordedTraces {
 public:
  // The traces of file, a name in tests/engine/data/traces.
  explicit TRecordedTraces(const std::string& file)
      : path_(std::string(QV_TEST_DATA_DIR) + "/traces/" + file) {
    const char* record = std::getenv("QV_RECORD_TRACES");
    recording_ = record && *record && std::string(record) != "0";
    std::ifstream in(path_);
    loaded_ = static_cast<bool>(in);
    for (std::string line; std::getline(in, line);) {
      if (line.empty()) continue;
      if (line[0] == '#') {
        if (traces_.empty()) header_.push_back(line);
        continue;
      }
      const size_t tab = line.find('\t');
      if (tab == std::string::npos) {
        ADD_FAILURE() << path_ << ": a line without a tab: " << line;
        continue;
      }
      traces_[line.substr(0, tab)] = line.substr(tab + 1);
    }
  }

  // Expects the trace now of case name to be the recorded one, or records
  // it.
  void Expect(const std::string& name, const std::string& now) {
    if (recording_) {
      traces_[name] = now;
      Write();
      return;
    }
    const auto it = traces_.find(name);
    if (it == traces_.end()) {
      ADD_FAILURE() << "no trace recorded for \"" << name << "\" in " << path_
                    << (loaded_ ? "" : " (no such file)") << "; now: " << now << Hint();
      return;
    }
    EXPECT_EQ(now, it->second) << "the trace of \"" << name << "\" differs from the one in "
                               << path_ << Hint();
  }

 private:
  static const char* Hint() {
    return "\n(when the change is meant, record the traces again: see "
           "tests/engine/data/traces/README.md)";
  }

  void Write() {
    std::ofstream out(path_, std::ios::trunc);
    for (const std::string& line : header_) out << line << '\n';
    for (const auto& [name, trace] : traces_) out << name << '\t' << trace << '\n';
    out.close();
    EXPECT_TRUE(out) << "cannot write " << path_;
  }

  std::string path_;
  bool recording_ = false;
  bool loaded_ = false;
  std::vector<std::string> header_;  // the comment lines before the first case
  std::map<std::string, std::string> traces_;
};

}  // namespace qv::test
