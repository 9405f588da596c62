// The framed combo box and the image combo box.
//
// TUiCustomComboBox adds to the combo box core: its own frame and a flat
// drop-down button (TUiFramedControl), colours by focus and enabled state,
// a frame controller link, completion of typed text from the items, search
// by typing in the drop-down-list styles (the search text resets after
// 1500 ms without a key), read-only use, Enter moving the focus on, and a
// beep when typing goes past MaxLength.
//
// TUiCustomImageComboBox is owner-drawn: each item carries a caption, an
// image, an overlay image and an indent level. It owns its items unless told
// otherwise. The shell combo derives from it.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "controls/UiCommon.h"
#include "platform/core/ComboBox.h"
#include "platform/core/ImageList.h"

namespace qv {

class TUiCustomComboBox : public TCustomComboBox, public TUiFramedControl {
 public:
  TUiCustomComboBox();
  ~TUiCustomComboBox() override;
  using TUiFramedControl::Color;

  TColor FlatButtonColor() const { return flatButtonColor_; }
  void SetFlatButtonColor(TColor v);
  bool FlatButtons() const { return flatButtons_; }
  void SetFlatButtons(bool v);
  void SetFrameVisible(bool v) override;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool AutoComplete() const { return autoComplete_; }
  void SetAutoComplete(bool v) { autoComplete_ = v; }
  // Completion keeps the typed characters as typed (else the item's text).
  bool KeepTypedCase() const { return keepTypedCase_; }
  void SetKeepTypedCase(bool v) { keepTypedCase_ = v; }
  bool BeepOnNoMatch() const { return beepOnNoMatch_; }
  void SetBeepOnNoMatch(bool v) { beepOnNoMatch_ = v; }
  // Enter (while the list is closed) moves the focus on like Tab.
  bool EnterMovesOn() const { return enterMovesOn_; }
  void SetEnterMovesOn(bool v) { enterMovesOn_ = v; }
  // The text typed so far in a drop-down list.
  const std::string& SearchText() const { return searchText_; }
  // Sets the text without completing it.
  void SetTextQuietly(const std::string& text);

  void UpdateFrame(bool viaMouse, bool flag) override;
  void SetEnabled(bool v) override;
  void Loaded();
  bool SetFrameProperty(std::string_view name, const TUiFrameValue& value) override;

  std::function<void()> OnComplete;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

  static constexpr int SearchResetMs = 1500;

  // ---- TControlCore and the edit field ----
  void Paint(TCanvas& canvas, const TRect& rect) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void DblClick() override {}
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(char32_t& ch) override;
  void FocusIn() override;
  void FocusOut() override;
  void Timer(int id) override;
  void EditTextChanged(const std::string& text, int selStart, int selLength) override;
  void EditKeyPress(char32_t& ch) override;
  void EditKeyDown(int& key, TShiftState shift) override;
  void CloseUp(bool ok) override;

 protected:
  void PaintButton(TCanvas& canvas, const TRect& rect, bool pressed) override;
  bool FrameFocused() const override { return Focused(); }
  bool FrameEnabled() const override { return Enabled(); }
  bool FrameLoading() const override { return loading_; }
  void RepaintFrame() override { Invalidate(); }
  void ApplyColor(TColor color) override { SetBackColor(color); }
  void Beep();
  // Enter and MaxLength; true when the key was consumed.
  bool FilterKeyPress(char32_t& ch);

 private:
  void ClearSearch();
  void RunSearch();
  TColor flatButtonColor_;
  bool flatButtons_ = false;
  bool readOnly_ = false;
  bool autoComplete_ = true;
  bool keepTypedCase_ = false;
  bool beepOnNoMatch_ = true;
  bool enterMovesOn_ = false;
  bool loading_ = false;
  bool selEndOk_ = false;
  bool inKeyPress_ = false;
  std::string searchText_;
};

class TUiCustomImageComboBox;

class TUiImageComboBoxItem {
 public:
  TUiImageComboBoxItem(const TUiImageComboBoxItem&) = delete;
  TUiImageComboBoxItem& operator=(const TUiImageComboBoxItem&) = delete;
  virtual ~TUiImageComboBoxItem() = default;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(int v);
  int IndentLevel() const { return indentLevel_; }
  void SetIndentLevel(int v) { indentLevel_ = std::max(v, 0); }
  int Index() const;
  TUiCustomImageComboBox& Owner() const { return *owner_; }

 protected:
  friend class TUiCustomImageComboBox;
  explicit TUiImageComboBoxItem(TUiCustomImageComboBox* owner) : owner_(owner) {}
  TUiCustomImageComboBox* owner_;
  std::string caption_;
  int imageIndex_ = -1;
  int overlayIndex_ = -1;
  int indentLevel_ = 0;
};

class TUiCustomImageComboBox : public TUiCustomComboBox {
 public:
  TUiCustomImageComboBox();
  ~TUiCustomImageComboBox() override;

  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  int ItemIndent() const { return itemIndent_; }
  void SetItemIndent(int v);
  bool AutoHeight() const { return autoHeight_; }
  void SetAutoHeight(bool v);
  // Deleted items are freed (else the deleter keeps them; see OnDeleteItem).
  bool OwnsItems() const { return ownsItems_; }
  void SetOwnsItems(bool v) { ownsItems_ = v; }

  // A new item at the end of the list.
  virtual TUiImageComboBoxItem& AddItem(const std::string& caption, int imageIndex,
                                        int indentLevel);
  int ItemCount() { return Items().Count(); }
  TUiImageComboBoxItem* Item(int index);
  // The first item whose caption equals text ignoring case, or -1.
  virtual int IndexOfCaption(const std::string& text);
  // Removes an item from the list (OnDeleteItem fires; owned items are freed).
  void DeleteItem(int index);
  void ClearItems();
  void BeginUpdate() { Items().BeginUpdate(); }
  void EndUpdate() { Items().EndUpdate(); }
  // Captions are searched, not the (empty) strings.
  int FindItem(const std::string& text) override;
  // The font's height + 4, at least the image height (with AutoHeight).
  void UpdateItemHeight();

  std::function<void(TUiCustomImageComboBox&, TUiImageComboBoxItem&)> OnDeleteItem;

 protected:
  void DrawItem(TCanvas& canvas, int index, const TRect& rect, TOwnerDrawState state) override;
  void ItemDeleting(int index) override;
  // Makes an item (descendants make their own item classes).
  virtual std::unique_ptr<TUiImageComboBoxItem> NewItem();

 private:
  friend class TUiImageComboBoxItem;
  TCustomImageList* images_ = nullptr;
  TChangeLink imageLink_;
  int itemIndent_ = 12;
  bool autoHeight_ = true;
  bool ownsItems_ = true;
  bool destroying_ = false;
};

// Named colours for colour-picking combos: "Default", "Custom", the 16
// basic colours and the 25 system colours, in this order.
struct TUiColorName {
  const char* Name;
  TColor Value;
};
extern const std::array<TUiColorName, 43> UiColorNames;

}  // namespace qv
