// The cell value classes and the class registry.
//
// | class          | value                               | display text            |
// |----------------|-------------------------------------|-------------------------|
// | TXLCString     | UTF-8 text                          | text, through the mask  |
// | TXLCStrings    | item list and ItemIndex             | the item at ItemIndex   |
// | TXLCUrl        | text (a link: http, https, mailto)  | as TXLCString           |
// | TXLCNumber     | (abstract)                          | number formatting       |
// | TXLCInteger    | 32-bit integer                      | number formatting       |
// | TXLCDouble     | double                              | number formatting       |
// | TXLCCurrency   | 64-bit integer scaled by 10000      | number formatting       |
// | TXLCDateTime   | days since 30 Dec 1899              | FormatDateTime          |
// | TXLCBoolean    | Boolean                             | "True;False" sections   |
// | TXLCPicture    | TXLPicture                          | none (the picture)      |
//
// Typed setters compare with the stored value and, only when it differs,
// store it, mark the display text stale and report prValue.
//
// TXLManager is the registry: class ids for the stream, the editor kinds
// offered per class (by index: a cell's Editor value) and the display
// formats offered per class. It is filled when first used.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grid/XLCells.h"
#include "grid/XLPicture.h"
#include "platform/core/Classes.h"

namespace qv {

// A cell's text in 16 bytes: up to 15 bytes in place (most cell texts, so
// a text cell needs no block of its own), a longer text in a heap block
// whose address and length stand in place of the characters.
class TXLCellText {
 public:
  TXLCellText() { bytes_[15] = 15; }
  ~TXLCellText() { Release(); }
  TXLCellText(const TXLCellText&) = delete;
  TXLCellText& operator=(const TXLCellText&) = delete;
  std::string_view View() const {
    if (!OnHeap()) return std::string_view(bytes_, std::size_t(15 - bytes_[15]));
    const char* p;
    std::uint32_t n;
    std::memcpy(&p, bytes_, sizeof p);
    std::memcpy(&n, bytes_ + 8, sizeof n);
    return std::string_view(p, n);
  }
  std::string Str() const { return std::string(View()); }
  void Assign(std::string_view v);

 private:
  bool OnHeap() const { return static_cast<unsigned char>(bytes_[15]) == 0xFF; }
  void Release();
  // In place: the characters, byte 15 = 15 - length. On the heap: the
  // block's address (bytes 0-7), its length (8-11), byte 15 = 0xFF.
  char bytes_[16] = {};
};

class TXLCString : public TXLCell {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  std::string GetAsString() const override { return text_.Str(); }
  void SetAsString(const std::string& v) override;
  TVariant GetAsVariant() const override { return TVariant(text_.Str()); }
  void SetAsVariant(const TVariant& v) override { SetAsString(VarToStr(v)); }
  void CalcText(std::string& text) const override;
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 protected:
  TXLCellText text_;
};

class TXLCStrings : public TXLCString {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  // The item list joined with CR LF; setting it replaces the list.
  std::string GetAsString() const override;
  void SetAsString(const std::string& v) override;
  std::int32_t GetAsInteger() const override { return itemIndex_; }
  void SetAsInteger(std::int32_t v) override;
  TVariant GetAsVariant() const override { return TVariant(GetAsString()); }
  TStringList* GetAsStrings() const override { return items_.get(); }
  void SetAsStrings(const std::vector<std::string>& lines) override;
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int v) { SetAsInteger(v); }
  const TStringList& Items() const { return *items_; }
  void CalcText(std::string& text) const override;
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  std::unique_ptr<TStringList> items_ = std::make_unique<TStringList>();
  std::int32_t itemIndex_ = 0;
};

class TXLCUrl : public TXLCString {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  // Opens the link with the desktop's default handler, when it is an
  // http, https or mailto link; other texts are not opened.
  void DblClick() override;
  // Whether a text is a link that DblClick opens.
  static bool IsOpenableUrl(const std::string& text);
};

class TXLCNumber : public TXLCell {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  void CalcText(std::string& text) const override;
};

class TXLCInteger : public TXLCNumber {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  std::int32_t GetAsInteger() const override { return value_; }
  void SetAsInteger(std::int32_t v) override;
  double GetAsFloat() const override { return value_; }
  TVariant GetAsVariant() const override { return TVariant(int(value_)); }
  void SetAsVariant(const TVariant& v) override { SetAsInteger(VarToInt(v)); }
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  std::int32_t value_ = 0;
};

class TXLCDouble : public TXLCNumber {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  double GetAsFloat() const override { return value_; }
  void SetAsFloat(double v) override;
  TVariant GetAsVariant() const override { return TVariant(value_); }
  void SetAsVariant(const TVariant& v) override { SetAsFloat(VarToFloat(v)); }
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  double value_ = 0;
};

class TXLCCurrency : public TXLCNumber {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  std::int64_t GetAsCurrency() const override { return value_; }
  void SetAsCurrency(std::int64_t v) override;
  double GetAsFloat() const override { return CurrencyToFloat(value_); }
  TVariant GetAsVariant() const override { return TVariant::FromCurrency(value_); }
  void SetAsVariant(const TVariant& v) override { SetAsCurrency(VarToCurrency(v)); }
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  std::int64_t value_ = 0;
};

class TXLCDateTime : public TXLCell {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  TDateTime GetAsDateTime() const override { return value_; }
  void SetAsDateTime(TDateTime v) override;
  double GetAsFloat() const override { return value_; }
  TVariant GetAsVariant() const override { return TVariant::FromDateTime(value_); }
  // A text is tried as date and time, as a date, as a time, then as a
  // number (EVariantTypeCastError when it is none of them).
  void SetAsVariant(const TVariant& v) override;
  void CalcText(std::string& text) const override;
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  double value_ = 0;
};

class TXLCBoolean : public TXLCell {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  bool GetAsBoolean() const override { return value_; }
  void SetAsBoolean(bool v) override;
  TVariant GetAsVariant() const override { return TVariant(value_); }
  void SetAsVariant(const TVariant& v) override { SetAsBoolean(VarToBool(v)); }
  void CalcText(std::string& text) const override;
  // With an empty format: a check box of 13 x Scale / 100 pixels.
  void DrawValue(TXLDrawInfo& info, const TRect& r) override;
  // Double click and the space key toggle the value.
  void DblClick() override { SetAsBoolean(!value_); }
  void KeyPress(char32_t& key) override;
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  bool value_ = false;
};

class TXLCPicture : public TXLCell {
 public:
  static const TXLCellClass ClassInfo;
  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  TXLPicture* GetAsPicture() const override { return picture_.get(); }
  void SetAsPicture(const TXLPicture& p) override;
  const TXLPicture& Picture() const { return *picture_; }
  void DrawValue(TXLDrawInfo& info, const TRect& r) override;
  // (picture width + Indent, picture height) with wmClip, else (0, 0).
  TSize GetExtent(TCanvas& canvas) const override;
  void ReadValue(TStream& stream) override;
  void WriteValue(TStream& stream) const override;

 private:
  std::unique_ptr<TXLPicture> picture_ = std::make_unique<TXLPicture>();
};

// The content placement rule of pictures and check boxes: a w x h item in
// r by fit mode (wmClip natural, wmEllipsis proportional, wmWrapWords
// fill) and, unless filled, aligned by the layout.
TRect PlaceContent(const TRect& r, int w, int h, TWrapMode fit, const TXLLayout& layout);
// Draws a flat check box into r (its top-left square of side size).
void DrawCheckBox(TCanvas& canvas, const TRect& box, bool checked);

// Number formatting of a number cell: the picture chosen by sign from F's
// ";" sections, the value x 100 when the picture holds "%".
std::string FormatNumber(double value, const std::string& displayFormat);
// The display part of a format: up to the first "|".
std::string DisplayFormat(const std::string& format);

// ---- the registry ----------------------------------------------------------

class TXLManager {
 public:
  // The registry, filled on first use with the nine cell classes, their
  // formats and their editor kinds.
  static TXLManager& Instance();

  // The first registered class with the id, or null.
  TXLCellClassRef FindClass(std::int32_t id) const;
  // The registry index of a class, appending a new one with no editors
  // and no formats.
  int RegisterClass(TXLCellClassRef cls);
  void RegisterClasses(const std::vector<TXLCellClassRef>& classes);
  // Registers each cell class and appends every editor kind it lacks.
  void RegisterEditors(const std::vector<TXLCellClassRef>& cellClasses,
                       const std::vector<TXLEditorKind>& editors);
  // ekNone when the class is not registered or index is not below the
  // number of its editors.
  TXLEditorKind GetEditorClass(TXLCellClassRef cls, int index) const;
  int EditorCount(TXLCellClassRef cls) const;
  // The class's format list; null for an unregistered class.
  const TStringList* Formats(TXLCellClassRef cls) const;
  TStringList* Formats(TXLCellClassRef cls);
  const std::vector<TXLCellClassRef>& Classes() const { return classes_; }

 private:
  TXLManager();
  int IndexOf(TXLCellClassRef cls) const;
  std::vector<TXLCellClassRef> classes_;
  std::vector<std::vector<TXLEditorKind>> editors_;
  std::vector<std::unique_ptr<TStringList>> formats_;
};

}  // namespace qv
