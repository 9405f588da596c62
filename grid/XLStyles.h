// Styles: look objects that keep their twelve attributes in themselves.
//
// TXLBaseStyle  the two base styles a sheet owns (client, titles); the end
//               of every cell's supplier chain, and the class of cells
//               created on demand. Adds ErrorColor and LinesColor (the
//               colour of the grid lines).
// TXLStyle      a named style (Alias) held by a TXLStyler and shared by the
//               sheets linked to that styler; cells refer to it (prBasedOn).
// TXLStyler     the owner of named styles; its styles travel in the
//               binary property "Styles" (ReadStyles/WriteStyles).
//
// A style always stores what is assigned (state flag 8), so assigning a
// value equal to the current one still marks the property as assigned.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/XLCells.h"

namespace qv {

class TXLStyler;
class TClassInfo;

class TXLProStyle : public TXLPersistent {
 public:
  TXLProStyle();

  TXLCellClassRef GetCellClass() const override { return cellClass_; }
  void SetCellClass(TXLCellClassRef cls) override;
  std::uint32_t GetAttr(int id, bool& uniform) const override;
  void SetAttr(int id, std::uint32_t value) override;
  const TXLPersistent* GetPropSource(TXLProp prop) const override;
  void IncludeProp(TXLProp prop, unsigned mask) override;

  // Record B: record A (with the class id) and the twelve attributes.
  void ReadFromStream(TStream& stream) override;
  void WriteToStream(TStream& stream) const override;

  std::uint32_t RawAttr(int id) const { return attrs_[id]; }

 protected:
  void SetStoredCellClass(TXLCellClassRef cls) override { cellClass_ = cls; }
  // Called after a group changed (attributes, font, control).
  virtual void StyleChanged(TXLProp prop, int attrId) {
    (void)prop;
    (void)attrId;
  }

  std::uint32_t attrs_[kXLAttrCount] = {};
  TXLCellClassRef cellClass_;
};

// The base style of a sheet's sections (0: client, 1: titles).
class TXLBaseStyle : public TXLProStyle {
 public:
  TXLBaseStyle(TXLSheet* sheet, int index);

  TXLSheet* Sheet() const override { return sheet_; }
  int Index() const { return index_; }
  TColor ErrorColor() const { return errorColor_; }
  void SetErrorColor(TColor c);
  TColor LinesColor() const { return linesColor_; }
  void SetLinesColor(TColor c);
  // Back to the defaults of a new sheet.
  void Reset();

  // Record C: record B, ErrorColor, LinesColor.
  void ReadFromStream(TStream& stream) override;
  void WriteToStream(TStream& stream) const override;

 protected:
  void StyleChanged(TXLProp prop, int attrId) override;

 private:
  TXLSheet* sheet_;
  int index_;
  TColor errorColor_ = clRed;
  TColor linesColor_ = clBtnFace;
};

class TXLStyle : public TXLProStyle {
 public:
  // A style belongs to the styler that made it (TXLStyler::Add).
  explicit TXLStyle(TXLStyler* styler);
  ~TXLStyle() override;

  TXLStyler* Styler() const { return styler_; }
  const std::string& Alias() const { return alias_; }
  // EXLGridError "Style named <alias> already exists!" when another style
  // of the styler has the alias; the style's own alias changes nothing.
  void SetAlias(const std::string& alias);

  // Record S: record B and the alias.
  void ReadFromStream(TStream& stream) override;
  void WriteToStream(TStream& stream) const override;

 protected:
  void StyleChanged(TXLProp prop, int attrId) override;

 private:
  friend class TXLStyler;
  TXLStyler* styler_;
  std::string alias_;
};

class TXLStyler {
 public:
  TXLStyler();
  ~TXLStyler();
  TXLStyler(const TXLStyler&) = delete;
  TXLStyler& operator=(const TXLStyler&) = delete;

  std::string Name;  // component name

  int Count() const { return static_cast<int>(styles_.size()); }
  TXLStyle* Styles(int index) const;  // null outside 0..Count-1
  // Exact, case-sensitive comparison; null when none.
  TXLStyle* FindByAlias(const std::string& alias) const;
  int IndexOf(const TXLStyle* style) const;  // -1 when absent
  // A new style at the end (its alias empty until set).
  TXLStyle* Add();
  // Frees a style; the cells using it lose it.
  void Delete(int index);
  void Clear();

  bool Modified() const { return modified_; }
  void SetModified(bool v);
  std::function<void(TXLStyler&)> OnChange;
  std::function<void(TXLStyler&)> OnModified;

  // The binary property "Styles": int32 count, then each style as record
  // S. Reading appends the styles read and clears Modified.
  void ReadStyles(TStream& stream);
  void WriteStyles(TStream& stream) const;

  const std::vector<TXLSheet*>& Sheets() const { return sheets_; }

  // The description for the component stream: a component with the
  // defined binary property "Styles" (written when it holds styles).
  static const TClassInfo& ClassInfo();
  const std::string& GetName() const { return Name; }
  void SetName(const std::string& name) { Name = name; }

 private:
  friend class TXLSheet;
  friend class TXLStyle;
  void StyleChanged(TXLStyle& style, TXLProp prop);
  void StyleDestroying(TXLStyle& style);
  std::vector<std::unique_ptr<TXLStyle>> styles_;
  std::vector<TXLSheet*> sheets_;
  bool modified_ = false;
  bool destroying_ = false;
};

}  // namespace qv
