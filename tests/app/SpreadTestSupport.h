// Shared by the data sheet tests: fixture paths, a fixture that fixes the
// number format and answers dialogs from a script, and small sheet helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/spread/SpreadDocument.h"
#include "platform/core/Classes.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"

namespace qv::test {

inline std::string DataFile(const std::string& name) {
  return std::string(QV_TEST_DATA_DIR) + "/" + name;
}

// A path under the test's build folder (the folder is made).
inline std::string OutFile(const std::string& folder, const std::string& name) {
  std::string dir = std::string(QV_BINARY_DIR) + "/" + folder;
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// "." decimals and a scripted dialog service for every test.
class SpreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    SetDialogService(&dialogs);
  }
  void TearDown() override { SetDialogService(nullptr); }
  // The texts of the message boxes shown so far.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& e : dialogs.Log())
      if (e.Kind == "Message") out.push_back(e.Text);
    return out;
  }
  TScriptedDialogs dialogs;
};

// Fills the client cells from rows of texts, from (col, row) on.
inline void Put(TXLSheet& sheet, int col, int row,
                const std::vector<std::vector<std::string>>& rows) {
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      if (!rows[r][c].empty())
        sheet.SetCellText(col + static_cast<int>(c), row + static_cast<int>(r), rows[r][c]);
}

// The texts of a column of client cells.
inline std::vector<std::string> Column(const TXLSheet& sheet, int col, int top, int bottom) {
  std::vector<std::string> out;
  for (int r = top; r < bottom; ++r) out.push_back(sheet.GetCellText(col, r));
  return out;
}

// The tree as "text/state" per node, indented by level with "-".
inline std::string TreeShape(const TSheetTree& tree) {
  std::string s;
  for (const TSheetNode* n : tree.Items())
    s += std::string(static_cast<size_t>(n->Level()), '-') + n->Text + "/" +
         std::to_string(n->StateIndex) + " ";
  return s;
}

}  // namespace qv::test
