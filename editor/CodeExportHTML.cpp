#include "editor/CodeExportHTML.h"

#include <cstdio>

#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// Entity names of the characters 161..255 (index = code - 161); nullptr =
// no name (160, 172 and 182 have none in the table and are written as
// numeric references). The division sign's entity is written without its
// semicolon, as this exporter always has; browsers still show the sign.
const char* const kLatin1Entities[95] = {
    "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;", "&sect;",   "&uml;",
    "&copy;",   "&ordf;",   "&laquo;",  nullptr,    "&shy;",    "&reg;",    "&macr;",   "&deg;",
    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",  "&micro;",  nullptr,    "&middot;", "&cedil;",
    "&sup1;",   "&ordm;",   "&raquo;",  "&frac14;", "&frac12;", "&frac34;", "&iquest;", "&Agrave;",
    "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;", "&Egrave;",
    "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",   "&ETH;",
    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",  "&Oslash;",
    "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",  "&agrave;",
    "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",  "&ccedil;", "&egrave;",
    "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;", "&icirc;",  "&iuml;",   "&eth;",
    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",  "&otilde;", "&ouml;",   "&divide;", "&oslash;",
    "&ugrave;", "&uacute;", "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;"};

// The description block of the clipboard's HTML format: four byte offsets
// of ten digits each; 105 bytes long.
std::string ClipboardDescription(size_t StartHTML, size_t EndHTML, size_t StartFragment,
                                 size_t EndFragment) {
  char buf[160];
  std::snprintf(buf, sizeof buf,
                "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
                "EndFragment:%010zu\r\n",
                StartHTML, EndHTML, StartFragment, EndFragment);
  return buf;
}

}  // namespace

TCodeExporterHTML::TCodeExporterHTML() {
  SetDefaultFilter("HTML Document (*.htm,*.html)|*.htm;*.html");
}

void TCodeExporterHTML::Clear() {
  TCodeCustomExporter::Clear();
  openStyles_ = TFontStyles();
  fontOpen_ = false;
  spanOpen_ = false;
}

std::string TCodeExporterHTML::ColorToHTML(TColor AColor) {
  const TColor rgb = ColorToRGB(AColor);
  static const char hex[] = "0123456789ABCDEF";
  std::string s = "\"#000000\"";
  const int comps[3] = {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)};
  for (int i = 0; i < 3; ++i) {
    s[size_t(2 + 2 * i)] = hex[(comps[i] >> 4) & 15];
    s[size_t(3 + 2 * i)] = hex[comps[i] & 15];
  }
  return s;
}

bool TCodeExporterHTML::GetCharReplacement(char32_t C, std::string& Replacement) const {
  switch (C) {
    case U'"':
      Replacement = "&quot;";
      return true;
    case U'&':
      Replacement = "&amp;";
      return true;
    case U'<':
      Replacement = "&lt;";
      return true;
    case U'>':
      Replacement = "&gt;";
      return true;
    case 0x20AC:
      Replacement = "&euro;";
      return true;
    case 0x2122:
      Replacement = "&trade;";
      return true;
    default:
      break;
  }
  if (C < 0x80) return false;
  if (C >= 161 && C <= 255 && kLatin1Entities[C - 161]) {
    Replacement = kLatin1Entities[C - 161];
    return true;
  }
  Replacement = "&#" + std::to_string(unsigned(C)) + ";";
  return true;
}

std::string TCodeExporterHTML::EscapeText(const std::string& AText) {
  TCodeExporterHTML e;
  return e.ReplaceChars(AText);
}

void TCodeExporterHTML::CloseStyles() {
  if (openStyles_.Contains(fsStrikeOut)) AddData("</strike>");
  if (openStyles_.Contains(fsUnderline)) AddData("</u>");
  if (openStyles_.Contains(fsItalic)) AddData("</i>");
  if (openStyles_.Contains(fsBold)) AddData("</b>");
  openStyles_ = TFontStyles();
}

void TCodeExporterHTML::OpenStyles() {
  if (lastStyle_.Contains(fsBold)) AddData("<b>");
  if (lastStyle_.Contains(fsItalic)) AddData("<i>");
  if (lastStyle_.Contains(fsUnderline)) AddData("<u>");
  if (lastStyle_.Contains(fsStrikeOut)) AddData("<strike>");
  openStyles_ = lastStyle_;
}

void TCodeExporterHTML::OpenSpan() {
  AddData("<span style=\"background-color: " + ColorToHTML(lastBg_).substr(1) + ">");
  spanOpen_ = true;
}

void TCodeExporterHTML::OpenFont() {
  AddData("<font color=" + ColorToHTML(lastFg_) + ">");
  fontOpen_ = true;
}

void TCodeExporterHTML::WriteAttributeEnd(TFontStyles EndedStyles, bool FGChanged, bool BGChanged) {
  const bool colorChanged = FGChanged || BGChanged;
  // A change of colour or an ended style closes every open style tag;
  // WriteAttributeStart opens the tags of the new style again.
  if (colorChanged || !EndedStyles.Empty()) CloseStyles();
  if (colorChanged && fontOpen_) {
    AddData("</font>");
    fontOpen_ = false;
  }
  if (BGChanged && spanOpen_) {
    AddData("</span>");
    spanOpen_ = false;
  }
}

void TCodeExporterHTML::WriteAttributeStart(bool BGChanged, bool FGChanged,
                                            TFontStyles StartedStyles) {
  const bool colorChanged = FGChanged || BGChanged;
  if (BGChanged && lastBg_ != Color()) OpenSpan();
  if (colorChanged && !fontOpen_ && lastFg_ != Font().Color()) OpenFont();
  if (colorChanged || !StartedStyles.Empty() || openStyles_ != lastStyle_) {
    // Styles still open would otherwise be opened twice.
    CloseStyles();
    OpenStyles();
  }
}

void TCodeExporterHTML::WriteFirstAttributeStart(bool BGChanged, bool FGChanged,
                                                 TFontStyles Styles) {
  if (BGChanged) OpenSpan();
  if (FGChanged) OpenFont();
  if (!Styles.Empty()) OpenStyles();
}

void TCodeExporterHTML::WriteLastAttributeEnd() {
  CloseStyles();
  if (fontOpen_) {
    AddData("</font>");
    fontOpen_ = false;
  }
  if (spanOpen_) {
    AddData("</span>");
    spanOpen_ = false;
  }
}

std::string TCodeExporterHTML::GetDocumentHeader() {
  std::string h;
  if (ExportAsText()) {
    if (!createHtmlFragment_)
      h += "<html>\r\n<head>\r\n<title>" + ReplaceChars(Title()) +
           "</title>\r\n</head>\r\n<!-- Generated by CodeEdit HTML exporter -->\r\n<body text=" +
           ColorToHTML(Font().Color()) + " bgcolor=" + ColorToHTML(Color()) + ">\r\n";
    const std::string size =
        htmlFontSize_ == fsDefault ? std::string() : Format(" size=%d", int(htmlFontSize_) + 1);
    h += "<pre>\r\n<code><font " + size + " face=\"" + ReplaceChars(Font().Name()) + "\">";
  } else {
    // The description block is completed in GetDocumentFooter, once the
    // offsets are known; here its length is reserved.
    h += ClipboardDescription(0, 0, 0, 0);
    if (!createHtmlFragment_) h += "<html>\r\n<head></head>\r\n<body>";
    h += "<!--StartFragment--><pre><code>";
  }
  return h;
}

std::string TCodeExporterHTML::GetDocumentFooter() {
  std::string f;
  if (ExportAsText()) {
    f = "</font>\r\n</code></pre>\r\n";
    if (!createHtmlFragment_) f += "</body>\r\n</html>";
    return f;
  }
  // Clipboard data: the header is already in the buffer; close the
  // fragment and fill in the offsets.
  const std::string endMarker = "<!--EndFragment-->";
  f = "</code></pre>" + endMarker;
  if (!createHtmlFragment_) f += "</body>\r\n</html>";
  const std::string startMarker = "<!--StartFragment-->";
  const size_t startHTML = 105;
  const size_t startFragment = buffer_.find(startMarker) + startMarker.size();
  const size_t endFragment = buffer_.size() + std::string("</code></pre>").size();
  const size_t endHTML = buffer_.size() + f.size();
  const std::string desc = ClipboardDescription(startHTML, endHTML, startFragment, endFragment);
  buffer_.replace(0, desc.size(), desc);
  return f;
}

}  // namespace qv
