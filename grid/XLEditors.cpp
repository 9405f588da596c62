#include "grid/XLEditors.h"

#include <algorithm>
#include <cmath>

#include "grid/XLGrid.h"
#include "platform/core/Codepage.h"

namespace qv {

namespace {

bool isNavKey(int key) {
  switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      return true;
    default:
      return false;
  }
}

// Lines of a text broken at CR LF, LF or CR.
std::vector<std::string> textLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += ch;
    }
  }
  if (!cur.empty() || lines.empty()) lines.push_back(cur);
  return lines;
}

std::string joinLines(const std::vector<std::string>& lines, const char* eol) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) out += eol;
    out += lines[i];
  }
  return out;
}

// The display part of a number format: before "|", then before ";".
std::string numberSection(const std::string& format) {
  std::string f = DisplayFormat(format);
  const std::size_t semi = f.find(';');
  if (semi != std::string::npos) f.resize(semi);
  return f;
}

}  // namespace

// ---- TXLEditorWidget -------------------------------------------------------

int TXLEditorWidget::TextLength() const { return static_cast<int>(Utf8Length(Text())); }

// ---- TXLInplaceEditor --------------------------------------------------------

void TXLInplaceEditor::SetLayout(const TXLLayout& layout) {
  if (widget_) widget_->SetAlignment(layout.HorzAlign, layout.Indent);
}

int TXLInplaceEditor::EditorHeight() const { return widget_ ? widget_->TextHeight() : 0; }

TXLKeyRoute TXLInplaceEditor::RouteKey(int, TShiftState) const { return krEditor; }

void TXLInplaceEditor::AfterLoad() {
  if (widget_) widget_->SetSelection(widget_->TextLength(), 0);
}

std::string TXLInplaceEditor::Snapshot() const { return widget_ ? widget_->Text() : std::string(); }

// ---- TXLMaskEdit -------------------------------------------------------------

void TXLMaskEdit::Load(TXLCell& cell) {
  mask_ = cell.Format();
  if (!Widget()) return;
  Widget()->SetEditMask(mask_);
  // With a mask the control lays the value into it; without one the text
  // is the display text.
  Widget()->SetText(mask_.empty() ? cell.GetText() : cell.GetAsString());
}

void TXLMaskEdit::Store(TXLCell& cell) {
  if (Widget()) cell.SetAsVariant(TVariant(Widget()->Text()));
}

void TXLMaskEdit::SetLayout(const TXLLayout& layout) {
  align_ = layout.HorzAlign;
  indent_ = layout.Indent;
  TXLInplaceEditor::SetLayout(layout);
}

TXLKeyRoute TXLMaskEdit::RouteKey(int key, TShiftState) const {
  const TXLEditorWidget* w = Widget();
  if (!w) return krGrid;
  switch (key) {
    case VK_LEFT:
      return w->SelLength() == 0 && w->SelStart() == 0 ? krGrid : krEditor;
    case VK_RIGHT:
      return w->SelLength() == 0 && w->SelStart() >= w->TextLength() ? krGrid : krEditor;
    case VK_UP:
    case VK_DOWN:
      // A one-line field has no use for them.
      return krGrid;
    default:
      return krEditor;
  }
}

// ---- TXLNumEdit --------------------------------------------------------------

void TXLNumEdit::SetFormat(const std::string& format) {
  format_ = numberSection(format);
  if (!integerSet_) integer_ = !format_.empty() && format_.find('.') == std::string::npos;
}

void TXLNumEdit::SetIntegerMode(bool v) {
  integer_ = v;
  integerSet_ = true;
}

void TXLNumEdit::SetSpinner(bool v) {
  spinner_ = v;
  if (Widget()) Widget()->SetSpinner(v);
}

double TXLNumEdit::Increment() const {
  if (integer_) return 1;
  return format_.find('%') != std::string::npos ? 0.01 : 1;
}

std::string TXLNumEdit::FormatValue(double v) const {
  if (format_.empty()) {
    if (integer_) return IntToStr(static_cast<std::int64_t>(std::llround(v)));
    return FloatToStr(v);
  }
  std::string pic;
  for (char ch : format_)
    if (ch != ',') pic += ch;
  if (pic.find('%') != std::string::npos) v *= 100;
  return FormatFloat(pic, v);
}

double TXLNumEdit::ParseText(const std::string& text) const {
  const TFormatSettings& fs = FormatSettings();
  std::string s;
  for (char ch : text) {
    if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == 'E' || ch == 'e' ||
        ch == fs.DecimalSeparator)
      s += ch;
  }
  double v = 0;
  if (!s.empty()) {
    if (!TryStrToFloat(s, v)) throw EConvertError("'" + text + "' is not a valid number");
  } else if (!Trim(text).empty()) {
    throw EConvertError("'" + text + "' is not a valid number");
  }
  if (format_.find('%') != std::string::npos) v /= 100;
  if (integer_) v = std::round(v);
  if (LimitsInForce() && (v < min_ || v > max_)) throw EXLGridError("Value out of range!");
  return v;
}

void TXLNumEdit::SetValue(double v) {
  if (integer_) v = std::round(v);
  if (LimitsInForce()) v = std::clamp(v, min_, max_);
  value_ = v;
  if (Widget()) Widget()->SetText(FormatValue(v));
}

void TXLNumEdit::Step(int n) {
  double v = value_;
  if (Widget()) {
    // Step from what the text shows; a text that is no number (or lies
    // outside the limits) steps from the last value.
    try {
      v = ParseText(Widget()->Text());
    } catch (const Exception&) {
    }
  }
  SetValue(v + n * Increment());
  if (Widget()) Widget()->SetSelection(Widget()->TextLength(), 0);
}

void TXLNumEdit::Load(TXLCell& cell) {
  value_ = -1.0;
  SetFormat(cell.Format());
  if (!integerSet_ && cell.GetCellClass()->InheritsFrom(&TXLCInteger::ClassInfo)) integer_ = true;
  SetSpinner(cell.Format().find("|spin") != std::string::npos);
  double v = 0;
  try {
    v = cell.GetAsFloat();
  } catch (const Exception&) {
  }
  SetValue(v);
}

void TXLNumEdit::Store(TXLCell& cell) {
  if (!Widget()) return;
  const double v = ParseText(Widget()->Text());
  value_ = v;
  cell.SetAsVariant(TVariant(v));
}

bool TXLNumEdit::HandleKey(int key, TShiftState s) {
  if ((s & ssShift) && (key == VK_UP || key == VK_DOWN)) {
    Step(key == VK_UP ? 1 : -1);
    return true;
  }
  return false;
}

void TXLNumEdit::FilterChar(char32_t& ch) {
  if (ch < 32) return;
  if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-') return;
  if (!integer_ && (ch == char32_t(FormatSettings().DecimalSeparator) || ch == 'E' || ch == 'e'))
    return;
  ch = 0;
}

TXLKeyRoute TXLNumEdit::RouteKey(int key, TShiftState s) const {
  return TXLMaskEdit::RouteKey(key, s);
}

// ---- TXLMemo -----------------------------------------------------------------

void TXLMemo::Load(TXLCell& cell) {
  if (!Widget()) return;
  if (const TStringList* list = cell.GetAsStrings()) {
    std::vector<std::string> lines;
    for (int i = 0; i < list->GetCount(); ++i) lines.push_back(list->Get(i));
    Widget()->SetText(joinLines(lines, "\n"));
  } else {
    Widget()->SetText(joinLines(textLines(cell.GetAsString()), "\n"));
  }
}

void TXLMemo::Store(TXLCell& cell) {
  if (Widget()) cell.SetAsString(joinLines(textLines(Widget()->Text()), "\r\n"));
}

int TXLMemo::EditorHeight() const {
  if (!Widget()) return 0;
  const std::string text = Widget()->Text();
  const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  return lines * Widget()->TextHeight();
}

void TXLMemo::SetLayout(const TXLLayout& layout) {
  indent_ = layout.Indent;
  if (Widget()) Widget()->SetAlignment(haLeft, layout.Indent);
}

// ---- TXLPickEdit -------------------------------------------------------------

std::vector<std::string> ColumnTexts(const TXLCell& cell) {
  const TXLSection* s = cell.GetSection();
  if (!s) return {};
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupIgnore);
  const int col = cell.Col();
  s->ForEachCellIn(TRect(col, 0, col + 1, s->RowCount()), [&](TXLCell* c) {
    if (c == &cell) return;
    std::string text;
    try {
      text = c->GetAsString();
    } catch (const Exception&) {
      return;
    }
    if (!text.empty()) list.Add(text);
  });
  std::vector<std::string> out;
  out.reserve(list.GetCount());
  for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.Get(i));
  return out;
}

void TXLPickEdit::SetItems(const std::vector<std::string>& items) {
  items_ = items;
  if (Widget()) Widget()->SetItems(items_);
}

void TXLPickEdit::SetMaxLength(int v) {
  maxLength_ = std::max(0, v);
  if (Widget()) Widget()->SetMaxLength(maxLength_);
}

int TXLPickEdit::ItemIndex() const { return Widget() ? Widget()->ItemIndex() : -1; }

void TXLPickEdit::SetItemIndex(int index) {
  if (Widget()) Widget()->SetItemIndex(index);
}

bool TXLPickEdit::LoadList(TXLCell& cell) {
  const TStringList* list = cell.GetAsStrings();
  listCell_ = list != nullptr;
  if (!list) return false;
  std::vector<std::string> items;
  for (int i = 0; i < list->GetCount(); ++i) items.push_back(list->Get(i));
  SetItems(items);
  const int index = cell.GetAsInteger();
  SetItemIndex(index >= 0 && index < static_cast<int>(items.size()) ? index : -1);
  return true;
}

void TXLPickEdit::Load(TXLCell& cell) {
  if (LoadList(cell)) return;
  SetItems(ColumnTexts(cell));
  if (Widget()) Widget()->SetText(cell.GetAsString());
}

void TXLPickEdit::Store(TXLCell& cell) {
  if (!Widget()) return;
  if (listCell_)
    cell.SetAsInteger(Widget()->ItemIndex());
  else
    cell.SetAsVariant(TVariant(Widget()->Text()));
}

std::string TXLPickEdit::Snapshot() const {
  if (!Widget()) return {};
  return Widget()->Text() + '\x1f' + IntToStr(Widget()->ItemIndex());
}

int TXLPickEdit::FindPrefix(const std::string& text) const {
  const std::string low = AnsiLowerCase(text);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::string item = AnsiLowerCase(items_[i]);
    if (item.compare(0, low.size(), low) == 0) return static_cast<int>(i);
  }
  return -1;
}

void TXLPickEdit::Complete() {
  TXLEditorWidget* w = Widget();
  if (!w) return;
  const std::string typed = w->Text();
  if (typed.empty()) return;
  const int index = FindPrefix(typed);
  if (index < 0) return;
  const int typedLength = static_cast<int>(Utf8Length(typed));
  w->SetItemIndex(index);
  w->SetText(items_[index]);
  w->SetSelection(typedLength, static_cast<int>(Utf8Length(items_[index])) - typedLength);
}

void TXLPickEdit::AfterChar(char32_t ch) {
  if (ch >= 32 && ch != 127) Complete();
}

void TXLComboBox::Load(TXLCell& cell) {
  if (LoadList(cell)) return;
  const std::string text = cell.GetAsString();
  SetItems(textLines(text));
  SetItemIndex(-1);
}

// ---- date and time -----------------------------------------------------------

void TXLDateTimePicker::Store(TXLCell& cell) {
  if (Widget()) cell.SetAsVariant(TVariant::FromDateTime(Widget()->DateTime()));
}

std::string TXLDateTimePicker::Snapshot() const {
  return Widget() ? FloatToStr(Widget()->DateTime()) : std::string();
}

TXLKeyRoute TXLDateTimePicker::RouteKey(int, TShiftState) const { return krEditor; }

void TXLDateEdit::Load(TXLCell& cell) {
  double v = 0;
  try {
    v = cell.GetAsFloat();
  } catch (const Exception&) {
  }
  if (Widget()) Widget()->SetDateTime(v, true);
}

void TXLTimeEdit::Load(TXLCell& cell) {
  double v = 0;
  try {
    v = cell.GetAsFloat();
  } catch (const Exception&) {
  }
  if (Widget()) Widget()->SetDateTime(v, false);
}

std::unique_ptr<TXLInplaceEditor> CreateInplaceEditor(TXLEditorKind kind) {
  switch (kind) {
    case ekPickEdit:
      return std::make_unique<TXLPickEdit>();
    case ekMemo:
      return std::make_unique<TXLMemo>();
    case ekMaskEdit:
      return std::make_unique<TXLMaskEdit>();
    case ekComboBox:
      return std::make_unique<TXLComboBox>();
    case ekNumEdit:
      return std::make_unique<TXLNumEdit>();
    case ekDateEdit:
      return std::make_unique<TXLDateEdit>();
    case ekTimeEdit:
      return std::make_unique<TXLTimeEdit>();
    default:
      return nullptr;
  }
}

// ---- TXLEdit -------------------------------------------------------------------

TXLEdit::TXLEdit(TXLGrid& grid) : grid_(grid) {}

TXLEdit::~TXLEdit() { FreeEditor(); }

void TXLEdit::FreeEditor() {
  if (!editor_) return;
  if (TXLEditorWidget* w = editor_->Widget()) {
    editor_->SetWidget(nullptr);
    if (grid_.Host()) grid_.Host()->DestroyEditorWidget(w);
  }
  editor_.reset();
}

void TXLEdit::SetCellEditing(bool on) {
  if (!cell_) return;
  cell_->SetStateFlag(xsEditing, on);
  if (TXLSection* s = cell_->GetSection()) {
    if (&grid_.View(s->Kind()) == view_) view_->InvalidateCells(cell_->GetRect(), 1);
  }
}

void TXLEdit::SetMode(int mode) {
  if (!cell_) return;
  mode = mode >= 2 ? 2 : 1;
  if (mode == mode_) return;
  mode_ = mode;
  if (grid_.OnEditModeChanged) grid_.OnEditModeChanged(grid_);
}

bool TXLEdit::Attach(TXLView& view, TXLCell& cell, int mode) {
  TXLGridHost* host = grid_.Host();
  if (!host) return false;
  const TXLEditorKind kind =
      TXLManager::Instance().GetEditorClass(cell.GetCellClass(), cell.Editor());
  if (kind == ekNone) return false;
  if (cell_ == &cell && editor_ && editor_->Kind() == kind) {
    SetMode(grid_.HasOption(oPermEdit) ? 1 : mode);
    return true;
  }
  // The previous cell keeps what was typed into it, before its editor may go.
  if (cell_ && cell_ != &cell) {
    if (editor_ && editor_->Widget() && editor_->Modified()) editor_->Store(*cell_);
    SetCellEditing(false);
    cell_ = nullptr;
  }
  if (editor_ && editor_->Kind() != kind) FreeEditor();
  if (!editor_) {
    editor_ = CreateInplaceEditor(kind);
    editor_->SetWidget(host->CreateEditorWidget(*editor_));
  }
  if (!editor_->Widget()) {
    editor_.reset();
    return false;
  }
  if (grid_.HasOption(oPermEdit)) mode = 1;
  const bool was = cell_ != nullptr;
  const int oldMode = mode_;
  view_ = &view;
  cell_ = &cell;
  mode_ = mode >= 2 ? 2 : 1;
  UpdateLook();
  if (!(cell.State() & xsAssigning)) {
    editor_->Load(cell);
    editor_->AfterLoad();
  }
  editor_->MarkLoaded();
  Place();
  host->ShowEditHost(true);
  editor_->Widget()->SetHint(grid_.ShowHint() ? cell.Hint() : std::string());
  host->FocusEditor();
  SetCellEditing(true);
  if ((!was || oldMode != mode_) && grid_.OnEditModeChanged) grid_.OnEditModeChanged(grid_);
  return true;
}

void TXLEdit::Detach(bool store) {
  if (!cell_) return;
  if (store && editor_ && editor_->Widget() && editor_->Modified()) editor_->Store(*cell_);
  if (!cell_) return;  // the store freed the cell
  const bool hadFocus = grid_.Host() && grid_.Host()->EditorFocused();
  SetCellEditing(false);
  cell_ = nullptr;
  mode_ = 0;
  if (grid_.Host()) grid_.Host()->ShowEditHost(false);
  if (hadFocus && view_ && view_->Host()) view_->Host()->SetFocus();
  if (grid_.OnEditModeChanged) grid_.OnEditModeChanged(grid_);
}

void TXLEdit::Drop() {
  if (!cell_) return;
  cell_ = nullptr;
  mode_ = 0;
  if (grid_.Host()) grid_.Host()->ShowEditHost(false);
  if (grid_.OnEditModeChanged) grid_.OnEditModeChanged(grid_);
}

void TXLEdit::EditorDestroyed() {
  if (editor_) editor_->SetWidget(nullptr);
  editor_.reset();
  if (cell_) {
    SetCellEditing(false);
    Drop();
  }
}

void TXLEdit::UpdateLook() {
  if (!cell_ || !editor_ || !editor_->Widget()) return;
  TXLSection* s = cell_->GetSection();
  TColor color = cell_->Color();
  if (color == clNone && s) color = UnpackColor(s->BaseStyle().RawAttr(xaColor));
  color_ = color;
  TFont font;
  font.Assign(cell_->Font());
  const std::int64_t h = std::int64_t(font.Height()) * grid_.Scale() / 100;
  if (h != 0) font.SetHeight(static_cast<int>(std::clamp<std::int64_t>(h, -2000, 2000)));
  editor_->Widget()->SetLook(font, color_);
  editor_->SetLayout(cell_->Layout());
  Place();
}

void TXLEdit::UpdatePlacement() {
  if (cell_) Place();
}

void TXLEdit::Place() {
  if (!cell_ || !view_ || !editor_ || !grid_.Host()) return;
  TXLSection* s = cell_->GetSection();
  if (!s) return;
  const TRect cells = cell_->GetRect();
  TRect r = view_->CellPixels(cells);
  const TXLFrame frame = s->FrameAt(cells.Left, cells.Top);
  const int fw = frame == frNone ? 0 : (frame == frFlatUp || frame == frFlatDown) ? 1 : 2;
  InflateRect(r, 2 - fw, 2 - fw);
  hostRect_ = r;
  // The host's client edge is 2 pixels wide on every side.
  const int cw = std::max(0, r.Width() - 4), ch = std::max(0, r.Height() - 4);
  if (editor_->FillsHost()) {
    editorRect_ = TRect(2, 2, 2 + cw, 2 + ch);
  } else {
    const int h = std::clamp(editor_->EditorHeight(), 0, ch);
    int top = 0;
    switch (cell_->VertAlign()) {
      case vaBottom:
        top = ch - h;
        break;
      case vaCenter:
        top = (ch - h) / 2;
        break;
      default:
        break;
    }
    editorRect_ = TRect(2, 2 + top, 2 + cw, 2 + top + h);
  }
  grid_.Host()->PlaceEditHost(view_->Kind(), hostRect_, editorRect_, color_);
}

void TXLEdit::EditorKeyDown(int& key, TShiftState s) {
  if (!cell_ || !view_ || !editor_) return;
  const TShiftState mods = s & (ssShift | ssCtrl | ssAlt);
  if (isNavKey(key)) {
    if ((mode_ == 1 && mods) || (!mods && editor_->RouteKey(key, s) == krGrid)) {
      int k = key;
      grid_.ViewKeyDown(*view_, k, s);
      key = 0;
      return;
    }
    if (editor_->HandleKey(key, s)) key = 0;
    return;
  }
  switch (key) {
    case VK_F1 + 1:
      if (!mods) {
        SetMode(mode_ == 1 ? 2 : 1);
        key = 0;
      }
      break;
    case VK_RETURN:
      if (!(s & ssCtrl)) {
        grid_.EnterMove(*view_, s);
        key = 0;
      }
      break;
    case VK_ESCAPE:
      Detach(false);
      key = 0;
      break;
    case VK_TAB:
      // Leaves the cell (storing) so that the key can move the focus on.
      try {
        Detach(true);
      } catch (const std::exception& e) {
        grid_.ReportError(e);
        key = 0;
      }
      break;
    default:
      break;
  }
}

void TXLEdit::EditorKeyPress(char32_t& ch) {
  if (!cell_ || !editor_) return;
  if (ch == 13 || ch == 27 || ch == 9) {
    ch = 0;  // handled as keys
    return;
  }
  editor_->FilterChar(ch);
}

void TXLEdit::EditorAfterChar(char32_t ch) {
  if (cell_ && editor_) editor_->AfterChar(ch);
}

void TXLEdit::TypeChar(char32_t ch, bool selectAll) {
  if (!cell_ || !editor_ || !editor_->Widget()) return;
  TXLEditorWidget& w = *editor_->Widget();
  if (selectAll) w.SelectAll();
  EditorKeyPress(ch);
  if (!ch) return;
  std::string text;
  if (ch != 8) Utf8Append(text, ch);
  w.ReplaceSelection(text);
  EditorAfterChar(ch);
}

void TXLEdit::TypeText(const std::string& text) {
  if (!cell_ || !editor_ || !editor_->Widget()) return;
  TXLEditorWidget& w = *editor_->Widget();
  w.SelectAll();
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t ch = Utf8Next(text, pos);
    EditorKeyPress(ch);
    if (!ch) continue;
    std::string one;
    Utf8Append(one, ch);
    w.ReplaceSelection(one);
    EditorAfterChar(ch);
  }
}

}  // namespace qv
