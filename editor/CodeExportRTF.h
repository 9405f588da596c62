// RTF exporter. The document lists every colour the body uses in its colour
// table (in order of first use; the position is the RTF colour number).
// Backslashes and braces are escaped; characters outside ASCII are written
// as \uN? (N the signed 16-bit UTF-16 unit, "?" the fallback), also in the
// title and the font name.
#pragma once

#include <vector>

#include "editor/CodeEditExport.h"

namespace qv {

class TCodeExporterRTF : public TCodeCustomExporter {
 public:
  TCodeExporterRTF();
  void Clear() override;
  std::string GetClipboardFormatName() const override { return "Rich Text Format"; }
  std::string GetFormatDescription() const override { return "RTF"; }
  // The text with RTF escapes applied.
  static std::string EscapeText(const std::string& AText);

 protected:
  void WriteAttributeEnd(TFontStyles EndedStyles, bool FGChanged, bool BGChanged) override;
  void WriteAttributeStart(bool BGChanged, bool FGChanged, TFontStyles StartedStyles) override;
  void WriteLastAttributeEnd() override {}
  void WriteFirstAttributeStart(bool BGChanged, bool FGChanged, TFontStyles Styles) override;
  void WriteLineBreak() override;
  std::string GetDocumentFooter() override { return "}"; }
  std::string GetDocumentHeader() override;
  bool GetCharReplacement(char32_t C, std::string& Replacement) const override;

 private:
  int GetColorIndex(TColor AColor);

  std::vector<TColor> listColors_;
  bool attributesChanged_ = false;
};

}  // namespace qv
