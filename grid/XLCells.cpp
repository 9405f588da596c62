#include "grid/XLCells.h"

#include <algorithm>

#include "grid/XLCellClasses.h"
#include "grid/XLSheet.h"
#include "grid/XLStyles.h"
#include "platform/core/DrawText.h"

namespace qv {

namespace {

const TFont& DefaultLookFont() {
  static const TFont font = [] {
    TFont f;
    f.SetName("Arial");
    return f;
  }();
  return font;
}

// Whether two look objects describe the same cell class (editor and format
// indices only mean something within one class).
bool SameClass(const TXLPersistent& a, const TXLPersistent& b) {
  return a.GetCellClass() == b.GetCellClass();
}

}  // namespace

// ---- packing ---------------------------------------------------------------

std::uint32_t PackBorder(const TXLBorder& b) {
  if (b.Color == clNone || b.Width <= 0) return 0;
  return (b.Color & 0x9FFFFFFFu) | (std::uint32_t(std::min(b.Width, 3)) << 29);
}

TXLBorder UnpackBorder(std::uint32_t word) {
  if (word == 0) return {};
  return {int((word >> 29) & 3u), TColor(word & 0x9FFFFFFFu)};
}

std::uint32_t PackColor(TColor c) {
  if (c == clNone) return 0;
  const std::uint32_t v = c & 0x9FFFFFFFu;
  return v == 0 ? 0x20000000u : v;
}

TColor UnpackColor(std::uint32_t word) {
  if (word == 0) return clNone;
  return TColor(word & 0x9FFFFFFFu);
}

std::uint32_t PackLayout(const TXLLayout& l) {
  return (std::uint32_t(std::clamp(l.Indent, 0, 0xFFFF))) |
         (std::uint32_t(l.HorzAlign & 0xF) << 16) | (std::uint32_t(l.VertAlign & 0xF) << 20) |
         (std::uint32_t(l.WrapMode & 0xF) << 24);
}

TXLLayout UnpackLayout(std::uint32_t word) {
  TXLLayout l;
  l.Indent = int(word & 0xFFFF);
  const unsigned h = (word >> 16) & 0xF, v = (word >> 20) & 0xF, w = (word >> 24) & 0xF;
  l.HorzAlign = h <= haCenter ? THorzAlign(h) : haLeft;
  l.VertAlign = v <= vaCenter ? TVertAlign(v) : vaTop;
  l.WrapMode = w <= wmWrapWords ? TWrapMode(w) : wmClip;
  return l;
}

// ---- classes ---------------------------------------------------------------

bool TXLCellClass::InheritsFrom(const TXLCellClass* other) const {
  for (const TXLCellClass* c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

std::int32_t ClassID(TXLCellClassRef cls) {
  if (!cls) return 0;
  std::int32_t sum = 0;
  for (const char* p = cls->Name; *p; ++p) sum += static_cast<unsigned char>(*p);
  return sum;
}

const TXLCellClass TXLCell::ClassInfo{"TXLCell", nullptr, nullptr};

std::unique_ptr<TXLCell> CreateCell(TXLCellClassRef cls) {
  if (cls && cls->Create) return cls->Create();
  return std::make_unique<TXLCell>();
}

// ---- TXLPersistent ---------------------------------------------------------

const TFont& TXLPersistent::Font() const {
  const TXLPersistent* src = GetPropSource(prFont);
  if (src && src != this) return src->Font();
  return HasOwnFont() ? *look_->Font : DefaultLookFont();
}

TFont& TXLPersistent::OwnFont() {
  if (!HasOwnFont()) {
    auto f = std::make_unique<TFont>();
    f->Assign(Font());
    f->OnChange = [this](TGraphicsObject*) { IncludeProp(prFont, 0); };
    Look().Font = std::move(f);
  }
  return *look_->Font;
}

TFont& TXLPersistent::EditFont() {
  if (!HasProp(props_, prFont)) {
    // Start from the font in effect, which may have changed since the
    // font object was made.
    const TXLPersistent* src = GetPropSource(prFont);
    if (HasOwnFont() && src && src != this) {
      TFont& font = *look_->Font;
      auto saved = std::move(font.OnChange);
      font.OnChange = nullptr;
      font.Assign(src->Font());
      font.OnChange = std::move(saved);
    }
  }
  return OwnFont();
}

void TXLPersistent::SetFont(const TFont& font) {
  EditFont().Assign(font);
  if (IsStyle()) IncludeProp(prFont, 0);
}

void TXLPersistent::AssignFont(const TFont& source, unsigned mask) {
  TFont& f = EditFont();
  if (mask == 0) {
    f.Assign(source);
    if (IsStyle()) IncludeProp(prFont, 0);
    return;
  }
  TFontStyles st = f.Style();
  for (int b = 0; b < 4; ++b) {
    if (mask & (1u << b)) {
      if (source.Style().Contains(TFontStyle(b)))
        st.Include(TFontStyle(b));
      else
        st.Exclude(TFontStyle(b));
    }
  }
  f.SetStyle(st);
  if (mask & 16) f.SetName(source.Name());
  if (mask & 32) f.SetHeight(source.Height());
  if (mask & 64) f.SetColor(source.Color());
  if (mask & 128) f.SetCharset(source.Charset());
  if (IsStyle()) IncludeProp(prFont, mask);
}

TXLLayout TXLPersistent::Layout() const { return UnpackLayout(Attr(xaLayout)); }

void TXLPersistent::SetLayoutPart(unsigned mask, const TXLLayout& value) {
  const TXLLayout old = Layout();
  TXLLayout l = old;
  if (mask & 1) l.HorzAlign = value.HorzAlign;
  if (mask & 2) l.VertAlign = value.VertAlign;
  if (mask & 4) l.Indent = std::clamp(value.Indent, 0, 0xFFFF);
  if (mask & 8) l.WrapMode = value.WrapMode;
  if (l == old && !IsStyle()) return;
  SetAttr(xaLayout, PackLayout(l));
  IncludeProp(prLayout, mask);
}

void TXLPersistent::SetHorzAlign(THorzAlign v) {
  TXLLayout l;
  l.HorzAlign = v;
  SetLayoutPart(1, l);
}

void TXLPersistent::SetVertAlign(TVertAlign v) {
  TXLLayout l;
  l.VertAlign = v;
  SetLayoutPart(2, l);
}

void TXLPersistent::SetIndent(int v) {
  TXLLayout l;
  l.Indent = v;
  SetLayoutPart(4, l);
}

void TXLPersistent::SetWrapMode(TWrapMode v) {
  TXLLayout l;
  l.WrapMode = v;
  SetLayoutPart(8, l);
}

TXLSides TXLPersistent::Sides() const {
  TXLSides s = 0;
  for (int side = 0; side < 8; ++side) {
    bool uniform = true;
    if (GetAttr(side, uniform) != 0 && uniform) s |= TXLSides(1u << side);
  }
  return s;
}

void TXLPersistent::SetSides(TXLSides sides) {
  const TXLSides have = Sides();
  for (int side = 0; side < 8; ++side) {
    const bool want = sides & (1u << side);
    const bool has = have & (1u << side);
    if (want && !has) SetBorder(TXLSide(side), {1, clBlack});
    if (!want && has) SetBorder(TXLSide(side), {});
  }
}

TXLBorder TXLPersistent::Border(TXLSide side) const { return UnpackBorder(Attr(side)); }

void TXLPersistent::SetBorder(TXLSide side, const TXLBorder& b) {
  SetAttr(side, PackBorder(b));
  IncludeProp(prBorder, 1u << side);
}

void TXLPersistent::SetBorders(TXLSides sides, const TXLBorder& b) {
  for (int side = 0; side < 8; ++side)
    if (sides & (1u << side)) SetBorder(TXLSide(side), b);
}

int TXLPersistent::Editor() const {
  const TXLPersistent* src = GetPropSource(prControl);
  if (src && src != this) return SameClass(*src, *this) ? src->Editor() : 0;
  return OwnEditor();
}

const std::string& TXLPersistent::OwnFormat() const {
  static const std::string empty;
  return look_ ? look_->Format : empty;
}

void TXLPersistent::StoreFormat(const std::string& v) {
  if (!v.empty())
    Look().Format = v;
  else if (look_)
    look_->Format.clear();
}

std::string TXLPersistent::Format() const {
  const TXLPersistent* src = GetPropSource(prControl);
  if (src && src != this) return SameClass(*src, *this) ? src->Format() : std::string();
  return OwnFormat();
}

// Before an object assigns one part of the control group itself, it takes
// over the inherited values of the other parts.
static void takeOverControl(TXLPersistent& p, int& editor, std::string& format) {
  editor = p.Editor();
  format = p.Format();
}

void TXLPersistent::SetEditor(int v) {
  const int count = TXLManager::Instance().EditorCount(GetCellClass());
  if (v < 0 || v >= count) v = 0;
  int editor;
  std::string format;
  takeOverControl(*this, editor, format);
  StoreFormat(format);
  StoreEditor(v);
  IncludeProp(prControl, 2);
}

void TXLPersistent::SetFormat(const std::string& v) {
  int editor;
  std::string format;
  takeOverControl(*this, editor, format);
  StoreEditor(editor);
  StoreFormat(v);
  FormatChanged();
  IncludeProp(prControl, 4);
}

void TXLPersistent::SetProps(TXLProps props) {
  props &= kAllProps;
  const TXLProps old = props_;
  if (props == old) return;
  // Values assigned now and kept: the object takes over what it shows.
  if (!HasProp(old, prFont) && HasProp(props, prFont)) EditFont();
  if (!HasProp(old, prControl) && HasProp(props, prControl)) {
    int editor;
    std::string format;
    takeOverControl(*this, editor, format);
    StoreEditor(editor);
    StoreFormat(format);
  }
  props_ = props;
  for (int p = prControl; p <= prStyles; ++p) {
    if (HasProp(old, TXLProp(p)) && !HasProp(props, TXLProp(p))) RefreshGroup(TXLProp(p));
  }
}

TXLFrame TXLPersistent::Frame() const {
  const std::uint32_t v = Attr(xaFrame);
  return v <= frBevelDown ? TXLFrame(v) : frNone;
}

void TXLPersistent::SetFrame(TXLFrame v) {
  SetAttr(xaFrame, v);
  IncludeProp(prFrame, 0);
}

TColor TXLPersistent::Color() const { return UnpackColor(Attr(xaColor)); }

void TXLPersistent::SetColor(TColor c) {
  SetAttr(xaColor, PackColor(c));
  IncludeProp(prColor, 0);
}

TXLCellStyles TXLPersistent::Styles() const { return TXLCellStyles(Attr(xaStyles) & 0x1F); }

void TXLPersistent::SetStyles(TXLCellStyles v) {
  SetAttr(xaStyles, v & 0x1F);
  IncludeProp(prStyles, 0);
}

void TXLPersistent::IncludeProp(TXLProp prop, unsigned) {
  if (!(state_ & xsAssigning)) props_ |= PropBit(prop);
}

const TXLPersistent* TXLPersistent::GetPropSource(TXLProp prop) const {
  for (const TXLPersistent* p = this; p; p = p->GetStyle())
    if (HasProp(p->props_, prop)) return p;
  return nullptr;
}

void TXLPersistent::RefreshGroup(TXLProp prop) {
  // Font and control read through the supplier by themselves.
  if (prop == prFont || prop == prControl || prop == prBasedOn) return;
  const TXLPersistent* src = GetPropSource(prop);
  if (!src || src == this) return;
  TXLAssigning guard(*this);
  AssignPersistent(*src, prop, 0);
}

void TXLPersistent::AssignPersistent(const TXLPersistent& source, TXLProp prop, unsigned mask) {
  switch (prop) {
    case prBasedOn:
      SetStyle(dynamic_cast<TXLStyle*>(source.GetStyle()));
      break;
    case prControl:
      if (mask == 0 || (mask & 1)) SetCellClass(source.GetCellClass());
      if (SameClass(source, *this)) {
        if (mask == 0 || (mask & 2)) SetEditor(source.Editor());
        if (mask == 0 || (mask & 4)) SetFormat(source.Format());
      }
      break;
    case prLayout:
      SetLayoutPart(mask == 0 ? 15u : mask, source.Layout());
      break;
    case prColor:
      SetAttr(xaColor, source.Attr(xaColor));
      IncludeProp(prColor, 0);
      break;
    case prFrame:
      SetAttr(xaFrame, source.Attr(xaFrame));
      IncludeProp(prFrame, 0);
      break;
    case prStyles:
      SetAttr(xaStyles, source.Attr(xaStyles));
      IncludeProp(prStyles, 0);
      break;
    case prFont:
      AssignFont(source.Font(), mask);
      break;
    case prBorder:
      if (source.IsStyle()) {
        const TXLSides sides = source.Sides();
        for (int side = 0; side < 8; ++side)
          if (sides & (1u << side)) SetBorder(TXLSide(side), source.Border(TXLSide(side)));
      }
      break;
    default:
      break;
  }
}

void TXLPersistent::Assign(const TXLPersistent& source) {
  for (int p = prControl; p <= prStyles; ++p) {
    if (HasProp(source.Props(), TXLProp(p))) AssignPersistent(source, TXLProp(p), 0);
  }
}

void TXLPersistent::WriteFont(TStream& stream, const TFont& font) {
  WriteString(stream, font.Name());
  WriteInteger(stream, font.Charset());
  WriteInteger(stream, static_cast<std::int32_t>(font.Style().Bits()));
  WriteInteger(stream, font.Height());
  WriteInteger(stream, static_cast<std::int32_t>(font.Color()));
}

void TXLPersistent::ReadFont(TStream& stream, TFont& font) {
  auto saved = std::move(font.OnChange);
  font.OnChange = nullptr;
  const std::string name = ReadString(stream);
  font.SetName(name.empty() ? std::string("Arial") : name);
  font.SetCharset(static_cast<std::uint8_t>(ReadInteger(stream)));
  font.SetStyle(TFontStyles::FromBits(static_cast<unsigned>(ReadInteger(stream))));
  font.SetHeight(ReadInteger(stream));
  font.SetColor(static_cast<TColor>(ReadInteger(stream)));
  font.OnChange = std::move(saved);
}

void TXLPersistent::ReadPersistent(TStream& stream, bool withClassId) {
  TXLAssigning guard(*this);
  props_ = ReadWord(stream) & kAllProps;
  if (HasProp(props_, prFont)) ReadFont(stream, OwnFont());
  if (HasProp(props_, prControl)) {
    if (withClassId) {
      if (TXLCellClassRef cls = TXLManager::Instance().FindClass(ReadInteger(stream)))
        SetStoredCellClass(cls);
    }
    const TXLManager& manager = TXLManager::Instance();
    std::int32_t editor = ReadInteger(stream);
    if (editor < 0 || editor >= manager.EditorCount(GetCellClass())) editor = 0;
    const std::int32_t index = ReadInteger(stream);
    std::string format;
    if (index == -1) {
      format = ReadString(stream);
    } else if (const TStringList* formats = manager.Formats(GetCellClass())) {
      // An index outside the list means no format.
      if (index >= 0 && index < formats->Count()) format = formats->Get(index);
    }
    StoreEditor(editor);
    StoreFormat(format);
    FormatChanged();
  }
}

void TXLPersistent::WritePersistent(TStream& stream, bool withClassId, TXLProps props) const {
  WriteWord(stream, props);
  if (HasProp(props, prFont)) WriteFont(stream, HasOwnFont() ? *look_->Font : Font());
  if (HasProp(props, prControl)) {
    if (withClassId) WriteInteger(stream, ClassID(GetCellClass()));
    WriteInteger(stream, OwnEditor());
    const std::string& format = OwnFormat();
    int index = -1;
    if (const TStringList* formats = TXLManager::Instance().Formats(GetCellClass())) {
      for (int i = 0; i < formats->Count(); ++i) {
        if (formats->Get(i) == format) {
          index = i;
          break;
        }
      }
    }
    WriteInteger(stream, index);
    if (index == -1) WriteString(stream, format);
  }
}

void TXLPersistent::ReadFromStream(TStream& stream) { ReadPersistent(stream, false); }

void TXLPersistent::WriteToStream(TStream& stream) const { WritePersistent(stream, false, props_); }

// ---- TXLValue --------------------------------------------------------------

std::string TXLValue::GetText() const {
  std::string text;
  CalcText(text);
  state_ &= std::uint8_t(~xsStale);
  return text;
}

void TXLValue::ValueChanged() {
  SetStateFlag(xsStale, true);
  IncludeProp(prValue, 0);
}

void TXLValue::SetAsVariant(const TVariant&) { ValueChanged(); }

void TXLValue::DrawValue(TXLDrawInfo& info, const TRect& r) {
  const std::string text = GetText();
  if (text.empty() || !info.Canvas) return;
  TCanvas& c = *info.Canvas;
  unsigned flags = DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS;
  if (info.Layout.HorzAlign == haRight) flags |= DT_RIGHT;
  if (info.Layout.HorzAlign == haCenter) flags |= DT_CENTER;
  if (info.Layout.WrapMode == wmEllipsis) flags |= DT_END_ELLIPSIS;
  if (info.Layout.WrapMode == wmWrapWords) flags |= DT_WORDBREAK;
  TRect box = r;
  if (info.Layout.VertAlign != vaTop) {
    TRect calc(r.Left, r.Top, r.Right, r.Top + 65535);
    const int h = DrawText(c, text, calc, flags | DT_CALCRECT);
    if (info.Layout.VertAlign == vaBottom)
      box.Top = r.Bottom - h;
    else
      box.Top = (r.Top + r.Bottom - h) / 2;
  }
  DrawText(c, text, box, flags);
}

void TXLValue::AssignPersistent(const TXLPersistent& source, TXLProp prop, unsigned mask) {
  if (prop == prValue) {
    if (const auto* v = dynamic_cast<const TXLValue*>(&source)) {
      if (TXLPicture* pic = v->GetAsPicture())
        SetAsPicture(*pic);
      else if (TStringList* items = v->GetAsStrings(); items && GetAsStrings())
        SetAsStrings(items->ToVector());
      else
        SetAsVariant(v->GetAsVariant());
      if (v->GetCellClass() == GetCellClass() && v->Format() != Format()) SetFormat(v->Format());
    }
    return;
  }
  TXLPersistent::AssignPersistent(source, prop, mask);
}

// ---- TXLProCell ------------------------------------------------------------

std::uint32_t TXLProCell::GetAttr(int id, bool& uniform) const {
  const TXLSection* s = GetSection();
  if (!s) return 0;
  return s->GetAttr(GetRect(), id, uniform);
}

void TXLProCell::SetAttr(int id, std::uint32_t value) {
  if (TXLSection* s = GetSection()) s->SetAttr(GetRect(), id, value);
}

TXLSheet* TXLProCell::Sheet() const {
  const TXLSection* s = GetSection();
  return s ? s->Sheet() : nullptr;
}

void TXLProCell::SetWidth(int w) {
  TRect r = GetRect();
  r.Right = r.Left + std::max(1, w);
  SetRect(r);
}

void TXLProCell::SetHeight(int h) {
  TRect r = GetRect();
  r.Bottom = r.Top + std::max(1, h);
  SetRect(r);
}

// ---- TXLCell ---------------------------------------------------------------

int TXLCell::RowIndex() const { return row_ ? row_->Index() : 0; }

TXLSection* TXLCell::GetSection() const { return row_ ? row_->Section() : nullptr; }

TRect TXLCell::GetRect() const {
  if (state_ & xsUnion) {
    if (const TXLSection* s = GetSection()) {
      for (const auto& u : s->Unions())
        if (u->Origin == this) return u->Rect;
    }
  }
  const int r = RowIndex();
  return TRect(col_, r, col_ + 1, r + 1);
}

void TXLCell::SetRect(const TRect& r) {
  TXLSection* s = GetSection();
  if (!s) return;
  TRect want(col_, RowIndex(), col_ + std::max(1, r.Width()), RowIndex() + std::max(1, r.Height()));
  IntersectRect(want, want, s->Extent());
  TXLUnion* own = nullptr;
  for (const auto& u : s->Unions())
    if (u->Origin == this) own = u.get();
  if (want.Width() >= 2 || want.Height() >= 2) {
    // Blocks that the new rectangle would overlap go.
    while (TXLUnion* other = s->FindUnion(want, own)) s->RemoveUnion(other);
    if (own) {
      const TRect old = own->Rect;
      own->Rect = want;
      if (TXLSheet* sh = s->Sheet()) {
        TRect both;
        UnionRect(both, old, want);
        sh->NotifyInvalidate(*s, both, true);
      }
    } else {
      own = s->AddUnion(want);
      own->Origin = this;
      if (TXLSheet* sh = s->Sheet()) sh->NotifyInvalidate(*s, want, true);
    }
    SetStateFlag(xsUnion, true);
  } else {
    if (own) s->RemoveUnion(own);
    SetStateFlag(xsUnion, false);
  }
  if (TXLSheet* sh = s->Sheet()) sh->SetModified(true);
}

TXLPersistent* TXLCell::GetStyle() const { return Style(); }

void TXLCell::SetStyle(TXLStyle* style) {
  if (style) {
    const TXLSheet* sheet = Sheet();
    if (!sheet || style->Styler() != sheet->Styler())
      throw EXLGridError("Cannot use Style from disconnected Styler!");
  }
  if (style == Style() && !(state_ & xsStyle)) return;
  SetStyleRef(style);
  IncludeProp(prBasedOn, 0);
  if (Style()) {
    for (int p = prLayout; p <= prStyles; ++p) {
      if (!HasProp(props_, TXLProp(p))) RefreshGroup(TXLProp(p));
    }
  }
}

const TXLPersistent* TXLCell::BaseStyle() const {
  const TXLSection* s = GetSection();
  return s ? &s->BaseStyle() : nullptr;
}

const TXLPersistent* TXLCell::GetPropSource(TXLProp prop) const {
  if (const TXLPersistent* p = TXLPersistent::GetPropSource(prop)) return p;
  return BaseStyle();
}

void TXLCell::IncludeProp(TXLProp prop, unsigned mask) {
  TXLSheet* sheet = Sheet();
  if (prop == prBasedOn && !Style()) {
    if (!(state_ & xsAssigning))
      props_ &= TXLProps(PropBit(prHint) | PropBit(prFormual) | PropBit(prValue));
    for (int p = prLayout; p <= prStyles; ++p) {
      if (!HasProp(props_, TXLProp(p))) RefreshGroup(TXLProp(p));
    }
    if (sheet) sheet->SetModified(true);
    return;
  }
  TXLPersistent::IncludeProp(prop, mask);
  if (!sheet) return;
  if (prop != prColor && prop != prBorder && prop != prFrame) {
    if (!(state_ & xsReported) && !sheet->Links().empty()) {
      SetStateFlag(xsReported, true);
      sheet->NotifyInvalidate(*GetSection(), GetRect(), false);
    }
    if ((prop == prControl || prop == prLayout || prop == prFont) && (state_ & xsEditing) &&
        !(state_ & xsAssigning))
      sheet->NotifyCellChanged(*this, prop);
    if (prop == prValue) sheet->CellValueChanged(*this);
  }
  sheet->SetModified(true);
}

void TXLCell::AssignPersistent(const TXLPersistent& source, TXLProp prop, unsigned mask) {
  if (prop == prHint || prop == prFormual) {
    const auto* cell = dynamic_cast<const TXLCell*>(&source);
    if (prop == prHint) SetHint(cell ? cell->Hint() : std::string());
    if (prop == prFormual) SetFormual(cell ? cell->Formual() : std::string());
    return;
  }
  TXLValue::AssignPersistent(source, prop, mask);
}

void TXLCell::Assign(const TXLPersistent& source) {
  const auto* src = dynamic_cast<const TXLCell*>(&source);
  if (!src) {
    TXLPersistent::Assign(source);
    return;
  }
  const TXLSheet* sheet = Sheet();
  if (TXLStyle* style = src->Style(); style && sheet && style->Styler() == sheet->Styler())
    SetStyle(style);
  if (HasProp(src->Props(), prControl) && SameClass(*src, *this)) {
    StoreEditor(src->OwnEditor());
    StoreFormat(src->OwnFormat());
    FormatChanged();
    IncludeProp(prControl, 0);
  }
  if (HasProp(src->Props(), prFont)) {
    EditFont().Assign(src->Font());
    IncludeProp(prFont, 0);
  }
  AssignPersistent(*src, prValue, 0);
  SetHint(src->Hint());
  SetFormual(src->Formual());
}

std::string TXLCell::Hint() const {
  if (!HasProp(props_, prHint)) return {};
  const TXLSection* s = GetSection();
  const std::string* h = s ? s->FindHint(this) : nullptr;
  return h ? *h : std::string();
}

void TXLCell::SetHint(const std::string& text) {
  TXLSection* s = GetSection();
  if (!s) return;
  if (text.empty()) {
    if (!HasProp(props_, prHint) && !s->FindHint(this)) return;
    s->StoreHint(this, {});
    IncludeProp(prHint, 0);
    props_ &= TXLProps(~PropBit(prHint));
    return;
  }
  s->StoreHint(this, text);
  IncludeProp(prHint, 0);
}

std::string TXLCell::Formual() const {
  if (!HasProp(props_, prFormual)) return {};
  const TXLSection* s = GetSection();
  const std::string* f = s ? s->FindFormual(this) : nullptr;
  return f ? *f : std::string();
}

void TXLCell::SetFormual(const std::string& text) {
  TXLSection* s = GetSection();
  if (!s) return;
  if (text.empty()) {
    if (!HasProp(props_, prFormual) && !s->FindFormual(this)) return;
    s->StoreFormual(this, {});
    IncludeProp(prFormual, 0);
    props_ &= TXLProps(~PropBit(prFormual));
    return;
  }
  s->StoreFormual(this, text);
  IncludeProp(prFormual, 0);
}

TSize TXLCell::GetExtent(TCanvas& canvas) const {
  const std::string text = GetText();
  if (text.empty()) return {0, 0};
  canvas.Font.Assign(Font());
  TRect r(0, 0, 0, 0);
  DrawText(canvas, text, r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  return {r.Width() + 2 + Indent(), r.Height() + 2};
}

void TXLCell::ReadFromStream(TStream& stream) {
  ReadPersistent(stream, false);
  TXLSection* s = GetSection();
  TXLAssigning guard(*this);
  if (HasProp(props_, prHint)) {
    const std::string h = ReadString(stream);
    if (s) s->StoreHint(this, h);
    if (h.empty()) props_ &= TXLProps(~PropBit(prHint));
  }
  if (HasProp(props_, prFormual)) {
    const std::string f = ReadString(stream);
    if (s) s->StoreFormual(this, f);
    if (f.empty()) props_ &= TXLProps(~PropBit(prFormual));
  }
  if (HasProp(props_, prBasedOn)) {
    const std::int32_t index = ReadInteger(stream);
    if (s) s->pendingStyles_[this] = index;
  }
  ReadValue(stream);
  SetStateFlag(xsStale, true);
}

void TXLCell::WriteToStream(TStream& stream) const {
  TXLProps props = props_;
  const TXLStyler* styler = nullptr;
  if (const TXLSheet* sheet = Sheet()) styler = sheet->Styler();
  const int styleIndex = Style() && styler ? styler->IndexOf(Style()) : -1;
  if (styleIndex < 0) props &= TXLProps(~PropBit(prBasedOn));
  WritePersistent(stream, false, props);
  if (HasProp(props, prHint)) WriteString(stream, Hint());
  if (HasProp(props, prFormual)) WriteString(stream, Formual());
  if (HasProp(props, prBasedOn)) WriteInteger(stream, styleIndex);
  WriteValue(stream);
}

}  // namespace qv
