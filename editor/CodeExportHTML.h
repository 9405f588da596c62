// HTML exporter: an HTML page (ExportAsText) or the clipboard's
// "HTML Format" data with its offsets header.
//
// Markup characters and the Latin-1 signs and letters are written as named
// entities; any other character outside ASCII as a numeric reference, so
// the output is plain ASCII and reads the same whatever charset a viewer
// assumes. Style tags are kept properly nested: when the style changes, the
// open style tags are closed and the tags of the new style opened again.
#pragma once

#include "editor/CodeEditExport.h"

namespace qv {

enum THTMLFontSize : uint8_t { fs01 = 0, fs02, fs03, fs04, fs05, fs06, fs07, fsDefault };

class TCodeExporterHTML : public TCodeCustomExporter {
 public:
  TCodeExporterHTML();
  void Clear() override;
  std::string GetClipboardFormatName() const override { return "HTML Format"; }
  std::string GetFormatDescription() const override { return "HTML"; }

  bool CreateHTMLFragment() const { return createHtmlFragment_; }
  void SetCreateHTMLFragment(bool Value) { createHtmlFragment_ = Value; }
  THTMLFontSize HTMLFontSize() const { return htmlFontSize_; }
  void SetHTMLFontSize(THTMLFontSize Value) { htmlFontSize_ = Value; }

  // "\"#RRGGBB\"" of a colour (system colours resolved).
  static std::string ColorToHTML(TColor AColor);
  // The text with HTML replacements applied.
  static std::string EscapeText(const std::string& AText);

 protected:
  void WriteAttributeEnd(TFontStyles EndedStyles, bool FGChanged, bool BGChanged) override;
  void WriteAttributeStart(bool BGChanged, bool FGChanged, TFontStyles StartedStyles) override;
  void WriteLastAttributeEnd() override;
  void WriteFirstAttributeStart(bool BGChanged, bool FGChanged, TFontStyles Styles) override;
  void WriteLineBreak() override { AddData("\r\n"); }
  std::string GetDocumentFooter() override;
  std::string GetDocumentHeader() override;
  bool GetCharReplacement(char32_t C, std::string& Replacement) const override;

 private:
  void CloseStyles();
  void OpenStyles();
  void OpenSpan();
  void OpenFont();

  bool createHtmlFragment_ = false;
  THTMLFontSize htmlFontSize_ = fs03;
  // What is open in the output right now.
  TFontStyles openStyles_;
  bool fontOpen_ = false;
  bool spanOpen_ = false;
};

}  // namespace qv
