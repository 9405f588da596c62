// The values and behaviour of the search, replace and confirm-replace
// dialogs, without a toolkit: the editor's widget layer shows them as modal
// windows, fills its controls from these objects and hands the results
// back. The main window keeps one of each, fills it from its stored settings
// and reads the results after the dialog closed.
#pragma once

#include <string>
#include <vector>

#include "platform/core/Graphics.h"

namespace qv {

// "Search Text": the text with its history, four options and the direction.
class TTextSearchDialog {
 public:
  static constexpr const char* Caption = "Search Text";
  static constexpr int HistoryLimit = 10;  // entries read back as history

  TTextSearchDialog() = default;
  virtual ~TTextSearchDialog() = default;

  const std::string& SearchText() const { return searchText_; }
  void SetSearchText(const std::string& Value) { searchText_ = Value; }
  // The first at most 10 entries of the list, joined by CR LF.
  std::string SearchTextHistory() const { return JoinHistory(searchHistory_); }
  // Every entry of a CR LF separated text.
  void SetSearchTextHistory(const std::string& Value) { searchHistory_ = SplitHistory(Value); }
  const std::vector<std::string>& SearchHistoryItems() const { return searchHistory_; }
  bool SearchBackwards() const { return direction_ == 1; }
  void SetSearchBackwards(bool Value) { direction_ = Value ? 1 : 0; }
  // Item of the direction group: 0 "&Forward", 1 "&Backward".
  int DirectionIndex() const { return direction_; }
  void SetDirectionIndex(int Value) { direction_ = Value == 1 ? 1 : 0; }
  bool SearchCaseSensitive() const { return caseSensitive_; }
  void SetSearchCaseSensitive(bool Value) { caseSensitive_ = Value; }
  bool SearchWholeWords() const { return wholeWords_; }
  void SetSearchWholeWords(bool Value) { wholeWords_ = Value; }
  bool SearchFromCursor() const { return fromCursor_; }
  void SetSearchFromCursor(bool Value) { fromCursor_ = Value; }
  bool SearchSelectedOnly() const { return selectedOnly_; }
  void SetSearchSelectedOnly(bool Value) { selectedOnly_ = Value; }

  // The dialog closed; with OK the histories are kept up to date.
  virtual void Closed(bool Ok);

 protected:
  // Text moves to the top of History (an equal entry is taken out first).
  static void MoveToTop(std::vector<std::string>& History, const std::string& Text);
  static std::string JoinHistory(const std::vector<std::string>& History);
  static std::vector<std::string> SplitHistory(const std::string& Value);

 private:
  std::string searchText_;
  std::vector<std::string> searchHistory_;
  int direction_ = 0;
  bool caseSensitive_ = false;
  bool wholeWords_ = false;
  bool fromCursor_ = false;
  bool selectedOnly_ = false;
};

// "Replace text": the search dialog with the replacement text and its
// history.
class TTextReplaceDialog : public TTextSearchDialog {
 public:
  static constexpr const char* Caption = "Replace text";

  const std::string& ReplaceText() const { return replaceText_; }
  void SetReplaceText(const std::string& Value) { replaceText_ = Value; }
  std::string ReplaceTextHistory() const { return JoinHistory(replaceHistory_); }
  void SetReplaceTextHistory(const std::string& Value) { replaceHistory_ = SplitHistory(Value); }
  const std::vector<std::string>& ReplaceHistoryItems() const { return replaceHistory_; }

  void Closed(bool Ok) override;

 private:
  std::string replaceText_;
  std::vector<std::string> replaceHistory_;
};

// "Confirm replace": asks about one occurrence and stands next to it.
class TConfirmReplaceDialog {
 public:
  static constexpr const char* Caption = "Confirm replace";
  // Results of its four buttons: "&Yes", "&No", "Cancel", "Yes to &all".
  static constexpr int mrYes = 6, mrNo = 7, mrCancel = 2, mrYesToAll = 10;

  // The dialog's outer size; 328 x 98 until the window reports its own.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int AWidth, int AHeight) {
    width_ = AWidth;
    height_ = AHeight;
  }
  int Left() const { return left_; }
  int Top() const { return top_; }
  const std::string& Confirmation() const { return confirmation_; }

  // EditorRect: the editor in screen coordinates; X: the left of the found
  // text; Y1, Y2: top and bottom of its line.
  void PrepareShow(const TRect& EditorRect, int X, int Y1, int Y2, const std::string& AReplaceText);

 private:
  int width_ = 328;
  int height_ = 98;
  int left_ = 0;
  int top_ = 0;
  std::string confirmation_;
};

}  // namespace qv
