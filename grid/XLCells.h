// Look properties, values and cells of the grid library.
//
// Every object that carries a look descends from TXLPersistent: cells,
// ranges, named styles and a sheet's base styles. The look is the font,
// the editor index, the display format, and twelve 32-bit attributes
// (eight border lines, background colour, frame, cell styles, layout).
// Props says which property groups an object assigns itself; what it does
// not assign it inherits along its style chain (cell -> named style ->
// the section's base style).
//
// Where the look lives:
// - a style keeps the twelve attributes in itself (TXLProStyle);
// - a cell or range keeps them in its section's attribute planes, by
//   position, so a cell needs no object to have a colour or borders;
// - font, editor and format live in the object; an object that does not
//   assign them reads them from the object that supplies the group
//   (GetPropSource).
//
// A cell's type is its class: TXLCString, TXLCDouble and the others of
// XLCellClasses.h, each described by a TXLCellClass record that carries
// its name, its stream id and its factory. Cells are owned by their row
// (TXLRow, XLSheet.h); code holds them by plain pointer and never frees
// them itself (TXLSection::ClearRect, AssignCell and the sheet do).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/XLPool.h"
#include "grid/XLStream.h"
#include "platform/core/Canvas.h"
#include "platform/core/Variants.h"

namespace qv {

class TXLCell;
class TXLSection;
class TXLSheet;
class TXLRow;
class TXLStyle;
class TXLPicture;
class TStringList;

// ---- enumerations ----------------------------------------------------------

enum TXLProp : std::uint8_t {
  prBasedOn,
  prControl,
  prLayout,
  prColor,
  prFont,
  prBorder,
  prFrame,
  prStyles,
  prValue,
  prHint,
  prFormual
};
constexpr int kXLPropCount = 11;
// A set of TXLProp: bit n = ordinal n.
using TXLProps = std::uint16_t;
constexpr TXLProps PropBit(TXLProp p) { return TXLProps(1u << p); }
constexpr bool HasProp(TXLProps set, TXLProp p) { return (set >> p) & 1u; }
constexpr TXLProps kAllProps = 0x07FF;

enum THorzAlign : std::uint8_t { haLeft, haRight, haCenter };
enum TVertAlign : std::uint8_t { vaTop, vaBottom, vaCenter };
enum TWrapMode : std::uint8_t { wmClip, wmEllipsis, wmWrapWords };
enum TXLSide : std::uint8_t { sLeft, sTop, sRight, sBottom, sBias1, sBias2, sHInside, sVInside };
// A set of TXLSide: bit n = ordinal n (255 all, 207 all but diagonals,
// 15 the outer four, 192 the inner line kinds).
using TXLSides = std::uint8_t;
constexpr TXLSides SideBit(TXLSide s) { return TXLSides(1u << s); }
enum TXLFrame : std::uint8_t {
  frNone,
  frFlatUp,
  frFlatDown,
  frDeepUp,
  frDeepDown,
  frBevelUp,
  frBevelDown
};
enum TXLCellStyle : std::uint8_t { csHidden, csProtect, csReadOnly, csNotify, csExtHint };
using TXLCellStyles = std::uint8_t;
constexpr TXLCellStyles CellStyleBit(TXLCellStyle s) { return TXLCellStyles(1u << s); }

// Attribute ids: 0-7 the border lines by TXLSide, then these.
constexpr int xaColor = 8;
constexpr int xaFrame = 9;
constexpr int xaStyles = 10;
constexpr int xaLayout = 11;
constexpr int kXLAttrCount = 12;

// State flags of a look object.
constexpr std::uint8_t xsEditing = 1;     // attached to the in-cell editor
constexpr std::uint8_t xsReported = 2;    // rectangle reported for repainting
constexpr std::uint8_t xsStyle = 8;       // a style-like object: every assignment stores
constexpr std::uint8_t xsAssigning = 16;  // reading or assigning: no Props bookkeeping
constexpr std::uint8_t xsStale = 32;      // display text must be recalculated
constexpr std::uint8_t xsUnion = 64;      // origin of a merged block

// ---- packed attributes -----------------------------------------------------

struct TXLBorder {
  int Width = 0;  // 0..3 pixels
  TColor Color = clNone;
  friend bool operator==(const TXLBorder&, const TXLBorder&) = default;
};
// Colour in bits 0-28 and 31, width in bits 29-30; 0 = no line (colour
// clNone or width 0).
std::uint32_t PackBorder(const TXLBorder& b);
TXLBorder UnpackBorder(std::uint32_t word);
// A background colour word: 0 = no colour (clNone); black is kept apart
// from "none" by the width bits set to 1.
std::uint32_t PackColor(TColor c);
TColor UnpackColor(std::uint32_t word);

struct TXLLayout {
  THorzAlign HorzAlign = haLeft;
  TVertAlign VertAlign = vaTop;
  int Indent = 0;  // 0..65535 pixels
  TWrapMode WrapMode = wmClip;
  friend bool operator==(const TXLLayout&, const TXLLayout&) = default;
};
// Indent in bits 0-15, HorzAlign 16-19, VertAlign 20-23, WrapMode 24-27.
std::uint32_t PackLayout(const TXLLayout& l);
TXLLayout UnpackLayout(std::uint32_t word);

// ---- cell classes ----------------------------------------------------------

// A cell class: name, parent, factory (null for an abstract class).
struct TXLCellClass {
  const char* Name;
  const TXLCellClass* Parent;
  std::unique_ptr<TXLCell> (*Create)();
  bool InheritsFrom(const TXLCellClass* other) const;
};
using TXLCellClassRef = const TXLCellClass*;

// The sum of the character codes of the class name (the class's id in the
// sheet stream); 0 for no class.
std::int32_t ClassID(TXLCellClassRef cls);

// Editor kinds: the in-cell editor classes, by number, so that cells never
// depend on the editors. The Qt grid maps each kind to its editor widget.
enum TXLEditorKind : std::uint8_t {
  ekNone,
  ekPickEdit,
  ekMemo,
  ekMaskEdit,
  ekComboBox,
  ekNumEdit,
  ekDateEdit,
  ekTimeEdit
};

// ---- the per-position drawing record ---------------------------------------

struct TXLDrawInfo {
  TCanvas* Canvas = nullptr;
  TXLLayout Layout;
  const TFont* Font = nullptr;  // the resolved font (unscaled)
  int Scale = 100;              // horizontal scale in percent
  TXLFrame Frame = frNone;
  TXLCellStyles Styles = 0;
  int Col = 0, Row = 0;
};

// ---- TXLPersistent ---------------------------------------------------------

class TXLPersistent {
 public:
  TXLPersistent() = default;
  TXLPersistent(const TXLPersistent&) = delete;
  TXLPersistent& operator=(const TXLPersistent&) = delete;
  virtual ~TXLPersistent() = default;

  // ---- published look properties ----
  // The font in effect: the object's own when it assigns prFont, else the
  // supplier's (a new look object without a supplier reads "Arial").
  const TFont& Font() const;
  // The object's own font for changing it: created on first use as a copy
  // of the font in effect; every change reports prFont.
  TFont& EditFont();
  void SetFont(const TFont& font);
  THorzAlign HorzAlign() const { return Layout().HorzAlign; }
  void SetHorzAlign(THorzAlign v);
  TVertAlign VertAlign() const { return Layout().VertAlign; }
  void SetVertAlign(TVertAlign v);
  int Indent() const { return Layout().Indent; }
  void SetIndent(int v);
  TWrapMode WrapMode() const { return Layout().WrapMode; }
  void SetWrapMode(TWrapMode v);
  TXLLayout Layout() const;
  // The sides whose line is present and uniform.
  TXLSides Sides() const;
  // Newly included sides get a black line of width 1; removed ones lose theirs.
  void SetSides(TXLSides sides);
  TXLBorder Border(TXLSide side) const;
  void SetBorder(TXLSide side, const TXLBorder& b);
  void SetBorders(TXLSides sides, const TXLBorder& b);
  int Editor() const;
  // An index outside the class's editor list becomes 0.
  void SetEditor(int v);
  TXLProps Props() const { return props_; }
  // Stores the set and refreshes every group whose membership changed.
  void SetProps(TXLProps props);
  TXLFrame Frame() const;
  void SetFrame(TXLFrame v);
  // clNone when no colour is set.
  TColor Color() const;
  void SetColor(TColor c);
  TXLCellStyles Styles() const;
  void SetStyles(TXLCellStyles v);
  // The display format (may end in "|spin").
  std::string Format() const;
  void SetFormat(const std::string& v);

  std::uint8_t State() const { return state_; }
  bool IsStyle() const { return state_ & xsStyle; }
  void SetStateFlag(std::uint8_t flag, bool on) {
    state_ = on ? std::uint8_t(state_ | flag) : std::uint8_t(state_ & ~flag);
  }

  // ---- virtual operations ----
  // The prBasedOn parent, or null.
  virtual TXLPersistent* GetStyle() const { return nullptr; }
  virtual void SetStyle(TXLStyle* style) { (void)style; }
  virtual TXLCellClassRef GetCellClass() const = 0;
  virtual void SetCellClass(TXLCellClassRef cls) { (void)cls; }
  // Attribute id 0..11; uniform is cleared when a range holds different values.
  virtual std::uint32_t GetAttr(int id, bool& uniform) const = 0;
  virtual void SetAttr(int id, std::uint32_t value) = 0;
  // Adds prop to Props unless assigning (mask: the part of the group).
  virtual void IncludeProp(TXLProp prop, unsigned mask);
  // Copies one property group from source; mask 0 copies the whole group.
  virtual void AssignPersistent(const TXLPersistent& source, TXLProp prop, unsigned mask);
  // The object that supplies prop: the first along the style chain whose
  // Props holds it (null when none).
  virtual const TXLPersistent* GetPropSource(TXLProp prop) const;
  // The persistent record (record A of the sheet stream).
  virtual void ReadFromStream(TStream& stream);
  virtual void WriteToStream(TStream& stream) const;
  virtual void CalcText(std::string& text) const { text.clear(); }
  // Copies every look group the source assigns (and its Props).
  virtual void Assign(const TXLPersistent& source);
  // The sheet the object belongs to, or null.
  virtual TXLSheet* Sheet() const { return nullptr; }

  // Refreshes one group from its supplier without entering Props.
  void RefreshGroup(TXLProp prop);
  std::uint32_t Attr(int id) const {
    bool u = true;
    return GetAttr(id, u);
  }

 protected:
  // The font object, created from the font in effect when absent.
  TFont& OwnFont();
  bool HasOwnFont() const { return look_ && look_->Font; }
  // Font, editor and format of the object itself (for the supplier chain).
  const TFont* OwnFontPtr() const { return look_ ? look_->Font.get() : nullptr; }
  int OwnEditor() const { return look_ ? look_->Editor : 0; }
  const std::string& OwnFormat() const;
  void StoreFormat(const std::string& v);
  void StoreEditor(int v) {
    if (v != 0 || look_) Look().Editor = v;
  }
  // Writes layout part (mask 1 horz, 2 vert, 4 indent, 8 wrap).
  void SetLayoutPart(unsigned mask, const TXLLayout& value);
  // Copies font parts by mask (see AssignPersistent).
  void AssignFont(const TFont& source, unsigned mask);
  // Writes the font part of record A / reads it.
  static void WriteFont(TStream& stream, const TFont& font);
  static void ReadFont(TStream& stream, TFont& font);
  virtual void FormatChanged() {}
  // Reads/writes record A; withClassId for a style's record.
  void ReadPersistent(TStream& stream, bool withClassId);
  void WritePersistent(TStream& stream, bool withClassId, TXLProps props) const;
  // Hook for a style reading its cell class from record A.
  virtual void SetStoredCellClass(TXLCellClassRef cls) { (void)cls; }

  // Font, editor and format an object sets itself, kept apart and made on
  // first use: most cells set none of them, and a cell without them is a
  // few machine words.
  struct TOwnLook {
    std::unique_ptr<TFont> Font;
    std::string Format;
    std::int32_t Editor = 0;
    TXLStyle* Style = nullptr;  // a cell's named style
  };
  TOwnLook& Look() {
    if (!look_) look_ = std::make_unique<TOwnLook>();
    return *look_;
  }
  std::unique_ptr<TOwnLook> look_;
  std::uint16_t props_ = 0;
  mutable std::uint8_t state_ = 0;
};

// RAII: sets xsAssigning on an object, restores the previous state.
class TXLAssigning {
 public:
  explicit TXLAssigning(TXLPersistent& p) : p_(p), was_(p.State() & xsAssigning) {
    p_.SetStateFlag(xsAssigning, true);
  }
  ~TXLAssigning() { p_.SetStateFlag(xsAssigning, was_); }
  TXLAssigning(const TXLAssigning&) = delete;
  TXLAssigning& operator=(const TXLAssigning&) = delete;

 private:
  TXLPersistent& p_;
  bool was_;
};

// ---- TXLValue --------------------------------------------------------------

// A look object with a typed value and a cached display text. The typed
// accessors of this class go through the variant form; value classes
// override those of their own type.
class TXLValue : public TXLPersistent {
 public:
  // The display text (CalcText). It is formatted when asked for, not
  // kept: a sheet of many cells shows only a screen of them at a time.
  std::string GetText() const;
  // Draws the display text into r with the layout of info.
  virtual void DrawValue(TXLDrawInfo& info, const TRect& r);

  virtual double GetAsFloat() const { return VarToFloat(GetAsVariant()); }
  virtual TDateTime GetAsDateTime() const { return VarToDateTime(GetAsVariant()); }
  virtual std::int32_t GetAsInteger() const { return VarToInt(GetAsVariant()); }
  virtual std::string GetAsString() const { return VarToStr(GetAsVariant()); }
  virtual bool GetAsBoolean() const { return VarToBool(GetAsVariant()); }
  virtual std::int64_t GetAsCurrency() const { return VarToCurrency(GetAsVariant()); }
  virtual TVariant GetAsVariant() const { return {}; }
  // The object value: the picture of a picture cell, the item list of a
  // list cell; null for the others.
  virtual TXLPicture* GetAsPicture() const { return nullptr; }
  virtual TStringList* GetAsStrings() const { return nullptr; }

  virtual void SetAsFloat(double v) { SetAsVariant(TVariant(v)); }
  virtual void SetAsDateTime(TDateTime v) { SetAsVariant(TVariant::FromDateTime(v)); }
  virtual void SetAsInteger(std::int32_t v) { SetAsVariant(TVariant(int(v))); }
  virtual void SetAsString(const std::string& v) { SetAsVariant(TVariant(v)); }
  virtual void SetAsBoolean(bool v) { SetAsVariant(TVariant(v)); }
  virtual void SetAsCurrency(std::int64_t v) { SetAsVariant(TVariant::FromCurrency(v)); }
  virtual void SetAsVariant(const TVariant& v);
  virtual void SetAsPicture(const TXLPicture& p) { (void)p; }
  virtual void SetAsStrings(const std::vector<std::string>& lines) { (void)lines; }

  void AssignPersistent(const TXLPersistent& source, TXLProp prop, unsigned mask) override;

 protected:
  // Marks the display text stale and reports prValue.
  void ValueChanged();
  void FormatChanged() override { SetStateFlag(xsStale, true); }
};

// ---- TXLProCell ------------------------------------------------------------

// A look object that stands for a rectangle of a section: a cell or a
// range. Its attributes are read from and written to the section's planes
// over the rectangle.
class TXLProCell : public TXLValue {
 public:
  virtual TXLSection* GetSection() const = 0;
  // Section coordinates, right and bottom exclusive.
  virtual TRect GetRect() const = 0;
  virtual void SetRect(const TRect& r) = 0;
  int Width() const { return GetRect().Width(); }
  int Height() const { return GetRect().Height(); }
  void SetWidth(int w);
  void SetHeight(int h);

  std::uint32_t GetAttr(int id, bool& uniform) const override;
  void SetAttr(int id, std::uint32_t value) override;
  TXLSheet* Sheet() const override;
};

// ---- TXLCell ---------------------------------------------------------------

class TXLCell : public TXLProCell {
 public:
  static const TXLCellClass ClassInfo;
  TXLCell() = default;
  ~TXLCell() override = default;
  // Cells come from the grid's block pool (XLPool.h): a sheet holds
  // millions of them.
  static void* operator new(std::size_t size) { return XLPoolAllocate(size); }
  static void operator delete(void* block, std::size_t size) noexcept { XLPoolFree(block, size); }

  TXLCellClassRef GetCellClass() const override { return &ClassInfo; }
  // The row holding the cell and the indices in the section.
  TXLRow* Row() const { return row_; }
  int Col() const { return col_; }
  int RowIndex() const;

  TXLSection* GetSection() const override;
  // The merged block when the cell is the origin of one, else the cell.
  TRect GetRect() const override;
  // Resizes the cell's merged block (creating or removing it).
  void SetRect(const TRect& r) override;

  TXLPersistent* GetStyle() const override;
  TXLStyle* Style() const { return look_ ? look_->Style : nullptr; }
  void SetStyle(TXLStyle* style) override;
  void IncludeProp(TXLProp prop, unsigned mask) override;
  void AssignPersistent(const TXLPersistent& source, TXLProp prop, unsigned mask) override;
  const TXLPersistent* GetPropSource(TXLProp prop) const override;
  void Assign(const TXLPersistent& source) override;

  std::string Hint() const;
  void SetHint(const std::string& text);
  std::string Formual() const;
  void SetFormual(const std::string& text);

  // Text width + 2 + Indent and text height + 2 in the cell's font, or
  // (0, 0) for an empty text.
  virtual TSize GetExtent(TCanvas& canvas) const;

  // Record D of the sheet stream: record A, hint, formula, style index, value.
  void ReadFromStream(TStream& stream) override;
  void WriteToStream(TStream& stream) const override;
  // The value bytes of the class.
  virtual void ReadValue(TStream& stream) { (void)stream; }
  virtual void WriteValue(TStream& stream) const { (void)stream; }

  // Construction and destruction hooks of the value classes.
  virtual void Created() {}
  virtual void Destroying() {}

  // Notifications from the grid.
  virtual void Click() {}
  virtual void DblClick() {}
  virtual void KeyPress(char32_t& key) { (void)key; }

 protected:
  // The cell's section base style (the end of every supplier chain).
  const TXLPersistent* BaseStyle() const;

 private:
  friend class TXLRow;
  friend class TXLSection;
  friend class TXLSheet;
  // The style reference (kept with the cell's own look).
  void SetStyleRef(TXLStyle* style) {
    if (style || look_) Look().Style = style;
  }
  // The column first: it fits beside the flags of the base class.
  std::int32_t col_ = 0;
  TXLRow* row_ = nullptr;
};

// Creates a cell of a class (TXLCell itself for an abstract class).
std::unique_ptr<TXLCell> CreateCell(TXLCellClassRef cls);

}  // namespace qv
