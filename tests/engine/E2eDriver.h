// Shared by the end-to-end tests: runs the engine test driver (qvrun) and
// collects its output lines and every "name: number" value it reports.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/Process.h"

namespace qv {
namespace e2e {

inline const std::string kDriver = std::string(QV_BINARY_DIR) + "/../../tools/qvrun/qvrun";
inline const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";

struct TDriverRun {
  int Exit = -1;
  std::string Out, Err;
  std::vector<std::string> Lines;
  std::vector<std::pair<std::string, double>> Values;  // every "name: number" line, in order

  bool Has(const std::string& line) const {
    for (const auto& l : Lines)
      if (l == line) return true;
    return false;
  }
  // The first and the last value of a name; NaN when it was not reported.
  double First(const std::string& name) const {
    for (const auto& [key, value] : Values)
      if (key == name) return value;
    return std::nan("");
  }
  double Last(const std::string& name) const {
    for (auto it = Values.rbegin(); it != Values.rend(); ++it)
      if (it->first == name) return it->second;
    return std::nan("");
  }
  // The values of a name, also those of a per-data-set parameter written
  // as <name> for "<data set>".
  std::vector<double> All(const std::string& name) const {
    std::vector<double> v;
    for (const auto& [key, value] : Values)
      if (key == name || key.rfind(name + " for \"", 0) == 0) v.push_back(value);
    return v;
  }
};

// Runs the driver with the arguments, waiting at most timeoutMs.
inline TDriverRun RunDriver(const std::vector<std::string>& args, int timeoutMs) {
  TProcessResult r = RunProcess(kDriver, args, timeoutMs);
  TDriverRun run;
  EXPECT_TRUE(r.Started) << r.Error;
  run.Exit = r.ExitCode;
  run.Out = r.StdOut;
  run.Err = r.StdErr;
  std::istringstream in(r.StdOut);
  std::string line;
  while (std::getline(in, line)) {
    run.Lines.push_back(line);
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    try {
      size_t used = 0;
      const std::string text = line.substr(colon + 2);
      const double v = std::stod(text, &used);
      if (used == text.size()) run.Values.emplace_back(line.substr(0, colon), v);
    } catch (...) {
    }
  }
  return run;
}

// Waits until process Pid catches signal Sig (its handler is installed, as
// /proc/<pid>/status's SigCgt mask shows), at most TimeoutMs. A signal sent
// before that would end the process instead of reaching the handler; how
// long a start takes depends on the machine's load, so a test waits for
// this state and not for a fixed time.
inline bool WaitForSignalHandler(pid_t Pid, int Sig, int TimeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  const std::string status = "/proc/" + std::to_string(Pid) + "/status";
  while (std::chrono::steady_clock::now() < end) {
    std::ifstream in(status);
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("SigCgt:", 0) != 0) continue;
      const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
      if (mask & (1ULL << (Sig - 1))) return true;
    }
    if (!in.is_open() && !std::ifstream(status).is_open()) return false;  // the process is gone
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace e2e
}  // namespace qv
