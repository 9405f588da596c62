// Shared helpers of the model-reader tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/ModelParser.h"
#include "engine/RecordingFitHost.h"
#include "engine/WorkLines.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv::fronttest {

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : text) {
    if (c == '\n') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

inline std::vector<std::string> WorkLines(const TEngineState& s) {
  return s.Model.WorkLines().ToVector();
}

inline std::string DataDir() { return std::string(QV_TEST_DATA_DIR) + "/front"; }

// Every line of the dump, for subset checks.
inline std::vector<std::string> DumpLines(const TEngineState& s) {
  return Lines(DumpModelState(s));
}

inline void FixLocale() {
  FormatSettings().DecimalSeparator = '.';
  FormatSettings().ThousandSeparator = ',';
}

// Reads the model text through the host (data files from the test data
// folder) and checks that it is accepted and that the state dump holds
// every expected line and none of the absent ones.
inline void ExpectModelReads(TRecordingFitHost& host, const std::string& name,
                             const std::string& text, const std::vector<std::string>& expected,
                             const std::vector<std::string>& absent = {}) {
  FixLocale();
  TEngineState s;
  s.Model.ModelFolder = DataDir();
  const bool ok = ReadModel(s, host, Lines(text));
  EXPECT_TRUE(ok) << name << ": " << (host.Messages.empty() ? "" : host.Messages[0].Text);
  const auto dump = DumpLines(s);
  for (const auto& line : expected)
    EXPECT_NE(std::find(dump.begin(), dump.end(), line), dump.end())
        << name << ": missing \"" << line << "\" in\n"
        << DumpModelState(s);
  for (const auto& line : absent)
    EXPECT_EQ(std::find(dump.begin(), dump.end(), line), dump.end())
        << name << ": unexpected \"" << line << "\"";
}

}  // namespace qv::fronttest
