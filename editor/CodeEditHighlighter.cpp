#include "editor/CodeEditHighlighter.h"

#include <algorithm>

#include "editor/CodeEditMiscProcs.h"
#include "platform/core/SysUtils.h"

namespace qv {

// ---- TCodeHighlighterAttributes --------------------------------------------

TCodeHighlighterAttributes::TCodeHighlighterAttributes(const std::string& AName) : name_(AName) {}

void TCodeHighlighterAttributes::Changed() {
  if (OnChange) OnChange(this);
}

void TCodeHighlighterAttributes::Assign(const TCodeHighlighterAttributes& Source) {
  if (&Source == this) return;
  name_ = Source.name_;
  bool changed = false;
  if (background_ != Source.background_) {
    background_ = Source.background_;
    changed = true;
  }
  if (foreground_ != Source.foreground_) {
    foreground_ = Source.foreground_;
    changed = true;
  }
  if (style_ != Source.style_) {
    style_ = Source.style_;
    changed = true;
  }
  if (changed) Changed();
}

void TCodeHighlighterAttributes::InternalSaveDefaultValues() {
  backgroundDefault_ = background_;
  foregroundDefault_ = foreground_;
  styleDefault_ = style_;
}

void TCodeHighlighterAttributes::SetBackground(TColor Value) {
  if (background_ != Value) {
    background_ = Value;
    Changed();
  }
}

void TCodeHighlighterAttributes::SetForeground(TColor Value) {
  if (foreground_ != Value) {
    foreground_ = Value;
    Changed();
  }
}

void TCodeHighlighterAttributes::SetStyle(TFontStyles Value) {
  if (style_ != Value) {
    style_ = Value;
    Changed();
  }
}

namespace {

// The 16-colour table of the other editor's registry layout.
constexpr TColor kEditorColors[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                      0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                      0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

bool ColorFromIndexText(const std::string& Text, TColor& Color) {
  int index = 0;
  if (!TryStrToInt(Trim(Text), index) || index < 0 || index > 15) return false;
  Color = kEditorColors[index];
  return true;
}

bool ColorFromIndex(int Index, TColor& Color) {
  if (Index < 0 || Index > 15) return false;
  Color = kEditorColors[Index];
  return true;
}

// Registry paths are absolute; the stand-in otherwise resolves a key
// relative to the key that is open.
std::string AbsKey(const std::string& Key) {
  return !Key.empty() && Key.front() == '\\' ? Key : "\\" + Key;
}

bool RegistryFlag(const std::string& Text) {
  const std::string t = Trim(Text);
  return !(SameText(t, "FALSE") || t == "0");
}

std::vector<std::string> SplitFields(const std::string& S) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = S.find(',', start);
    fields.push_back(
        Trim(S.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

}  // namespace

bool TCodeHighlighterAttributes::LoadFromEditorRegistry(TRegistryStore& Reg,
                                                        const std::string& AttrKey,
                                                        const std::string& AttrName,
                                                        bool OldStyle) {
  TColor fg = clNone, bg = clNone;
  TFontStyles style;
  if (OldStyle) {
    if (!Reg.OpenKeyReadOnly(AbsKey(AttrKey)) || !Reg.ValueExists(AttrName)) return false;
    const std::vector<std::string> f = SplitFields(Reg.ReadString(AttrName));
    if (f.size() != 7) return false;
    if (f[2].find('B') != std::string::npos) style.Include(fsBold);
    if (f[2].find('I') != std::string::npos) style.Include(fsItalic);
    if (f[2].find('U') != std::string::npos) style.Include(fsUnderline);
    if (f[3] == "1")
      fg = clWindowText;
    else if (!ColorFromIndexText(f[5], fg))
      return false;
    if (f[4] == "1")
      bg = clWindow;
    else if (!ColorFromIndexText(f[6], bg))
      return false;
  } else {
    if (!Reg.OpenKeyReadOnly(AbsKey(AttrKey) + "\\" + AttrName)) return false;
    static const char* const names[] = {
        "Foreground Color",   "Background Color",  "Bold", "Italic", "Underline",
        "Default Foreground", "Default Background"};
    for (const char* n : names)
      if (!Reg.ValueExists(n)) return false;
    if (RegistryFlag(Reg.ReadString("Bold"))) style.Include(fsBold);
    if (RegistryFlag(Reg.ReadString("Italic"))) style.Include(fsItalic);
    if (RegistryFlag(Reg.ReadString("Underline"))) style.Include(fsUnderline);
    if (RegistryFlag(Reg.ReadString("Default Foreground")))
      fg = clWindowText;
    else if (!ColorFromIndex(Reg.ReadInteger("Foreground Color"), fg))
      return false;
    if (RegistryFlag(Reg.ReadString("Default Background")))
      bg = clWindow;
    else if (!ColorFromIndex(Reg.ReadInteger("Background Color"), bg))
      return false;
  }
  SetForeground(fg);
  SetBackground(bg);
  SetStyle(style);
  return true;
}

bool TCodeHighlighterAttributes::LoadFromRegistry(TRegistryStore& Reg,
                                                  const std::string& ParentKey) {
  const bool ok = Reg.OpenKeyReadOnly(AbsKey(ParentKey) + "\\" + name_);
  if (ok) {
    if (Reg.ValueExists("Background"))
      SetBackground(static_cast<TColor>(Reg.ReadInteger("Background")));
    if (Reg.ValueExists("Foreground"))
      SetForeground(static_cast<TColor>(Reg.ReadInteger("Foreground")));
    if (Reg.ValueExists("Style")) SetIntegerStyle(Reg.ReadInteger("Style"));
  }
  Reg.OpenKeyReadOnly(AbsKey(ParentKey));
  return ok;
}

bool TCodeHighlighterAttributes::SaveToRegistry(TRegistryStore& Reg, const std::string& ParentKey) {
  const bool ok = Reg.OpenKey(AbsKey(ParentKey) + "\\" + name_, true);
  if (ok) {
    Reg.WriteInteger("Background", static_cast<int>(background_));
    Reg.WriteInteger("Foreground", static_cast<int>(foreground_));
    Reg.WriteInteger("Style", IntegerStyle());
  }
  Reg.OpenKey(AbsKey(ParentKey), true);
  return ok;
}

// ---- TCodeCustomHighlighter ------------------------------------------------

TCodeCustomHighlighter::TCodeCustomHighlighter() : attrChangeHooks_(this) {
  for (unsigned char c : std::string("!\"'()*+,-./:;=?[\\]^{|}")) wordBreakChars_.set(c);
}

TCodeCustomHighlighter::~TCodeCustomHighlighter() = default;

int TCodeCustomHighlighter::GetAttributeCount() const {
  return static_cast<int>(attributes_.size());
}

TCodeHighlighterAttributes* TCodeCustomHighlighter::GetAttribute(int Index) const {
  if (Index < 0 || Index >= GetAttributeCount()) return nullptr;
  return attributes_[size_t(Index)].get();
}

TCodeCharSet256 TCodeCustomHighlighter::GetIdentChars() const {
  TCodeCharSet256 s;
  for (int c = 33; c < 256; ++c) s.set(size_t(c));
  return s;
}

bool TCodeCustomHighlighter::IsIdentChar(char32_t C) const {
  if (C < 256) return GetIdentChars().test(C);
  return true;
}

void TCodeCustomHighlighter::AddAttribute(std::unique_ptr<TCodeHighlighterAttributes> Attr) {
  if (!Attr) return;
  auto pos = std::lower_bound(
      attributes_.begin(), attributes_.end(), Attr->Name(),
      [](const std::unique_ptr<TCodeHighlighterAttributes>& a, const std::string& name) {
        return AnsiCompareText(a->Name(), name) < 0;
      });
  if (pos != attributes_.end() && AnsiCompareText((*pos)->Name(), Attr->Name()) == 0)
    throw EStringListError("String list does not allow duplicates");
  attributes_.insert(pos, std::move(Attr));
}

TCodeHighlighterAttributes* TCodeCustomHighlighter::AttributeByName(const std::string& Name) const {
  for (const auto& a : attributes_)
    if (AnsiCompareText(a->Name(), Name) == 0) return a.get();
  return nullptr;
}

void TCodeCustomHighlighter::NextToEol() {
  while (!GetEol()) Next();
}

void TCodeCustomHighlighter::FreeHighlighterAttributes() { attributes_.clear(); }

void TCodeCustomHighlighter::Assign(const TCodeCustomHighlighter& Source) {
  if (&Source == this) return;
  for (const auto& own : attributes_)
    if (TCodeHighlighterAttributes* src = Source.AttributeByName(own->Name())) own->Assign(*src);
  if (typeid(Source) == typeid(*this)) SetSampleSource(Source.GetSampleSource());
  wordBreakChars_ = Source.wordBreakChars_;
  SetDefaultFilter(Source.GetDefaultFilter());
  SetEnabled(Source.Enabled());
}

bool TCodeCustomHighlighter::LoadFromRegistry(TRegistryStore& Reg, const std::string& Key) {
  if (!Reg.OpenKeyReadOnly(AbsKey(Key))) return false;
  for (const auto& a : attributes_)
    if (!a->LoadFromRegistry(Reg, Key)) return false;
  return true;
}

bool TCodeCustomHighlighter::SaveToRegistry(TRegistryStore& Reg, const std::string& Key) {
  if (!Reg.OpenKey(AbsKey(Key), true)) return false;
  for (const auto& a : attributes_)
    if (!a->SaveToRegistry(Reg, Key)) return false;
  return true;
}

bool TCodeCustomHighlighter::LoadFromRegistry(TRootKey RootKey, const std::string& Key) {
  TRegistryStore reg;
  reg.RootKey = RootKey;
  return LoadFromRegistry(reg, Key);
}

bool TCodeCustomHighlighter::SaveToRegistry(TRootKey RootKey, const std::string& Key) {
  TRegistryStore reg;
  reg.RootKey = RootKey;
  return SaveToRegistry(reg, Key);
}

void TCodeCustomHighlighter::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0 && changePending_) {
    changePending_ = false;
    DefHighlightChange();
  }
}

void TCodeCustomHighlighter::SetEnabled(bool Value) {
  if (enabled_ != Value) {
    enabled_ = Value;
    DefHighlightChange();
  }
}

void TCodeCustomHighlighter::SetAttributesOnChange(
    std::function<void(TCodeHighlighterAttributes*)> Handler) {
  for (size_t i = attributes_.size(); i-- > 0;) {
    attributes_[i]->OnChange = Handler;
    attributes_[i]->InternalSaveDefaultValues();
  }
}

void TCodeCustomHighlighter::DefHighlightChange() {
  if (updateCount_ < 1)
    attrChangeHooks_.Fire();
  else
    changePending_ = true;
}

// ---- per-line scanning ------------------------------------------------------

TCodeLineHighlight HighlightLine(TCodeCustomHighlighter& Highlighter, const std::string& Line,
                                 int32_t PrevRange, int LineNumber) {
  TCodeLineHighlight result;
  Highlighter.SetRange(PrevRange);
  Highlighter.SetLine(Line, LineNumber);
  while (!Highlighter.GetEol()) {
    TCodeTokenRun run;
    run.Pos = Highlighter.GetTokenPos();
    run.Text = Highlighter.GetToken();
    run.Kind = Highlighter.GetTokenKind();
    run.Attribute = Highlighter.GetTokenAttribute();
    result.Runs.push_back(std::move(run));
    Highlighter.Next();
  }
  result.Range = Highlighter.GetRange();
  return result;
}

std::vector<TCodeHighlighterClass>& GetPlaceableHighlighters() {
  static std::vector<TCodeHighlighterClass> list;
  return list;
}

void RegisterPlaceableHighlighter(const std::string& Name, THighlighterFactory Factory) {
  auto& list = GetPlaceableHighlighters();
  for (const auto& c : list)
    if (c.Name == Name) return;
  list.push_back({Name, std::move(Factory)});
}

}  // namespace qv
