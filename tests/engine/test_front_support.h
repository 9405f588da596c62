// Shared helpers of the model-reader tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/ModelParser.h"
#include "engine/RecordingFitHost.h"
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

inline std::vector<std::string> WorkLines(const TEngineState& s) { return s.WorkLines().ToVector(); }

inline std::string DataDir() { return std::string(QV_TEST_DATA_DIR) + "/front"; }

// Every line of the dump, for subset checks.
inline std::vector<std::string> DumpLines(const TEngineState& s) { return Lines(DumpModelState(s)); }

inline void FixLocale() {
  FormatSettings().DecimalSeparator = '.';
  FormatSettings().ThousandSeparator = ',';
}

}  // namespace qv::fronttest
