// Shared by the exporter tests: exports a few lines of text through a
// highlighter and gives the exporter's data.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/CodeEditHighlighter.h"
#include "editor/CodeEditTextBuffer.h"

namespace qv::exporttest {

template <class E>
std::string ExportLines(E& exporter, TCodeCustomHighlighter& hl,
                        const std::vector<std::string>& text) {
  TCodeEditStringList lines;
  for (const auto& l : text) lines.Add(l);
  exporter.SetHighlighter(&hl);
  EXPECT_TRUE(exporter.ExportAll(&lines));
  return exporter.Data();
}

}  // namespace qv::exporttest
