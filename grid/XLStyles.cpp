#include "grid/XLStyles.h"

#include <algorithm>

#include "grid/XLCellClasses.h"
#include "grid/XLSheet.h"

namespace qv {

// ---- TXLProStyle -----------------------------------------------------------

TXLProStyle::TXLProStyle() : cellClass_(&TXLCString::ClassInfo) { state_ |= xsStyle; }

void TXLProStyle::SetCellClass(TXLCellClassRef cls) {
  if (!cls || !cls->Create) return;
  cellClass_ = cls;
  IncludeProp(prControl, 1);
}

std::uint32_t TXLProStyle::GetAttr(int id, bool&) const {
  return id >= 0 && id < kXLAttrCount ? attrs_[id] : 0;
}

void TXLProStyle::SetAttr(int id, std::uint32_t value) {
  if (id >= 0 && id < kXLAttrCount) attrs_[id] = value;
}

const TXLPersistent* TXLProStyle::GetPropSource(TXLProp prop) const {
  return HasProp(props_, prop) ? this : nullptr;
}

void TXLProStyle::IncludeProp(TXLProp prop, unsigned mask) {
  TXLPersistent::IncludeProp(prop, mask);
  if (!(state_ & xsAssigning)) StyleChanged(prop, -1);
}

void TXLProStyle::ReadFromStream(TStream& stream) {
  ReadPersistent(stream, true);
  for (std::uint32_t& a : attrs_) a = static_cast<std::uint32_t>(ReadInteger(stream));
}

void TXLProStyle::WriteToStream(TStream& stream) const {
  WritePersistent(stream, true, props_);
  for (std::uint32_t a : attrs_) WriteInteger(stream, static_cast<std::int32_t>(a));
}

// ---- TXLBaseStyle ----------------------------------------------------------

TXLBaseStyle::TXLBaseStyle(TXLSheet* sheet, int index) : sheet_(sheet), index_(index) { Reset(); }

void TXLBaseStyle::Reset() {
  TXLAssigning guard(*this);
  props_ = kAllProps;
  TFont& f = OwnFont();
  auto saved = std::move(f.OnChange);
  f.OnChange = nullptr;
  f.Assign(TFont());
  f.SetName("Arial");
  f.OnChange = std::move(saved);
  cellClass_ = &TXLCString::ClassInfo;
  StoreEditor(0);
  StoreFormat({});
  std::fill(std::begin(attrs_), std::end(attrs_), 0u);
  if (index_ == 0) {
    attrs_[xaColor] = PackColor(clWindow);
    attrs_[xaLayout] = 0x02100000u;  // haLeft, vaBottom, wmWrapWords
    errorColor_ = clRed;
    linesColor_ = clBtnFace;
  } else {
    attrs_[xaColor] = PackColor(clBtnFace);
    attrs_[xaFrame] = frFlatUp;
    attrs_[xaLayout] = 0x00220000u;  // haCenter, vaCenter, wmClip
    errorColor_ = clRed;
    linesColor_ = clBlack;
  }
}

void TXLBaseStyle::SetErrorColor(TColor c) {
  if (c == errorColor_) return;
  errorColor_ = c;
  StyleChanged(prColor, -1);
}

void TXLBaseStyle::SetLinesColor(TColor c) {
  if (c == linesColor_) return;
  linesColor_ = c;
  StyleChanged(prColor, -1);
}

void TXLBaseStyle::ReadFromStream(TStream& stream) {
  TXLProStyle::ReadFromStream(stream);
  errorColor_ = static_cast<TColor>(ReadInteger(stream));
  linesColor_ = static_cast<TColor>(ReadInteger(stream));
}

void TXLBaseStyle::WriteToStream(TStream& stream) const {
  TXLProStyle::WriteToStream(stream);
  WriteInteger(stream, static_cast<std::int32_t>(errorColor_));
  WriteInteger(stream, static_cast<std::int32_t>(linesColor_));
}

void TXLBaseStyle::StyleChanged(TXLProp, int) {
  if (sheet_) sheet_->BaseStyleChanged(index_);
}

// ---- TXLStyle --------------------------------------------------------------

TXLStyle::TXLStyle(TXLStyler* styler) : styler_(styler) {}

TXLStyle::~TXLStyle() = default;

void TXLStyle::SetAlias(const std::string& alias) {
  if (alias == alias_) return;
  if (styler_) {
    TXLStyle* other = styler_->FindByAlias(alias);
    if (other && other != this) throw EXLGridError("Style named " + alias + " already exists!");
  }
  alias_ = alias;
  if (styler_) styler_->SetModified(true);
}

void TXLStyle::ReadFromStream(TStream& stream) {
  TXLProStyle::ReadFromStream(stream);
  alias_ = ReadString(stream);
}

void TXLStyle::WriteToStream(TStream& stream) const {
  TXLProStyle::WriteToStream(stream);
  WriteString(stream, alias_);
}

void TXLStyle::StyleChanged(TXLProp prop, int) {
  if (styler_) styler_->StyleChanged(*this, prop);
}

// ---- TXLStyler -------------------------------------------------------------

TXLStyler::TXLStyler() = default;

TXLStyler::~TXLStyler() {
  destroying_ = true;
  const std::vector<TXLSheet*> sheets = sheets_;
  for (TXLSheet* s : sheets) s->SetStyler(nullptr);
  styles_.clear();
}

TXLStyle* TXLStyler::Styles(int index) const {
  return index >= 0 && index < Count() ? styles_[index].get() : nullptr;
}

TXLStyle* TXLStyler::FindByAlias(const std::string& alias) const {
  for (const auto& s : styles_)
    if (s->Alias() == alias) return s.get();
  return nullptr;
}

int TXLStyler::IndexOf(const TXLStyle* style) const {
  for (std::size_t i = 0; i < styles_.size(); ++i)
    if (styles_[i].get() == style) return static_cast<int>(i);
  return -1;
}

TXLStyle* TXLStyler::Add() {
  styles_.push_back(std::make_unique<TXLStyle>(this));
  SetModified(true);
  return styles_.back().get();
}

void TXLStyler::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  StyleDestroying(*styles_[index]);
  styles_.erase(styles_.begin() + index);
  SetModified(true);
}

void TXLStyler::Clear() {
  while (!styles_.empty()) Delete(Count() - 1);
}

void TXLStyler::SetModified(bool v) {
  if (v == modified_) return;
  modified_ = v;
  if (OnModified) OnModified(*this);
}

void TXLStyler::StyleChanged(TXLStyle& style, TXLProp prop) {
  for (TXLSheet* sheet : sheets_) {
    for (int k = 0; k < 4; ++k) {
      TXLSection& s = sheet->Section(k);
      s.ForEachCellIn(TRect(0, 0, INT32_MAX, INT32_MAX), [&](TXLCell* cell) {
        if (cell->Style() != &style) return;
        if (!HasProp(cell->Props(), prop)) cell->RefreshGroup(prop);
        sheet->NotifyInvalidate(s, cell->GetRect(), prop == prBorder);
      });
    }
  }
  if (OnChange) OnChange(*this);
  SetModified(true);
}

void TXLStyler::StyleDestroying(TXLStyle& style) {
  for (TXLSheet* sheet : sheets_) {
    for (int k = 0; k < 4; ++k) {
      std::vector<TXLCell*> users;
      sheet->Section(k).ForEachCellIn(TRect(0, 0, INT32_MAX, INT32_MAX), [&](TXLCell* cell) {
        if (cell->Style() == &style) users.push_back(cell);
      });
      for (TXLCell* cell : users) cell->SetStyle(nullptr);
    }
  }
}

void TXLStyler::ReadStyles(TStream& stream) {
  const std::int32_t n = ReadInteger(stream);
  // Each record takes at least its Props word, the twelve attributes and
  // the alias length.
  if (n < 0 || n > stream.Remaining() / 54)
    throw EXLGridError("Corrupt XLGrid stream: bad style count");
  for (std::int32_t i = 0; i < n; ++i) {
    styles_.push_back(std::make_unique<TXLStyle>(this));
    styles_.back()->ReadFromStream(stream);
  }
  SetModified(false);
}

void TXLStyler::WriteStyles(TStream& stream) const {
  WriteInteger(stream, Count());
  for (const auto& s : styles_) s->WriteToStream(stream);
}

}  // namespace qv
