#include "workbook/XLSNames.h"

#include "platform/core/SysUtils.h"

namespace qv {

std::string TokensToHex(std::string_view tokens) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(tokens.size() * 2);
  for (char c : tokens) {
    auto b = static_cast<uint8_t>(c);
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::string HexToTokens(std::string_view hex) {
  auto val = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int a = val(hex[i]), b = val(hex[i + 1]);
    if (a < 0 || b < 0) continue;
    out += static_cast<char>(a * 16 + b);
  }
  return out;
}

// ---------------------------------------------------------------------------

const std::string TNameDefs::InternalSupBook("\x01\x04", 2);
const std::string TNameDefs::AddInSupBook("\x01\x3A", 2);

int TNameDefs::AddExternName(uint16_t options, const std::string& name, const std::string& tokens) {
  if (SupBooks.empty()) throw EXLSError("No SUPBOOK for EXTERNNAME");
  auto& names = SupBooks.back().Names;
  names.push_back({options, name, tokens});
  return static_cast<int>(names.size()) - 1;
}

int TNameDefs::AddExternSheet(int supBook, int firstSheet, int lastSheet) {
  ExternSheets.push_back({supBook, firstSheet, lastSheet});
  return static_cast<int>(ExternSheets.size()) - 1;
}

int TNameDefs::FindOrAddExternSheet(int supBook, int firstSheet, int lastSheet) {
  for (size_t i = 0; i < ExternSheets.size(); ++i) {
    const auto& e = ExternSheets[i];
    if (e.SupBook == supBook && e.FirstSheet == firstSheet && e.LastSheet == lastSheet)
      return static_cast<int>(i);
  }
  return AddExternSheet(supBook, firstSheet, lastSheet);
}

int TNameDefs::AddName(uint16_t options, uint8_t shortcut, int tabIndex, const std::string& name,
                       const std::string& tokens, int externSheet) {
  TWorkbookName n;
  n.Options = options;
  n.Shortcut = shortcut;
  n.TabIndex = tabIndex;
  n.Name = name;
  n.Tokens = tokens;
  n.ExternSheet = externSheet;
  Names.push_back(std::move(n));
  return static_cast<int>(Names.size()) - 1;
}

int TNameDefs::AddSupBook(const std::string& fileName, int sheetCount) {
  for (size_t i = 0; i < SupBooks.size(); ++i)
    if (SupBooks[i].FileName == fileName && SupBooks[i].SheetNames.empty())
      return static_cast<int>(i);
  TSupBook b;
  b.FileName = fileName;
  b.SheetCount = sheetCount;
  SupBooks.push_back(std::move(b));
  return static_cast<int>(SupBooks.size()) - 1;
}

int TNameDefs::InternalSupBookIndex(int sheetCount) {
  for (size_t i = 0; i < SupBooks.size(); ++i)
    if (SupBooks[i].FileName == InternalSupBook) return static_cast<int>(i);
  return AddSupBook(InternalSupBook, sheetCount);
}

namespace {
const char* builtinName(int code) {
  static const char* const kNames[] = {
      "Consolidate_Area", "Auto_Open",       "Auto_Close",   "Extract",        "Database",
      "Criteria",         "Print_Area",      "Print_Titles", "Recorder",       "Data_Form",
      "Auto_Activate",    "Auto_Deactivate", "Sheet_Title",  "_FilterDatabase"};
  if (code < 0 || code >= 14) return nullptr;
  return kNames[code];
}
}  // namespace

std::string TNameDefs::GetNameText(int kind, int index, int nameIndex) const {
  if (kind == 0) {
    if (index < 1 || index > static_cast<int>(Names.size())) return "#NAME!";
    const auto& n = Names[static_cast<size_t>(index - 1)];
    if ((n.Options & 0x20) && n.Name.size() == 1) {
      if (const char* b = builtinName(static_cast<uint8_t>(n.Name[0]))) return b;
    }
    return n.Name;
  }
  if (kind == 2) {
    if (index < 0 || index >= static_cast<int>(ExternSheets.size())) return "#NAME!";
    const auto& es = ExternSheets[static_cast<size_t>(index)];
    if (es.SupBook < 0 || es.SupBook >= static_cast<int>(SupBooks.size())) return "#NAME!";
    const auto& sb = SupBooks[static_cast<size_t>(es.SupBook)];
    std::string file = DecodeFileName(sb.FileName, false);
    if (nameIndex < 1) {
      if (es.FirstSheet >= 0 && es.FirstSheet < 256 &&
          es.FirstSheet < static_cast<int>(sb.SheetNames.size()))
        return "[" + file + "]" + sb.SheetNames[static_cast<size_t>(es.FirstSheet)] + "!";
      return file;
    }
    if (nameIndex > static_cast<int>(sb.Names.size())) return "#NAME!";
    const auto& en = sb.Names[static_cast<size_t>(nameIndex - 1)];
    if (en.Options & 0x10) return "[OLE]";
    if (en.Options < 2) return en.Name;
    return "'" + file + "'!" + en.Name;
  }
  return "#NAME!";
}

std::string TNameDefs::DecodeFileName(std::string_view e, bool ddeStyle) {
  if (!e.empty() && e[0] == '\x01') e.remove_prefix(1);
  std::string out;
  for (size_t i = 0; i < e.size(); ++i) {
    switch (e[i]) {
      case '\x01':
        if (i + 1 < e.size()) {
          out += e[++i];
          out += ":\\";
        }
        break;
      case '\x02':
        out += "\\";
        break;
      case '\x03':
        out += ddeStyle ? "|" : "\\";
        break;
      case '\x04':
        out += "..\\";
        break;
      case '\x05':
      case '\x06':
      case '\x07':
      case '\x08':
        break;
      default:
        out += e[i];
    }
  }
  return out;
}

void TNameDefs::SetPrintTitles(int sheet, int firstRow, int lastRow, int firstCol, int lastCol) {
  for (size_t i = Names.size(); i-- > 0;) {
    const auto& n = Names[i];
    if ((n.Options & 0x20) && n.Name == "\x07" && n.TabIndex == sheet + 1)
      Names.erase(Names.begin() + static_cast<long>(i));
  }
  bool rows = firstRow >= 0 && lastRow >= 0;
  bool cols = firstCol >= 0 && lastCol >= 0;
  if (!rows && !cols) return;
  int ixti = FindOrAddExternSheet(InternalSupBookIndex(sheet + 1), sheet, sheet);
  auto area = [&](int r1, int r2, int c1, int c2) {
    std::string t;
    t += '\x3B';
    appendLE<uint16_t>(t, static_cast<uint16_t>(ixti));
    appendLE<uint16_t>(t, static_cast<uint16_t>(r1));
    appendLE<uint16_t>(t, static_cast<uint16_t>(r2));
    appendLE<uint16_t>(t, static_cast<uint16_t>(c1));
    appendLE<uint16_t>(t, static_cast<uint16_t>(c2));
    return t;
  };
  std::string tokens;
  if (rows && cols) {
    std::string inner = area(firstRow, lastRow, 0, 255) + area(0, 65535, firstCol, lastCol);
    tokens += '\x29';
    appendLE<uint16_t>(tokens, static_cast<uint16_t>(inner.size() + 1));
    tokens += inner;
    tokens += '\x10';
  } else if (rows) {
    tokens = area(firstRow, lastRow, 0, 255);
  } else {
    tokens = area(0, 65535, firstCol, lastCol);
  }
  AddName(0x20, 0, sheet + 1, "\x07", tokens, ixti);
}

void TNameDefs::Clear() {
  Names.clear();
  ExternSheets.clear();
  SupBooks.clear();
  ExternCount = 0;
}

// ---------------------------------------------------------------------------

TAreaName::TAreaName(TAreaNames* owner, int number)
    : owner_(owner), name_("Area" + std::to_string(number)) {}

void TAreaName::SetAreaName(const std::string& v) {
  std::string t = Trim(v);
  if (t.empty()) throw EXLSError("Name is missing");
  if (owner_) {
    for (int i = 0; i < owner_->Count(); ++i) {
      const TAreaName& o = owner_->Item(i);
      if (&o != this && AnsiSameText(o.AreaName(), t))
        throw EXLSError("There is allready an area named \"" + t + "\"");
    }
  }
  name_ = t;
}

std::string TAreaName::NameDef() const {
  if (Tokens.empty() || !owner_ || !owner_->Host()) return {};
  return owner_->Host()->DecodeTokens(Tokens);
}

void TAreaName::SetNameDef(const std::string& text) {
  if (!owner_ || !owner_->Host()) return;
  Tokens = owner_->Host()->EncodeText(text, 512);
  TNameDefs* d = owner_->Defs();
  if (d && LinkedName >= 0 && LinkedName < static_cast<int>(d->Names.size()))
    d->Names[static_cast<size_t>(LinkedName)].Tokens = Tokens;
}

TAreaName& TAreaNames::Add() {
  items_.push_back(std::make_unique<TAreaName>(this, Count() + 1));
  return *items_.back();
}

int TAreaNames::Find(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(items_[static_cast<size_t>(i)]->AreaName(), name)) return i;
  return -1;
}

// ---------------------------------------------------------------------------

std::string TDataValidation::Expression1() const {
  return host_ && !Tokens1.empty() ? host_->DecodeTokens(Tokens1) : std::string();
}
void TDataValidation::SetExpression1(const std::string& text) {
  if (host_) Tokens1 = host_->EncodeText(text, 512);
}
std::string TDataValidation::Expression2() const {
  return host_ && !Tokens2.empty() ? host_->DecodeTokens(Tokens2) : std::string();
}
void TDataValidation::SetExpression2(const std::string& text) {
  if (host_) Tokens2 = host_->EncodeText(text, 512);
}

// ---------------------------------------------------------------------------

TNote::TNote(int index) : Name("Note " + std::to_string(index)), Text{"Note"} { place(); }

void TNote::SetCellCol(int v) {
  col_ = v;
  place();
}
void TNote::SetCellRow(int v) {
  row_ = v;
  place();
}

void TNote::place() {
  key_ = static_cast<uint32_t>(col_ & 0xFF) + static_cast<uint32_t>(row_) * 256u;
  if (Anchor.Explicit) return;
  Anchor.Row1 = std::max(row_ - 1, 0);
  Anchor.Col1 = col_ + 1;
  Anchor.Row2 = Anchor.Row1 + 2;
  Anchor.Col2 = Anchor.Col1 + 2;
}

std::string TNote::JoinedText() const {
  std::string s;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (i) s += "\r\n";
    s += Text[i];
  }
  return s;
}

TNote* TNotes::FindObjId(int id) {
  for (auto& n : items_)
    if (n->ObjId == id) return n.get();
  return nullptr;
}

// ---------------------------------------------------------------------------

void TRecordStorage::ReadUntilEOF(TXLSStream& stream) {
  TBIFFHeader h;
  while (stream.ReadHeader(h)) {
    if (stream.Position() + h.Length > stream.Size()) {
      stream.Seek(-4, 1);
      return;
    }
    if (h.RecId == biff::EOF_) {
      stream.Seek(h.Length, 1);
      return;
    }
    TKeptRecord r;
    r.RecId = h.RecId;
    r.Body.resize(h.Length);
    stream.Read(r.Body.data(), h.Length);
    Records.push_back(std::move(r));
  }
}

void TRecordStorage::WriteAll(TXLSStream& stream) const {
  for (const auto& r : Records) stream.WriteRecord(r.RecId, r.Body);
}

}  // namespace qv
