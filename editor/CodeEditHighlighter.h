// Highlighter base: the scanner interface that splits one line into tokens,
// and the named token styles (attributes).
//
// A client highlights text line by line, carrying the scanner state (the
// range, an opaque 32-bit value) from one line to the next:
//   SetRange(range stored for the previous line)   (or ResetRange)
//   SetLine(text, line index)
//   while (!GetEol()) { GetTokenPos/GetToken/GetTokenAttribute; Next(); }
//   GetRange() -> the state to store with the line
// HighlightLine() does exactly this and returns the token runs and the next
// range, so highlighting can be checked without any widget.
//
// Token positions are 0-based character (code point) positions in the line.
// The highlighter owns its attributes; attributes can be stored in the
// registry stand-in (one subkey per attribute with "Background",
// "Foreground" and "Style").
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEditMiscClasses.h"
#include "platform/core/Graphics.h"
#include "platform/core/IniFiles.h"

namespace qv {

// A set of characters below 256 (code points); which characters above it
// belong is answered by IsIdentChar of the highlighter.
using TCodeCharSet256 = std::bitset<256>;

class TCodeHighlighterAttributes {
 public:
  explicit TCodeHighlighterAttributes(const std::string& AName);
  virtual ~TCodeHighlighterAttributes() = default;
  TCodeHighlighterAttributes(const TCodeHighlighterAttributes&) = delete;
  TCodeHighlighterAttributes& operator=(const TCodeHighlighterAttributes&) = delete;

  // Copies the name, and the colours and style where they differ; fires
  // Changed once when anything differed.
  void Assign(const TCodeHighlighterAttributes& Source);
  // The current colours and style become the defaults.
  void InternalSaveDefaultValues();

  // Reads an attribute stored by another editor's registry layout (colours
  // as indexes into the 16-colour table). All values must be present and
  // every colour index in 0..15; otherwise nothing changes and the result
  // is false.
  virtual bool LoadFromEditorRegistry(TRegistryStore& Reg, const std::string& AttrKey,
                                      const std::string& AttrName, bool OldStyle);
  // Loads/saves the subkey named after the attribute below ParentKey; Reg
  // is left on ParentKey afterwards. A missing value on loading leaves that
  // property as it is.
  bool LoadFromRegistry(TRegistryStore& Reg, const std::string& ParentKey);
  bool SaveToRegistry(TRegistryStore& Reg, const std::string& ParentKey);

  const std::string& Name() const { return name_; }
  TColor Background() const { return background_; }
  void SetBackground(TColor Value);
  TColor Foreground() const { return foreground_; }
  void SetForeground(TColor Value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Value);
  // Style as bold 1 + italic 2 + underline 4 + strike-out 8.
  int IntegerStyle() const { return static_cast<int>(style_.Bits()); }
  void SetIntegerStyle(int Value) { SetStyle(TFontStyles::FromBits(unsigned(Value) & 15u)); }
  // Whether a form file would store the property (it differs from its default).
  bool IsBackgroundStored() const { return background_ != backgroundDefault_; }
  bool IsForegroundStored() const { return foreground_ != foregroundDefault_; }
  bool IsStyleStored() const { return style_ != styleDefault_; }

  std::function<void(TCodeHighlighterAttributes* Sender)> OnChange;

 protected:
  virtual void Changed();

 private:
  TColor background_ = clNone;
  TColor backgroundDefault_ = clNone;
  TColor foreground_ = clNone;
  TColor foregroundDefault_ = clNone;
  std::string name_;
  TFontStyles style_;
  TFontStyles styleDefault_;
};

// Capability bit: attributes can be stored in the registry.
constexpr unsigned hcRegistry = 1u << 1;

class TCodeCustomHighlighter {
 public:
  TCodeCustomHighlighter();
  virtual ~TCodeCustomHighlighter();
  TCodeCustomHighlighter(const TCodeCustomHighlighter&) = delete;
  TCodeCustomHighlighter& operator=(const TCodeCustomHighlighter&) = delete;

  // Attributes in name order (case-insensitive); nullptr outside the list.
  virtual int GetAttributeCount() const;
  virtual TCodeHighlighterAttributes* GetAttribute(int Index) const;
  // Roles: comment 0, identifier 1, keyword 2, string 3, whitespace 4.
  virtual TCodeHighlighterAttributes* GetDefaultAttribute(int Index) const = 0;
  virtual std::string GetDefaultFilter() const { return defaultFilter_; }
  virtual TCodeCharSet256 GetIdentChars() const;
  virtual bool IsIdentChar(char32_t C) const;
  virtual void SetWordBreakChars(const TCodeCharSet256& AChars) { wordBreakChars_ = AChars; }
  const TCodeCharSet256& WordBreakChars() const { return wordBreakChars_; }
  virtual std::string GetSampleSource() const { return std::string(); }
  virtual bool IsDefaultFilterStored() const { return true; }
  virtual void SetDefaultFilter(const std::string& Value) { defaultFilter_ = Value; }
  virtual void SetSampleSource(const std::string&) {}
  virtual unsigned GetCapabilities() const { return hcRegistry; }
  virtual std::string GetLanguageName() const { return "<Unknown>"; }
  // Scanner.
  virtual bool GetEol() const = 0;
  virtual int32_t GetRange() const { return 0; }
  virtual std::string GetToken() const = 0;
  virtual TCodeHighlighterAttributes* GetTokenAttribute() const = 0;
  virtual int GetTokenKind() const = 0;
  virtual int GetTokenPos() const = 0;
  virtual void Next() = 0;
  virtual void SetLine(const std::string& NewValue, int LineNumber) = 0;
  virtual void SetRange(int32_t) {}
  virtual void ResetRange() {}

  // Registry: every attribute in order, stopping at the first failure;
  // false also when the key cannot be opened.
  virtual bool LoadFromRegistry(TRegistryStore& Reg, const std::string& Key);
  virtual bool SaveToRegistry(TRegistryStore& Reg, const std::string& Key);
  // The same through the program's registry stand-in under RootKey.
  bool LoadFromRegistry(TRootKey RootKey, const std::string& Key);
  bool SaveToRegistry(TRootKey RootKey, const std::string& Key);

  void AddAttribute(std::unique_ptr<TCodeHighlighterAttributes> Attr);
  TCodeHighlighterAttributes* AttributeByName(const std::string& Name) const;
  void HookAttrChangeEvent(const TCodeNotifyEvent& Event) { attrChangeHooks_.Add(Event); }
  void UnhookAttrChangeEvent(const TCodeNotifyEvent& Event) { attrChangeHooks_.Remove(Event); }
  void NextToEol();
  void FreeHighlighterAttributes();
  // Own attributes take the values of the source's attributes of the same
  // name; the sample source (same class only), word-break set, default
  // filter and Enabled are copied.
  virtual void Assign(const TCodeCustomHighlighter& Source);

  // While an update is open attribute changes are only marked; the
  // outermost EndUpdate reports a pending change once.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);

 protected:
  // Gives every attribute the handler and records its current values as
  // its defaults.
  void SetAttributesOnChange(std::function<void(TCodeHighlighterAttributes*)> Handler);
  // The base handler: fires the hooked events, or marks the change pending
  // while an update is open.
  void DefHighlightChange();

 private:
  std::vector<std::unique_ptr<TCodeHighlighterAttributes>> attributes_;  // sorted by name
  TCodeNotifyEventChain attrChangeHooks_;
  int updateCount_ = 0;
  bool enabled_ = true;
  TCodeCharSet256 wordBreakChars_;
  std::string defaultFilter_;
  bool changePending_ = false;
};

// One token of a highlighted line.
struct TCodeTokenRun {
  int Pos = 0;       // 0-based character position in the line
  std::string Text;  // the token's text (UTF-8)
  int Kind = 0;
  TCodeHighlighterAttributes* Attribute = nullptr;
};

struct TCodeLineHighlight {
  std::vector<TCodeTokenRun> Runs;
  int32_t Range = 0;  // the range to store with the line
};

// Scans one line starting in PrevRange.
TCodeLineHighlight HighlightLine(TCodeCustomHighlighter& Highlighter, const std::string& Line,
                                 int32_t PrevRange, int LineNumber = 0);

// The classes of highlighter the program offers, by name.
using THighlighterFactory = std::function<std::unique_ptr<TCodeCustomHighlighter>()>;
struct TCodeHighlighterClass {
  std::string Name;
  THighlighterFactory Create;
};
std::vector<TCodeHighlighterClass>& GetPlaceableHighlighters();
// Adds a class that is not yet listed.
void RegisterPlaceableHighlighter(const std::string& Name, THighlighterFactory Factory);

}  // namespace qv
