// Exporter base: turns lines of text and a highlighter into a styled
// document, calling format-specific operations whenever the style changes.
//
// ExportRange scans the lines token by token (the scanner state carries
// from line to line), replaces characters that the format must escape,
// tells the format about attribute changes, and finally puts the document
// header in front (so the header can list every colour the body used) and
// the footer behind. An export that cannot run (no lines, no highlighter,
// an empty or inverted range) clears the buffer and returns false.
// The highlighter is not owned and must outlive its use here.
#pragma once

#include <string>

#include "editor/CodeEditHighlighter.h"
#include "platform/core/Classes.h"
#include "platform/core/Graphics.h"
#include "platform/core/Services.h"

namespace qv {

class TCodeCustomExporter {
 public:
  TCodeCustomExporter();
  virtual ~TCodeCustomExporter() = default;
  TCodeCustomExporter(const TCodeCustomExporter&) = delete;
  TCodeCustomExporter& operator=(const TCodeCustomExporter&) = delete;

  // Empties the buffer and forgets the last attribute.
  virtual void Clear();
  bool ExportAll(const TStrings* ALines);
  // Start and Stop are (column, line) points, 1-based; Stop is exclusive in
  // its column.
  bool ExportRange(const TStrings* ALines, TPoint Start, TPoint Stop);
  // Writes the whole buffer atomically; raises on failure.
  void SaveToFile(const std::string& FileName) const;
  void SaveToStream(TStream& Stream) const;
  const std::string& Data() const { return buffer_; }
  size_t GetBufferSize() const { return buffer_.size(); }
  // Puts the buffer on the clipboard under the exporter's format name
  // ("Rich Text Format", "HTML Format"); plain text for the base.
  void CopyToClipboard(TClipboardService& Clipboard) const;
  virtual std::string GetClipboardFormatName() const { return std::string(); }
  virtual std::string GetFormatDescription() const { return std::string(); }

  TColor Color() const { return backgroundColor_; }
  void SetColor(TColor Value) { backgroundColor_ = Value; }
  const std::string& DefaultFilter() const { return defaultFilter_; }
  void SetDefaultFilter(const std::string& Value) { defaultFilter_ = Value; }
  bool ExportAsText() const { return exportAsText_; }
  void SetExportAsText(bool Value);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  // nullptr restores the default font ("Courier New", 10 points, black).
  void SetFont(const TFont* Value);
  TCodeCustomHighlighter* Highlighter() const { return highlighter_; }
  void SetHighlighter(TCodeCustomHighlighter* Value);
  const std::string& Title() const { return title_; }
  // An empty title restores "Untitled".
  void SetTitle(const std::string& Value);
  bool UseBackground() const { return useBackground_; }
  void SetUseBackground(bool Value) { useBackground_ = Value; }

 protected:
  virtual void WriteAttributeEnd(TFontStyles EndedStyles, bool FGChanged, bool BGChanged) = 0;
  virtual void WriteAttributeStart(bool BGChanged, bool FGChanged, TFontStyles StartedStyles) = 0;
  virtual void WriteLastAttributeEnd() = 0;
  virtual void WriteFirstAttributeStart(bool BGChanged, bool FGChanged, TFontStyles Styles) = 0;
  virtual void AddData(const std::string& AText) { buffer_ += AText; }
  virtual void WriteLineBreak() = 0;
  virtual std::string GetDocumentFooter() = 0;
  virtual std::string GetDocumentHeader() = 0;
  // The text written for one character; false = the character is copied.
  virtual bool GetCharReplacement(char32_t C, std::string& Replacement) const = 0;
  virtual void SetTokenAttribute(bool IsSpace, const TCodeHighlighterAttributes* Attri);
  // Text with every character replaced as the format needs.
  std::string ReplaceChars(const std::string& AText) const;

  std::string buffer_;
  TColor lastBg_ = clWindow;
  TColor lastFg_ = clWindowText;
  TFontStyles lastStyle_;
  bool firstAttribute_ = true;

 private:
  void SetupDefaultFont();

  TColor backgroundColor_ = clWindow;
  std::string defaultFilter_;
  bool exportAsText_ = false;
  TFont font_;
  TCodeCustomHighlighter* highlighter_ = nullptr;
  std::string title_;
  bool useBackground_ = false;
};

}  // namespace qv
