#include "grid/XLCellClasses.h"

#include <algorithm>
#include <cmath>

#include "grid/XLMask.h"
#include "grid/XLSheet.h"
#include "platform/core/Services.h"

namespace qv {

namespace {

template <class T>
std::unique_ptr<TXLCell> make() {
  return std::make_unique<T>();
}

std::string joinLines(const TStringList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) {
    if (i) out += "\r\n";
    out += list.Get(i);
  }
  return out;
}

std::string maskText(const std::string& format, const std::string& text) {
  const std::string display = DisplayFormat(format);
  return display.empty() ? text : FormatMaskText(display, text);
}

}  // namespace

const TXLCellClass TXLCString::ClassInfo{"TXLCString", &TXLCell::ClassInfo, &make<TXLCString>};
const TXLCellClass TXLCStrings::ClassInfo{"TXLCStrings", &TXLCString::ClassInfo,
                                          &make<TXLCStrings>};
const TXLCellClass TXLCUrl::ClassInfo{"TXLCUrl", &TXLCString::ClassInfo, &make<TXLCUrl>};
const TXLCellClass TXLCNumber::ClassInfo{"TXLCNumber", &TXLCell::ClassInfo, nullptr};
const TXLCellClass TXLCInteger::ClassInfo{"TXLCInteger", &TXLCNumber::ClassInfo,
                                          &make<TXLCInteger>};
const TXLCellClass TXLCDouble::ClassInfo{"TXLCDouble", &TXLCNumber::ClassInfo, &make<TXLCDouble>};
const TXLCellClass TXLCCurrency::ClassInfo{"TXLCCurrency", &TXLCNumber::ClassInfo,
                                           &make<TXLCCurrency>};
const TXLCellClass TXLCDateTime::ClassInfo{"TXLCDateTime", &TXLCell::ClassInfo,
                                           &make<TXLCDateTime>};
const TXLCellClass TXLCBoolean::ClassInfo{"TXLCBoolean", &TXLCell::ClassInfo, &make<TXLCBoolean>};
const TXLCellClass TXLCPicture::ClassInfo{"TXLCPicture", &TXLCell::ClassInfo, &make<TXLCPicture>};

std::string DisplayFormat(const std::string& format) {
  const std::size_t bar = format.find('|');
  return bar == std::string::npos ? format : format.substr(0, bar);
}

std::string FormatNumber(double value, const std::string& displayFormat) {
  const std::size_t semi = displayFormat.find(';');
  std::string picture;
  if (value > 0) {
    picture = semi == std::string::npos ? displayFormat : displayFormat.substr(0, semi);
  } else {
    const bool hasSecond = semi != std::string::npos && semi + 1 < displayFormat.size();
    picture = hasSecond
                  ? displayFormat
                  : (semi == std::string::npos ? displayFormat : displayFormat.substr(0, semi));
  }
  if (picture.find('%') != std::string::npos) value *= 100;
  return FormatFloat(picture, value);
}

// ---- TXLCString and its descendants ----------------------------------------

void TXLCellText::Release() {
  if (!OnHeap()) return;
  char* p;
  std::memcpy(&p, bytes_, sizeof p);
  delete[] p;
  bytes_[15] = 15;
}

void TXLCellText::Assign(std::string_view v) {
  if (v.size() <= 15) {
    char in[16];
    std::memcpy(in, v.data(), v.size());
    Release();
    std::memcpy(bytes_, in, v.size());
    bytes_[15] = static_cast<char>(15 - v.size());
    return;
  }
  if (v.size() > UINT32_MAX) throw EXLGridError("Cell text too long");
  char* p = new char[v.size()];
  std::memcpy(p, v.data(), v.size());
  Release();
  const auto n = static_cast<std::uint32_t>(v.size());
  std::memcpy(bytes_, &p, sizeof p);
  std::memcpy(bytes_ + 8, &n, sizeof n);
  bytes_[15] = static_cast<char>(0xFF);
}

void TXLCString::SetAsString(const std::string& v) {
  if (text_.View() == v) return;
  text_.Assign(v);
  ValueChanged();
}

void TXLCString::CalcText(std::string& text) const { text = maskText(Format(), text_.Str()); }

void TXLCString::ReadValue(TStream& stream) { text_.Assign(ReadString(stream)); }

void TXLCString::WriteValue(TStream& stream) const { WriteString(stream, text_.View()); }

std::string TXLCStrings::GetAsString() const { return joinLines(*items_); }

void TXLCStrings::SetAsString(const std::string& v) {
  if (v == GetAsString()) return;
  items_->SetText(v);
  ValueChanged();
}

void TXLCStrings::SetAsStrings(const std::vector<std::string>& lines) {
  if (lines == items_->ToVector()) return;
  items_->Clear();
  items_->AddStrings(lines);
  ValueChanged();
}

void TXLCStrings::SetAsInteger(std::int32_t v) {
  if (v == itemIndex_) return;
  itemIndex_ = v;
  ValueChanged();
}

void TXLCStrings::CalcText(std::string& text) const {
  const std::string item =
      itemIndex_ >= 0 && itemIndex_ < items_->Count() ? items_->Get(itemIndex_) : std::string();
  text = maskText(Format(), item);
}

void TXLCStrings::ReadValue(TStream& stream) {
  text_.Assign(ReadString(stream));
  itemIndex_ = ReadInteger(stream);
  items_->SetText(ReadString(stream));
}

void TXLCStrings::WriteValue(TStream& stream) const {
  WriteString(stream, text_.View());
  WriteInteger(stream, itemIndex_);
  WriteString(stream, joinLines(*items_));
}

bool TXLCUrl::IsOpenableUrl(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  for (unsigned char c : t)
    if (c <= ' ' || c == 0x7F) return false;
  const std::string lower = LowerCase(t);
  for (const char* scheme : {"http://", "https://", "mailto:"}) {
    const std::size_t n = std::char_traits<char>::length(scheme);
    if (lower.size() > n && lower.compare(0, n, scheme) == 0) return true;
  }
  return false;
}

void TXLCUrl::DblClick() {
  const std::string text = text_.Str();
  if (IsOpenableUrl(text)) ShellOpen(Trim(text));
}

// ---- numbers ---------------------------------------------------------------

void TXLCNumber::CalcText(std::string& text) const {
  text = FormatNumber(GetAsFloat(), DisplayFormat(Format()));
}

void TXLCInteger::SetAsInteger(std::int32_t v) {
  if (v == value_) return;
  value_ = v;
  ValueChanged();
}

void TXLCInteger::ReadValue(TStream& stream) { value_ = ReadInteger(stream); }

void TXLCInteger::WriteValue(TStream& stream) const { WriteInteger(stream, value_); }

void TXLCDouble::SetAsFloat(double v) {
  if (v == value_) return;
  value_ = v;
  ValueChanged();
}

void TXLCDouble::ReadValue(TStream& stream) { value_ = ReadDouble(stream); }

void TXLCDouble::WriteValue(TStream& stream) const { WriteDouble(stream, value_); }

void TXLCCurrency::SetAsCurrency(std::int64_t v) {
  if (v == value_) return;
  value_ = v;
  ValueChanged();
}

void TXLCCurrency::ReadValue(TStream& stream) { value_ = stream.ReadLE<std::int64_t>(); }

void TXLCCurrency::WriteValue(TStream& stream) const { stream.WriteLE<std::int64_t>(value_); }

// ---- date and time ---------------------------------------------------------

void TXLCDateTime::SetAsDateTime(TDateTime v) {
  if (v == value_) return;
  value_ = v;
  ValueChanged();
}

void TXLCDateTime::SetAsVariant(const TVariant& v) {
  if (v.IsText()) {
    TDateTime dt;
    if (TryStrToDateTime(v.RawString(), dt) || TryStrToDate(v.RawString(), dt) ||
        TryStrToTime(v.RawString(), dt)) {
      SetAsDateTime(dt);
      return;
    }
  }
  SetAsDateTime(VarToFloat(v));
}

void TXLCDateTime::CalcText(std::string& text) const {
  const std::string display = DisplayFormat(Format());
  text = FormatDateTime(display.empty() ? std::string_view("ddddd tt") : display, value_);
}

void TXLCDateTime::ReadValue(TStream& stream) { value_ = ReadDouble(stream); }

void TXLCDateTime::WriteValue(TStream& stream) const { WriteDouble(stream, value_); }

// ---- Boolean ---------------------------------------------------------------

void TXLCBoolean::SetAsBoolean(bool v) {
  if (v == value_) return;
  value_ = v;
  ValueChanged();
}

void TXLCBoolean::CalcText(std::string& text) const {
  const std::string display = DisplayFormat(Format());
  if (display.empty()) {
    text = value_ ? "True" : "False";
    return;
  }
  const std::size_t semi = display.find(';');
  if (value_)
    text = display.substr(0, semi);
  else
    text = semi == std::string::npos ? std::string() : display.substr(semi + 1);
}

void TXLCBoolean::DrawValue(TXLDrawInfo& info, const TRect& r) {
  if (!DisplayFormat(Format()).empty()) {
    TXLValue::DrawValue(info, r);
    return;
  }
  if (!info.Canvas) return;
  const int size = 13 * info.Scale / 100;
  DrawCheckBox(*info.Canvas, PlaceContent(r, size, size, wmClip, info.Layout), value_);
}

void TXLCBoolean::KeyPress(char32_t& key) {
  if (key == U' ') {
    SetAsBoolean(!value_);
    key = 0;
  }
}

void TXLCBoolean::ReadValue(TStream& stream) { value_ = ReadInteger(stream) != 0; }

void TXLCBoolean::WriteValue(TStream& stream) const { WriteInteger(stream, value_ ? 1 : 0); }

// ---- picture ---------------------------------------------------------------

void TXLCPicture::SetAsPicture(const TXLPicture& p) {
  if (p == *picture_) return;
  *picture_ = p;
  ValueChanged();
}

void TXLCPicture::DrawValue(TXLDrawInfo& info, const TRect& r) {
  const TImage* img = picture_->Image();
  if (!img || !info.Canvas) return;
  const int w = picture_->Width() * info.Scale / 100;
  const int h = picture_->Height() * info.Scale / 100;
  const TWrapMode fit = picture_->IsIcon() ? wmClip : info.Layout.WrapMode;
  const TRect place = PlaceContent(r, w, h, fit, info.Layout);
  if (!place.IsEmpty()) info.Canvas->StretchDraw(place, *img);
}

TSize TXLCPicture::GetExtent(TCanvas&) const {
  if (picture_->Empty() || WrapMode() != wmClip) return {0, 0};
  return {picture_->Width() + Indent(), picture_->Height()};
}

void TXLCPicture::ReadValue(TStream& stream) { picture_->ReadData(stream); }

void TXLCPicture::WriteValue(TStream& stream) const { picture_->WriteData(stream); }

// ---- placement and the check box -------------------------------------------

TRect PlaceContent(const TRect& r, int w, int h, TWrapMode fit, const TXLLayout& layout) {
  if (fit == wmWrapWords) return r;
  if (w <= 0 || h <= 0) return TRect();
  if (fit == wmEllipsis) {
    const double kx = double(r.Width()) / w;
    const double ky = double(r.Height()) / h;
    if (kx <= ky) {
      const int nh = static_cast<int>(std::lround(h * kx));
      const int top = (r.Top + r.Bottom - nh) / 2;
      return TRect(r.Left, top, r.Right, top + nh);
    }
    const int nw = static_cast<int>(std::lround(w * ky));
    const int left = (r.Left + r.Right - nw) / 2;
    return TRect(left, r.Top, left + nw, r.Bottom);
  }
  int left = r.Left, top = r.Top;
  if (layout.HorzAlign == haRight) left = r.Right - w;
  if (layout.HorzAlign == haCenter) left = (r.Left + r.Right - w) / 2;
  if (layout.VertAlign == vaBottom) top = r.Bottom - h;
  if (layout.VertAlign == vaCenter) top = (r.Top + r.Bottom - h) / 2;
  return TRect(left, top, left + w, top + h);
}

void DrawCheckBox(TCanvas& canvas, const TRect& box, bool checked) {
  if (box.IsEmpty()) return;
  canvas.Brush.SetStyle(bsSolid);
  canvas.Brush.SetColor(clWindow);
  canvas.FillRect(box);
  canvas.Brush.SetColor(clBtnShadow);
  canvas.FrameRect(box);
  if (!checked) return;
  // The tick: two strokes through the inner square, three pixels thick at
  // the natural 13-pixel size.
  const int s = box.Width();
  const int x = box.Left, y = box.Top;
  canvas.Pen.SetColor(clWindowText);
  canvas.Pen.SetStyle(psSolid);
  canvas.Pen.SetWidth(std::max(1, s / 13));
  const int thick = std::max(3, s * 3 / 13);
  for (int k = 0; k < thick; k += std::max(1, s / 13)) {
    const TPoint pts[3] = {{x + s * 3 / 13, y + s * 5 / 13 + k},
                           {x + s * 5 / 13, y + s * 7 / 13 + k},
                           {x + s * 10 / 13, y + s * 2 / 13 + k}};
    canvas.Polyline(pts);
  }
}

// ---- the registry ----------------------------------------------------------

TXLManager& TXLManager::Instance() {
  static TXLManager manager;
  return manager;
}

TXLManager::TXLManager() {
  RegisterClasses({&TXLCString::ClassInfo, &TXLCStrings::ClassInfo, &TXLCInteger::ClassInfo,
                   &TXLCDouble::ClassInfo, &TXLCCurrency::ClassInfo, &TXLCDateTime::ClassInfo,
                   &TXLCBoolean::ClassInfo, &TXLCPicture::ClassInfo, &TXLCUrl::ClassInfo});
  auto formats = [this](TXLCellClassRef cls, std::vector<std::string> list) {
    Formats(cls)->AddStrings(list);
  };
  formats(&TXLCString::ClassInfo, {""});
  formats(&TXLCInteger::ClassInfo, {"0", "0|spin"});
  formats(&TXLCDouble::ClassInfo,
          {"0", "0|spin", "0.00", "0.00|spin", "#,##0", "#,##0|spin", "#,##0.00", "#,##0.00|spin",
           "0.##%", "0.##%|spin", "0.00%", "0.00%|spin"});
  formats(&TXLCCurrency::ClassInfo, {"$# ##0", "$# ##0|spin", "$# ##0.00", "$# ##0.00|spin"});
  formats(&TXLCDateTime::ClassInfo,
          {"DD.MM.YYYY", "DD.MM.YY", "DD.MM", "MM.YY", "HH.MM.SS", "h:nn AM/PM", "h:nn:ss AM/PM",
           "h:nn", "h:nn:ss", "DD.MM.YYYY h:nn"});
  formats(&TXLCBoolean::ClassInfo, {"True;False"});
  RegisterEditors({&TXLCString::ClassInfo}, {ekPickEdit, ekMemo, ekMaskEdit});
  RegisterEditors({&TXLCStrings::ClassInfo}, {ekMemo, ekPickEdit, ekComboBox});
  RegisterEditors({&TXLCInteger::ClassInfo, &TXLCDouble::ClassInfo, &TXLCCurrency::ClassInfo},
                  {ekNumEdit});
  RegisterEditors({&TXLCDateTime::ClassInfo}, {ekPickEdit, ekDateEdit, ekTimeEdit});
}

int TXLManager::IndexOf(TXLCellClassRef cls) const {
  for (std::size_t i = 0; i < classes_.size(); ++i)
    if (classes_[i] == cls) return static_cast<int>(i);
  return -1;
}

TXLCellClassRef TXLManager::FindClass(std::int32_t id) const {
  for (TXLCellClassRef c : classes_)
    if (ClassID(c) == id) return c;
  return nullptr;
}

int TXLManager::RegisterClass(TXLCellClassRef cls) {
  const int i = IndexOf(cls);
  if (i >= 0) return i;
  classes_.push_back(cls);
  editors_.emplace_back();
  auto list = std::make_unique<TStringList>();
  list->SetCaseSensitive(true);
  formats_.push_back(std::move(list));
  return static_cast<int>(classes_.size()) - 1;
}

void TXLManager::RegisterClasses(const std::vector<TXLCellClassRef>& classes) {
  for (TXLCellClassRef c : classes) RegisterClass(c);
}

void TXLManager::RegisterEditors(const std::vector<TXLCellClassRef>& cellClasses,
                                 const std::vector<TXLEditorKind>& editors) {
  for (TXLCellClassRef c : cellClasses) {
    auto& list = editors_[RegisterClass(c)];
    for (TXLEditorKind e : editors)
      if (std::find(list.begin(), list.end(), e) == list.end()) list.push_back(e);
  }
}

TXLEditorKind TXLManager::GetEditorClass(TXLCellClassRef cls, int index) const {
  const int i = IndexOf(cls);
  if (i < 0 || index < 0 || index >= static_cast<int>(editors_[i].size())) return ekNone;
  return editors_[i][index];
}

int TXLManager::EditorCount(TXLCellClassRef cls) const {
  const int i = IndexOf(cls);
  return i < 0 ? 0 : static_cast<int>(editors_[i].size());
}

const TStringList* TXLManager::Formats(TXLCellClassRef cls) const {
  const int i = IndexOf(cls);
  return i < 0 ? nullptr : formats_[i].get();
}

TStringList* TXLManager::Formats(TXLCellClassRef cls) {
  const int i = IndexOf(cls);
  return i < 0 ? nullptr : formats_[i].get();
}

}  // namespace qv
