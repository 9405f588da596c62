#include "editor/CodeEditDialogs.h"

#include <algorithm>

#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"

namespace qv {

void TTextSearchDialog::MoveToTop(std::vector<std::string>& History, const std::string& Text) {
  History.erase(std::remove(History.begin(), History.end(), Text), History.end());
  History.insert(History.begin(), Text);
}

std::string TTextSearchDialog::JoinHistory(const std::vector<std::string>& History) {
  std::string r;
  const size_t n = std::min(History.size(), size_t(HistoryLimit));
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) r += "\r\n";
    r += History[i];
  }
  return r;
}

std::vector<std::string> TTextSearchDialog::SplitHistory(const std::string& Value) {
  std::vector<std::string> items;
  if (Value.empty()) return items;
  size_t start = 0;
  while (true) {
    const size_t brk = Value.find("\r\n", start);
    items.push_back(
        Value.substr(start, brk == std::string::npos ? std::string::npos : brk - start));
    if (brk == std::string::npos) break;
    start = brk + 2;
  }
  return items;
}

void TTextSearchDialog::Closed(bool Ok) {
  if (!Ok || searchText_.empty()) return;
  MoveToTop(searchHistory_, searchText_);
}

void TTextReplaceDialog::Closed(bool Ok) {
  TTextSearchDialog::Closed(Ok);
  if (!Ok || replaceText_.empty()) return;
  MoveToTop(replaceHistory_, replaceText_);
}

void TConfirmReplaceDialog::PrepareShow(const TRect& EditorRect, int X, int Y1, int Y2,
                                        const std::string& AReplaceText) {
  confirmation_ = Format("Replace this occurence of \"%s\"?", AReplaceText);
  const int editorWidth = EditorRect.Width();
  if (editorWidth <= width_) {
    left_ = EditorRect.Left - (width_ - editorWidth) / 2;
  } else {
    left_ = X;
    if (left_ + width_ > EditorRect.Right) left_ = EditorRect.Right - width_;
  }
  if (Y2 > EditorRect.Top + EditorRect.Height() * 2 / 3)
    top_ = Y1 - height_ - 4;
  else
    top_ = Y2 + 4;
}

// ---- the forms ---------------------------------------------------------------------------

namespace {

TFormControl Control(const char* Name, TFormControlKind Kind, TRect Bounds,
                     const std::string& Caption = std::string(), const char* Parent = "") {
  TFormControl c;
  c.Name = Name;
  c.Kind = Kind;
  c.Bounds = Bounds;
  c.Caption = Caption;
  c.Parent = Parent;
  return c;
}

TFormControl Button(const char* Name, TRect Bounds, const char* Caption, int Result,
                    bool Default = false, bool Cancel = false) {
  TFormControl c = Control(Name, fcButton, Bounds, Caption);
  c.ModalResult = Result;
  c.Default = Default;
  c.Cancel = Cancel;
  return c;
}

// The search text, the options and the direction start at Top; the
// replace dialog puts its replacement text between them.
void AddSearchControls(TFormSpec& F, const TTextSearchDialog& D, int OptionsTop) {
  TFormControl& label = F.Add(Control("Label1", fcLabel, Rect(8, 12, 92, 25), "&Search for:"));
  label.FocusControl = "cbSearchText";
  TFormControl& text = F.Add(Control("cbSearchText", fcComboBox, Rect(96, 8, 324, 29)));
  text.Text = D.SearchText();
  text.Items = D.SearchHistoryItems();
  F.Add(Control("gbSearchOptions", fcGroupBox, Rect(8, OptionsTop, 162, OptionsTop + 107),
                "Options"));
  const struct {
    const char* Name;
    const char* Caption;
    bool Checked;
  } options[] = {
      {"cbSearchCaseSensitive", "C&ase sensitivity", D.SearchCaseSensitive()},
      {"cbSearchWholeWords", "&Whole words only", D.SearchWholeWords()},
      {"cbSearchFromCursor", "Search from &caret", D.SearchFromCursor()},
      {"cbSearchSelectedOnly", "&Selected text only", D.SearchSelectedOnly()},
  };
  int y = 17;
  for (const auto& o : options) {
    TFormControl& c =
        F.Add(Control(o.Name, fcCheckBox, Rect(8, y, 146, y + 17), o.Caption, "gbSearchOptions"));
    c.Checked = o.Checked;
    y += 21;
  }
  TFormControl& direction = F.Add(Control(
      "rgSearchDirection", fcRadioGroup, Rect(170, OptionsTop, 324, OptionsTop + 65), "Direction"));
  direction.Items = {"&Forward", "&Backward"};
  direction.ItemIndex = D.DirectionIndex();
  const int buttons = OptionsTop + 112;
  F.Add(Button("btnOK", Rect(170, buttons, 245, buttons + 23), "OK", mrOk, true));
  F.Add(
      Button("btnCancel", Rect(249, buttons, 324, buttons + 23), "Cancel", mrCancel, false, true));
  F.ClientWidth = 332;
  F.ClientHeight = buttons + 31;
  F.ActiveControl = "cbSearchText";
}

}  // namespace

TFormSpec TTextSearchDialog::BuildForm() const {
  TFormSpec f;
  f.Name = "TTextSearchDialog";
  f.Caption = Caption;
  AddSearchControls(f, *this, 40);
  return f;
}

void TTextSearchDialog::ReadForm(const TFormSpec& Form) {
  if (const TFormControl* c = Form.Find("cbSearchText")) searchText_ = c->Text;
  if (const TFormControl* c = Form.Find("cbSearchCaseSensitive")) caseSensitive_ = c->Checked;
  if (const TFormControl* c = Form.Find("cbSearchWholeWords")) wholeWords_ = c->Checked;
  if (const TFormControl* c = Form.Find("cbSearchFromCursor")) fromCursor_ = c->Checked;
  if (const TFormControl* c = Form.Find("cbSearchSelectedOnly")) selectedOnly_ = c->Checked;
  if (const TFormControl* c = Form.Find("rgSearchDirection")) SetDirectionIndex(c->ItemIndex);
}

int TTextSearchDialog::ShowModal() {
  TFormSpec form = BuildForm();
  const int result = Dialogs().ShowForm(form) == mrOk ? mrOk : mrCancel;
  if (result == mrOk) ReadForm(form);
  Closed(result == mrOk);
  return result;
}

TFormSpec TTextReplaceDialog::BuildForm() const {
  TFormSpec f;
  f.Name = "TTextReplaceDialog";
  f.Caption = Caption;
  AddSearchControls(f, *this, 70);
  TFormControl& label = f.Add(Control("Label2", fcLabel, Rect(8, 41, 92, 54), "&Replace with:"));
  label.FocusControl = "cbReplaceText";
  TFormControl& text = f.Add(Control("cbReplaceText", fcComboBox, Rect(96, 37, 324, 58)));
  text.Text = ReplaceText();
  text.Items = ReplaceHistoryItems();
  return f;
}

void TTextReplaceDialog::ReadForm(const TFormSpec& Form) {
  TTextSearchDialog::ReadForm(Form);
  if (const TFormControl* c = Form.Find("cbReplaceText")) replaceText_ = c->Text;
}

TFormSpec TConfirmReplaceDialog::BuildForm() const {
  TFormSpec f;
  f.Name = "TConfirmReplaceDialog";
  f.Caption = Caption;
  f.ClientWidth = 328;
  f.ClientHeight = 98;
  f.Centered = false;
  f.Left = left_;
  f.Top = top_;
  TFormControl& image = f.Add(Control("Image1", fcImage, Rect(16, 16, 48, 48)));
  image.Icon = fiQuestion;
  TFormControl& label =
      f.Add(Control("lblConfirmation", fcLabel, Rect(60, 12, 318, 56), confirmation_));
  label.WordWrap = true;
  f.Add(Button("btnReplace", Rect(8, 67, 83, 90), "&Yes", mrYes, true));
  f.Add(Button("btnSkip", Rect(87, 67, 162, 90), "&No", mrNo));
  f.Add(Button("btnCancel", Rect(166, 67, 241, 90), "Cancel", mrCancel, false, true));
  f.Add(Button("btnReplaceAll", Rect(245, 67, 320, 90), "Yes to &all", mrYesToAll));
  f.ActiveControl = "btnReplace";
  return f;
}

int TConfirmReplaceDialog::ShowModal() const {
  TFormSpec form = BuildForm();
  const int result = Dialogs().ShowForm(form);
  return result == mrYes || result == mrNo || result == mrYesToAll ? result : mrCancel;
}

}  // namespace qv
