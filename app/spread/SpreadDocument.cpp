#include "app/spread/SpreadDocument.h"

#include <algorithm>

#include "grid/XLRanges.h"
#include "platform/core/Codepage.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

std::string SheetName(int n) { return "Sheet" + std::to_string(n); }

// The formula of a title cell ("" when the point lies outside the sheet).
std::string TitleFormula(const TXLSheet& sheet, int col, int row) {
  const TXLCell* cell = sheet.FindCell(col, row);
  return cell ? cell->Formual() : std::string();
}

void SetTitleFormula(TXLSheet& sheet, int col, int row, const std::string& text) {
  TPoint local;
  if (!sheet.FindSection(col, row, local)) return;
  sheet.GetCell(col, row)->SetFormual(text);
}

// "l;t;r;b" back to a rectangle held to the sheet; (0,0)-(1,1) for a text
// that is not four integers or a rectangle outside the data cells.
TRect ParseSelection(const std::string& text, const TXLSheet& sheet) {
  int v[4] = {0, 0, 1, 1};
  size_t pos = 0;
  bool ok = true;
  for (int i = 0; i < 4 && ok; ++i) {
    const size_t end = i < 3 ? text.find(';', pos) : text.size();
    if (end == std::string::npos) {
      ok = false;
      break;
    }
    ok = TryStrToInt(Trim(text.substr(pos, end - pos)), v[i]);
    pos = end + 1;
  }
  const TRect fallback(0, 0, 1, 1);
  if (!ok) return fallback;
  TRect r(std::max(v[0], 0), std::max(v[1], 0), std::min(v[2], sheet.ColCount()),
          std::min(v[3], sheet.RowCount()));
  if (r.Left >= r.Right || r.Top >= r.Bottom) return fallback;
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// List texts of the sheet document.

std::string EncodeListText(std::string_view utf8) {
  for (size_t pos = 0; pos < utf8.size();) {
    if (UnicodeToCp1252(Utf8Next(utf8, pos)) < 0) return "\xEF\xBB\xBF" + std::string(utf8);
  }
  return Utf8ToCp1252(utf8);
}

std::string DecodeListText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return ToUtf8Guess(bytes.substr(3));
  return Cp1252ToUtf8(bytes);
}

namespace {

std::vector<std::string> ListLines(const TNamedStreams& streams, const std::string& name) {
  TMemoryStream ms;
  streams.GetStream(name, ms);
  TStringList lines;
  lines.SetText(DecodeListText(ms.View()));
  return lines.ToVector();
}

std::string ListStreamText(const TNamedStreams& streams, const std::string& name) {
  TMemoryStream ms;
  streams.GetStream(name, ms);
  return DecodeListText(ms.View());
}

void AddText(TNamedStreams& streams, const std::string& name, std::string_view utf8) {
  TMemoryStream ms(EncodeListText(utf8));
  streams.AddStream(name, &ms);
}

[[noreturn]] void Corrupt() { throw ECorruptFile("File is corrupt."); }

// A worksheet read from the stream of that name.
std::unique_ptr<TXLSheet> ReadSheet(const TNamedStreams& streams, const std::string& stream) {
  TMemoryStream ms;
  streams.GetStream(stream, ms);
  auto sheet = std::make_unique<TXLSheet>();
  sheet->LoadFromStream(ms);
  return sheet;
}

}  // namespace

// ---------------------------------------------------------------------------
// The document.

TSpreadDocument::TSpreadDocument(TSpreadView* view)
    : ownView_(view ? nullptr : std::make_unique<TSpreadView>()),
      view_(view ? view : ownView_.get()) {
  SetFileCaption("Untitled");
}

TSpreadDocument::~TSpreadDocument() {
  // The grid lets go of the sheet before the sheets go.
  if (view_->ShownSheet()) view_->ShowSheet(nullptr);
}

TXLSheet* TSpreadDocument::Worksheet(int n) const {
  auto it = sheets_.find(n);
  return it == sheets_.end() ? nullptr : it->second.get();
}

TXLSheet* TSpreadDocument::SheetOf(const TSheetNode* node) const {
  return node && node->IsWorksheet() ? Worksheet(node->StateIndex) : nullptr;
}

void TSpreadDocument::SetCaption(const std::string& caption) {
  caption_ = caption;
  view_->CaptionChanged();
}

void TSpreadDocument::SetFileCaption(const std::string& name, const char* prefix) {
  SetCaption(prefix + name + "]");
}

std::string TSpreadDocument::FileName() const {
  const size_t open = caption_.find('[');
  if (open == std::string::npos) return {};
  const size_t close = caption_.find(']', open + 1);
  if (close == std::string::npos) return {};
  return Trim(std::string_view(caption_).substr(open + 1, close - open - 1));
}

void TSpreadDocument::InitNewWorksheet(TXLSheet& sheet, int n) {
  TXLUpdateScope update(sheet);
  sheet.Name = SheetName(n);
  sheet.Title = SheetName(n);
  sheet.SetTitleRows(1);
  sheet.SetTitleCols(1);
  sheet.SetColCount(50);
  sheet.SetRowCount(200);
  sheet.SetColDefWidth(80);
  sheet.SetSize(-1, 0, 30);
  sheet.SetRowDefHeight(17);
  sheet.BaseClientStyle().EditFont().SetSize(10);
  sheet.BaseTitleStyle().EditFont().SetSize(10);
  LabelTitles(sheet);
  SetTitleFormula(sheet, -1, -1, "0;0;1;1");
  SetTitleFormula(sheet, -1, 0, "0");
  sheet.SetModified(false);
}

void TSpreadDocument::LabelTitles(TXLSheet& sheet) {
  TXLUpdateScope update(sheet);
  if (sheet.TitleCols() > 0)
    for (int r = 0; r < sheet.RowCount(); ++r) sheet.SetCellText(-1, r, std::to_string(r + 1));
  if (sheet.TitleRows() > 0)
    for (int c = 0; c < sheet.ColCount(); ++c) sheet.SetCellText(c, -1, ColumnLetters(c));
}

void TSpreadDocument::GrowSheet(TXLSheet& sheet, int cols, int rows) {
  const int oldCols = sheet.ColCount(), oldRows = sheet.RowCount();
  if (cols <= oldCols && rows <= oldRows) return;
  TXLUpdateScope update(sheet);
  if (cols > oldCols) {
    sheet.SetColCount(cols);
    if (sheet.TitleRows() > 0)
      for (int c = oldCols; c < cols; ++c) sheet.SetCellText(c, -1, ColumnLetters(c));
  }
  if (rows > oldRows) {
    sheet.SetRowCount(rows);
    if (sheet.TitleCols() > 0)
      for (int r = oldRows; r < rows; ++r) sheet.SetCellText(-1, r, std::to_string(r + 1));
  }
}

TNextSheet TSpreadDocument::NextSheetNumber() const {
  int n = 0;
  for (const TSheetNode* node : tree_.Worksheets()) n = std::max(n, node->StateIndex);
  // Worksheets not (or no longer) in the tree keep their numbers too.
  if (!sheets_.empty()) n = std::max(n, sheets_.rbegin()->first);
  TNextSheet next;
  next.Number = n + 1;
  next.Name = SheetName(next.Number);
  next.Text = next.Name;
  return next;
}

void TSpreadDocument::NewDocument(int count) {
  view_->ShowSheet(nullptr);
  sheets_.clear();
  tree_.Clear();
  TSheetNode* root = tree_.Add(nullptr, "Base Folder", -1);
  for (int n = 1; n <= count; ++n) {
    tree_.Add(root, SheetName(n), n);
    auto sheet = std::make_unique<TXLSheet>();
    InitNewWorksheet(*sheet, n);
    sheets_[n] = std::move(sheet);
  }
  view_->TreeChanged();
  SelectNode(tree_.Item(1));
}

void TSpreadDocument::ClearSheets() {
  loading_ = true;
  view_->ShowSheet(nullptr);
  sheets_.clear();
  tree_.Clear();
  view_->TreeChanged();
  loading_ = false;
}

void TSpreadDocument::SelectNode(TSheetNode* node) {
  tree_.Selected = node;
  TXLSheet* sheet = SheetOf(node);
  if (sheet) {
    view_->EndEditing();
    if (view_->ShownSheet() != sheet) view_->ShowSheet(sheet);
    StoreTreeIndex();
    view_->Select(ParseSelection(TitleFormula(*sheet, -1, -1), *sheet));
  }
  view_->TreeChanged();
}

void TSpreadDocument::SelectionChanged() {
  TXLSheet* sheet = view_->ShownSheet();
  if (!sheet || loading_) return;
  const TRect r = view_->Selection();
  SetTitleFormula(*sheet, -1, -1,
                  std::to_string(r.Left) + ";" + std::to_string(r.Top) + ";" +
                      std::to_string(r.Right) + ";" + std::to_string(r.Bottom));
}

void TSpreadDocument::StoreTreeIndex() {
  const std::string index = std::to_string(tree_.AbsoluteIndex(tree_.Selected));
  for (auto& [n, sheet] : sheets_) SetTitleFormula(*sheet, -1, 0, index);
}

void TSpreadDocument::TakeOver(TSheetTree& tree, TSheetMap& sheets) {
  loading_ = true;
  view_->ShowSheet(nullptr);
  tree_.Swap(tree);
  tree_.Selected = nullptr;
  sheets_.swap(sheets);
  // The replaced document goes here, after the grid let go of it.
  tree.Clear();
  sheets.clear();
  loading_ = false;
  view_->TreeChanged();
}

int TSpreadDocument::StoredTreeIndex() const {
  const auto worksheets = tree_.Worksheets();
  int index = 1;
  if (!worksheets.empty()) {
    if (const TXLSheet* first = SheetOf(worksheets.front()))
      if (!TryStrToInt(Trim(TitleFormula(*first, -1, 0)), index)) index = 1;
  }
  return index;
}

// ---------------------------------------------------------------------------
// Sheet documents.

namespace {

// The worksheets "InputSheet" and "OutputSheet" of a sibling product's file
// below parent, numbered from n; appended worksheets take the stream's
// name as their Title.
void ReadOgySheets(const TNamedStreams& streams, TSheetTree& tree, TSheetNode* parent,
                   std::map<int, std::unique_ptr<TXLSheet>>& sheets, int n, bool titled) {
  for (const char* name : {"InputSheet", "OutputSheet"}) {
    tree.Add(parent, name, n);
    auto sheet = ReadSheet(streams, name);
    if (titled) sheet->Title = name;
    sheet->Name = SheetName(n);
    sheets[n++] = std::move(sheet);
  }
}

// The tree of a sheet document with every node's state and image taken from
// the lists; ECorruptFile when the lists do not fit the tree.
void ReadTreeStreams(const TNamedStreams& streams, TSheetTree& tree) {
  const auto images = ListLines(streams, "ImageID_Data");
  const auto states = ListLines(streams, "StateID_Data");
  tree.LoadText(ListStreamText(streams, "SheetTree_Data"));
  const auto items = tree.Items();
  if (items.size() != states.size()) Corrupt();
  for (size_t i = 0; i < items.size(); ++i) {
    int state = -1, image = -1;
    if (!TryStrToInt(Trim(states[i]), state)) Corrupt();
    SetNodeKind(*items[i], state);
    if (i < images.size() && TryStrToInt(Trim(images[i]), image)) items[i]->ImageIndex = image;
  }
}

}  // namespace

void TSpreadDocument::ReadSsfInto(const TNamedStreams& streams, bool isOgy, TSheetTree& tree,
                                  TSheetMap& sheets) {
  if (isOgy) {
    ReadOgySheets(streams, tree, tree.Add(nullptr, "Base Folder", -1), sheets, 1, false);
    return;
  }
  ReadTreeStreams(streams, tree);
  for (const TSheetNode* node : tree.Worksheets()) {
    const int state = node->StateIndex;
    if (sheets.count(state)) Corrupt();  // two nodes of one worksheet
    auto sheet = ReadSheet(streams, SheetName(state));
    sheet->Name = SheetName(state);
    sheets[state] = std::move(sheet);
  }
}

void TSpreadDocument::LoadSsf(const std::string& fileName, bool isOgy) {
  TNamedStreams streams;
  streams.LoadFromFile(fileName);
  LoadSsfStreams(streams, isOgy);
}

void TSpreadDocument::LoadSsfStreams(const TNamedStreams& streams, bool isOgy) {
  TSheetTree tree;
  TSheetMap sheets;
  ReadSsfInto(streams, isOgy, tree, sheets);
  TakeOver(tree, sheets);
  const int index = StoredTreeIndex();
  TSheetNode* node = tree_.Item(index);
  if (!node || !SheetOf(node)) node = tree_.WorksheetNear(index);
  SelectNode(node);
  modified_ = false;
}

void TSpreadDocument::AppendSsfInto(const TNamedStreams& streams, const std::string& fileName,
                                    bool isOgy, TSheetTree& tree, TSheetMap& sheets,
                                    int firstNumber) {
  TSheetNode* folder = tree.Add(nullptr, ExtractFileName(fileName), -1);
  if (isOgy) {
    ReadOgySheets(streams, tree, folder, sheets, firstNumber, true);
    return;
  }
  TSheetTree part;
  ReadTreeStreams(streams, part);
  int n = firstNumber;
  for (TSheetNode* node : part.Items()) {
    node->Text = Trim(node->Text);
    if (!node->IsWorksheet()) continue;
    // The worksheet takes the next free number of this document.
    auto sheet = ReadSheet(streams, SheetName(node->StateIndex));
    node->StateIndex = n;
    sheet->Name = SheetName(n);
    sheets[n++] = std::move(sheet);
  }
  // The file's top-level nodes hang below the new folder.
  tree.MoveRootsFrom(part, folder);
}

void TSpreadDocument::AppendSsf(const std::string& fileName, bool isOgy) {
  TNamedStreams streams;
  streams.LoadFromFile(fileName);
  AppendSsfStreams(streams, fileName, isOgy);
}

void TSpreadDocument::AppendSsfStreams(const TNamedStreams& streams, const std::string& fileName,
                                       bool isOgy) {
  TSheetTree part;
  TSheetMap sheets;
  AppendSsfInto(streams, fileName, isOgy, part, sheets, NextSheetNumber().Number);
  tree_.MoveRootsFrom(part, nullptr);
  for (auto& [n, sheet] : sheets) sheets_[n] = std::move(sheet);
  modified_ = true;
  view_->TreeChanged();
}

void TSpreadDocument::SaveSsf(const std::string& fileName) {
  view_->EndEditing();
  TNamedStreams streams;
  streams.Compressed = true;
  streams.Encrypted = false;
  std::string images, states;
  for (const TSheetNode* node : tree_.Items()) {
    images += std::to_string(node->ImageIndex) + "\r\n";
    states += std::to_string(node->StateIndex) + "\r\n";
    if (const TXLSheet* sheet = SheetOf(node)) {
      TMemoryStream ms;
      sheet->SaveToStream(ms);
      streams.AddStream(SheetName(node->StateIndex), &ms);
    }
  }
  AddText(streams, "ImageID_Data", images);
  AddText(streams, "StateID_Data", states);
  AddText(streams, "SheetTree_Data", tree_.SaveText());
  streams.SaveToFile(fileName);
  modified_ = false;
}

// ---------------------------------------------------------------------------
// Worksheet tree commands.

TSheetNode* TSpreadDocument::AddSheet() {
  const TNextSheet next = NextSheetNumber();
  TSheetNode* sel = tree_.Selected;
  TSheetNode* node;
  if (sel && sel->IsWorksheet())
    node = tree_.InsertAfter(sel, next.Text, next.Number);
  else if (sel)
    node = tree_.Add(sel, next.Text, next.Number);
  else
    node = tree_.Add(tree_.Empty() ? nullptr : tree_.Roots().front().get(), next.Text, next.Number);
  auto sheet = std::make_unique<TXLSheet>();
  InitNewWorksheet(*sheet, next.Number);
  sheets_[next.Number] = std::move(sheet);
  modified_ = true;
  SelectNode(node);
  return node;
}

TSheetNode* TSpreadDocument::NewFolder() {
  TSheetNode* sel = tree_.Selected;
  TSheetNode* node = tree_.Add(sel ? sel->Parent() : nullptr, "New Folder", -1);
  modified_ = true;
  view_->TreeChanged();
  return node;
}

bool TSpreadDocument::DeleteNode(TSheetNode* node) {
  if (!node) return false;
  if (tree_.WorksheetsLeftAfterDelete(node) < 1) {
    Dialogs().MessageBox("Document must contain at least one worksheet!", "Error", mtError, mbOK);
    return false;
  }
  const std::string question = "Are you sure to delete \"" + node->Text + "\"" +
                               (node->HasChildren() ? " and all its sub-items?" : "?");
  if (Dialogs().MessageBox(question, "Confirm", mtConfirmation, mbYesNo) != mrYes) return false;
  const int from = tree_.AbsoluteIndex(node);
  std::vector<int> doomed;
  for (const TSheetNode* n : tree_.Items())
    if (n->IsWorksheet() && n->IsWithin(node)) doomed.push_back(n->StateIndex);
  TXLSheet* shown = view_->ShownSheet();
  for (int n : doomed)
    if (Worksheet(n) == shown) view_->ShowSheet(nullptr);
  tree_.Delete(node);
  for (int n : doomed) sheets_.erase(n);
  modified_ = true;
  TSheetNode* sel = tree_.Selected;
  if (!sel || !sel->IsWorksheet()) sel = tree_.WorksheetNear(from);
  SelectNode(sel);
  return true;
}

void TSpreadDocument::TreeEdited() {
  modified_ = true;
  StoreTreeIndex();
  view_->TreeChanged();
}

}  // namespace qv
