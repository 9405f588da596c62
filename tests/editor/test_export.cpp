#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ExportTestSupport.h"
#include "editor/CodeEditTextBuffer.h"
#include "editor/CodeExportHTML.h"
#include "editor/CodeExportRTF.h"
#include "editor/CodeHighlighterSample.h"
#include "tests/main/PeerTools.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const fs::path kData = fs::path(QV_TEST_DATA_DIR) / "export";
const char* const kTitle = "Decay {model} \xE2\x80\x93 \xC3\xBC";  // en dash, u umlaut

void LoadModel(TCodeEditStringList& lines) { lines.LoadFromFile((kData / "model.txt").string()); }

using exporttest::ExportLines;

}  // namespace

TEST(Export, RtfOfModelMatchesExpectedFile) {
  TCodeEditStringList lines;
  LoadModel(lines);
  TCodeSampleSyn hl;
  TCodeExporterRTF rtf;
  rtf.SetExportAsText(true);
  rtf.SetHighlighter(&hl);
  rtf.SetTitle(kTitle);
  ASSERT_TRUE(rtf.ExportAll(&lines));
  EXPECT_EQ(rtf.Data(), ReadFile(kData / "model.rtf"));
  EXPECT_EQ(rtf.GetBufferSize(), rtf.Data().size());

  const fs::path out = fs::path(QV_BINARY_DIR) / "export-model.rtf";
  rtf.SaveToFile(out.string());
  EXPECT_EQ(ReadFile(out), rtf.Data());

  TFakeClipboard clip;
  rtf.CopyToClipboard(clip);
  EXPECT_EQ(clip.GetFormat("Rich Text Format").value_or(""), rtf.Data());
}

TEST(Export, HtmlOfModelMatchesExpectedFile) {
  TCodeEditStringList lines;
  LoadModel(lines);
  TCodeSampleSyn hl;
  TCodeExporterHTML html;
  html.SetExportAsText(true);
  html.SetHighlighter(&hl);
  html.SetTitle(kTitle);
  ASSERT_TRUE(html.ExportAll(&lines));
  EXPECT_EQ(html.Data(), ReadFile(kData / "model.html"));

  // The page shows the attributes' colours: navy comments and keywords, red strings.
  for (const auto* a : {hl.CommentAttri(), hl.PasKeyAttri(), hl.StringAttri()})
    EXPECT_NE(
        html.Data().find("<font color=" + TCodeExporterHTML::ColorToHTML(a->Foreground()) + ">"),
        std::string::npos)
        << a->Name();
}

TEST(Export, HtmlClipboardOffsets) {
  TCodeSampleSyn hl;
  for (bool fragment : {false, true}) {
    TCodeExporterHTML html;
    html.SetCreateHTMLFragment(fragment);
    const std::string data = ExportLines(html, hl, {"x<y", "Data 1"});
    ASSERT_GT(data.size(), 105u);
    auto number = [&](const std::string& key) {
      const size_t p = data.find(key + ":");
      EXPECT_NE(p, std::string::npos) << key;
      return std::stoul(data.substr(p + key.size() + 1, 10));
    };
    EXPECT_EQ(data.substr(0, 13), "Version:0.9\r\n");
    EXPECT_EQ(number("StartHTML"), 105u);
    EXPECT_EQ(number("EndHTML"), data.size());
    const size_t sf = number("StartFragment"), ef = number("EndFragment");
    EXPECT_EQ(data.substr(sf - 20, 20), "<!--StartFragment-->");
    EXPECT_EQ(data.substr(ef, 18), "<!--EndFragment-->");
    EXPECT_EQ(data.substr(sf, ef - sf),
              "<pre><code>x&lt;y\r\n<font color=\"#000080\"><b>Data </b></font>1\r\n</code></pre>");
    EXPECT_EQ(data.substr(105, 6), fragment ? "<!--St" : "<html>");
    TFakeClipboard clip;
    html.CopyToClipboard(clip);
    EXPECT_EQ(clip.GetFormat("HTML Format").value_or(""), data);
  }
}

TEST(Export, EscapesTable) {
  struct Case {
    const char* text;
    const char* rtf;
    const char* html;
  } cases[] = {
      {"a\\b", "a\\\\b", "a\\b"},
      {"\"x<y>&\"", "\"x<y>&\"", "&quot;x&lt;y&gt;&amp;&quot;"},
      {"\xE2\x82\xAC\xE2\x84\xA2", "\\u8364?\\u8482?", "&euro;&trade;"},
      {"\xC3\xB7\xC3\xBF\xC2\xA9", "\\u247?\\u255?\\u169?", "&divide;&yuml;&copy;"},
      {"\xC2\xA0\xC2\xAC\xC2\xB6", "\\u160?\\u172?\\u182?", "&#160;&#172;&#182;"},
      {"\xCE\xB1\xE2\x9C\x93", "\\u945?\\u10003?", "&#945;&#10003;"},
      {"\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?", "&#128512;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TCodeExporterRTF::EscapeText(c.text), c.rtf) << c.text;
    EXPECT_EQ(TCodeExporterHTML::EscapeText(c.text), c.html) << c.text;
  }
  // Braces in a brace comment token.
  TCodeSampleSyn hl;
  TCodeExporterRTF rtf;
  const std::string data = ExportLines(rtf, hl, {"a{b}"});
  EXPECT_NE(data.find("a\\cf0\\i \\{b\\}"), std::string::npos) << data;
}

TEST(Export, StyleChangesStayProperlyNested) {
  // Keywords bold italic, identifiers bold, both in one colour: a style
  // that ends while another stays open must be opened again.
  TCodeSampleSyn hl;
  hl.PasKeyAttri()->SetStyle({fsBold, fsItalic});
  hl.IdentifierAttri()->SetStyle({fsBold});
  hl.IdentifierAttri()->SetForeground(clNavy);
  struct Case {
    const char* line;
    const char* html;
    const char* rtf;
  } cases[] = {
      {"Data x", "<font color=\"#000080\"><b><i>Data </i></b><b>x\r\n</b></font>",
       "\\cf0\\b\\i Data \\i0 x\r\n\\par "},
      {"x Data", "<font color=\"#000080\"><b>x </b><b><i>Data\r\n</i></b></font>",
       "\\cf0\\b x \\i Data\r\n\\par "},
  };
  for (const Case& c : cases) {
    TCodeExporterHTML html;
    html.SetExportAsText(true);
    html.SetCreateHTMLFragment(true);
    const std::string h = ExportLines(html, hl, {c.line});
    const std::string head = "<pre>\r\n<code><font  size=3 face=\"Courier New\">";
    const std::string foot = "</font>\r\n</code></pre>\r\n";
    ASSERT_EQ(h.substr(0, head.size()), head);
    EXPECT_EQ(h.substr(head.size(), h.size() - head.size() - foot.size()), c.html) << c.line;

    TCodeExporterRTF rtf;
    const std::string r = ExportLines(rtf, hl, {c.line});
    const size_t body = r.find("\\fs20 ") + 6;
    EXPECT_EQ(r.substr(body, r.size() - body - 1), c.rtf) << c.line;
  }
}

TEST(Export, RangesAndAborts) {
  TCodeSampleSyn hl;
  TCodeExporterHTML html;
  html.SetHighlighter(&hl);
  TCodeEditStringList one;
  one.Add("abcdef");
  ASSERT_TRUE(html.ExportRange(&one, TPoint(2, 1), TPoint(4, 1)));
  EXPECT_NE(html.Data().find("<pre><code>bc\r\n</code></pre>"), std::string::npos);

  // An empty or inverted range, an empty list, a missing highlighter or
  // missing lines: nothing is exported and the old buffer is gone.
  EXPECT_FALSE(html.ExportRange(&one, TPoint(3, 1), TPoint(2, 1)));
  EXPECT_EQ(html.GetBufferSize(), 0u);
  TCodeEditStringList empty;
  EXPECT_FALSE(html.ExportAll(&empty));
  EXPECT_FALSE(html.ExportAll(nullptr));
  EXPECT_FALSE(html.ExportRange(&one, TPoint(1, 2), TPoint(1, 3)));
  TCodeExporterRTF noHighlighter;
  EXPECT_FALSE(noHighlighter.ExportAll(&one));
  EXPECT_EQ(noHighlighter.GetBufferSize(), 0u);

  // Over several lines, with columns counted in characters. The first
  // token has the font's own colour, so no colour code precedes it.
  TCodeEditStringList lines;
  lines.Add("\xC3\xA9\xC3\xA9xyz");
  lines.Add("{ open");
  lines.Add("close } tail");
  TCodeExporterRTF rtf;
  rtf.SetHighlighter(&hl);
  ASSERT_TRUE(rtf.ExportRange(&lines, TPoint(2, 1), TPoint(8, 3)));
  const std::string& d = rtf.Data();
  const size_t body = d.find("\\fs20 ") + 6;
  EXPECT_EQ(d.substr(body), "\\u233?xyz\r\n\\par \\cf0\\i \\{ open\r\n\\par close \\}\r\n\\par }");

  // Title and font name fall back to their defaults.
  rtf.SetTitle("");
  EXPECT_EQ(rtf.Title(), "Untitled");
  rtf.SetFont(nullptr);
  EXPECT_EQ(rtf.Font().Name(), "Courier New");
  EXPECT_EQ(rtf.Font().Size(), 10);
}

TEST(Export, RtfOpensInLibreOffice) {
  QV_REQUIRE_PEER(!test::FindPeerProgram("soffice").empty(), "soffice");
  QV_REQUIRE_PEER(!test::FindPeerProgram("pdftotext").empty(), "pdftotext");
  TCodeEditStringList lines;
  LoadModel(lines);
  TCodeSampleSyn hl;
  TCodeExporterRTF rtf;
  rtf.SetHighlighter(&hl);
  ASSERT_TRUE(rtf.ExportAll(&lines));
  const fs::path dir = fs::path(QV_BINARY_DIR) / "rtf-soffice";
  fs::remove_all(dir);
  fs::create_directories(dir);
  rtf.SaveToFile((dir / "model.rtf").string());
  const std::string cmd =
      "cd '" + dir.string() + "' && soffice --headless -env:UserInstallation=file://" +
      dir.string() +
      "/profile --convert-to pdf model.rtf >/dev/null 2>&1 && pdftotext -layout "
      "model.pdf model.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string text = ReadFile(dir / "model.txt");
  for (const char* s :
       {"{ Decay <model> }", "Variables x, y;", "Title \"A & B\"", "y = A*exp(-k*x) // fit"})
    EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
}

// ---- Exporter output worked out by hand, byte for byte, for a short model:
// keyword, identifiers, a brace comment, a string and a "//" comment.

namespace {

const std::vector<std::string> kModel = {"Parameter a=1 {p}", "\"s\" // c"};

}  // namespace

TEST(Export, RtfByHand) {
  struct Case {
    bool useBackground;
    TColor stringBackground;
    std::string expected;
  } cases[] = {
      {false, clNone,
       "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fmodern Courier New;}}\r\n"
       "{\\colortbl\\red0\\green0\\blue128;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
       "{\\info{\\comment Generated by the CodeEdit RTF exporter}\r\n"
       "{\\title Fit}}\r\n"
       "\\deflang1033\\pard\\plain\\f0\\fs24 "
       "\\cf0\\b Parameter \\b0\\cf1 a=1 \\cf0\\i \\{p\\}\r\n"
       "\\par \\i0\\cf2 \"s\" \\cf0\\i // c\r\n"
       "\\par }"},
      // With backgrounds: the string's silver background gets a colour
      // number before its foreground, and the blank after it goes back to
      // the page colour (white) without touching the foreground.
      {true, clSilver,
       "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fmodern Courier New;}}\r\n"
       "{\\colortbl\\red0\\green0\\blue128;\\red0\\green0\\blue0;\\red192\\green192\\blue192;"
       "\\red255\\green0\\blue0;\\red255\\green255\\blue255;}\r\n"
       "{\\info{\\comment Generated by the CodeEdit RTF exporter}\r\n"
       "{\\title Fit}}\r\n"
       "\r\n"
       "\\deflang1033\\pard\\plain\\f0\\fs24 "
       "\\cf0\\b Parameter \\b0\\cf1 a=1 \\cf0\\i \\{p\\}\r\n"
       "\\par \\i0\\cb2\\cf3 \"s\"\\cb4  \\cf0\\i // c\r\n"
       "\\par }"},
  };
  for (const Case& c : cases) {
    TCodeSampleSyn hl;
    hl.StringAttri()->SetBackground(c.stringBackground);
    TCodeExporterRTF rtf;
    rtf.SetExportAsText(true);
    rtf.SetTitle("Fit");
    rtf.SetUseBackground(c.useBackground);
    TFont font;
    font.SetName("Courier New");
    font.SetSize(12);
    rtf.SetFont(&font);
    EXPECT_EQ(ExportLines(rtf, hl, kModel), c.expected) << c.useBackground;
  }
}

TEST(Export, HtmlPageByHand) {
  TCodeSampleSyn hl;
  TCodeExporterHTML html;
  html.SetExportAsText(true);
  html.SetTitle("Fit");
  html.SetHTMLFontSize(fs05);
  EXPECT_EQ(ExportLines(html, hl, kModel),
            "<html>\r\n<head>\r\n<title>Fit</title>\r\n</head>\r\n"
            "<!-- Generated by CodeEdit HTML exporter -->\r\n"
            "<body text=\"#000000\" bgcolor=\"#FFFFFF\">\r\n"
            "<pre>\r\n<code><font  size=5 face=\"Courier New\">"
            "<font color=\"#000080\"><b>Parameter </b></font>a=1 "
            "<font color=\"#000080\"><i>{p}\r\n"
            "</i></font><font color=\"#FF0000\">&quot;s&quot; </font>"
            "<font color=\"#000080\"><i>// c\r\n"
            "</i></font></font>\r\n</code></pre>\r\n</body>\r\n</html>");

  // Default font size: no size attribute; a fragment has no page around it.
  TCodeExporterHTML frag;
  frag.SetExportAsText(true);
  frag.SetCreateHTMLFragment(true);
  frag.SetHTMLFontSize(fsDefault);
  EXPECT_EQ(ExportLines(frag, hl, {"x"}),
            "<pre>\r\n<code><font  face=\"Courier New\">x\r\n</font>\r\n</code></pre>\r\n");
}

TEST(Export, HtmlClipboardDataByHand) {
  // Description block 105 bytes, "<html>\r\n<head></head>\r\n<body>" 29,
  // "<!--StartFragment-->" 20: the fragment starts at 154; "<pre><code>x\r\n
  // </code></pre>" 27 bytes later the end marker begins (181); 18 + 16 more
  // bytes end the data (215).
  TCodeSampleSyn hl;
  TCodeExporterHTML html;
  EXPECT_EQ(ExportLines(html, hl, {"x"}),
            "Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000215\r\n"
            "StartFragment:0000000154\r\nEndFragment:0000000181\r\n"
            "<html>\r\n<head></head>\r\n<body><!--StartFragment--><pre><code>x\r\n"
            "</code></pre><!--EndFragment--></body>\r\n</html>");
}

TEST(Export, HtmlEntityForDivisionSign) {
  // The division sign is written as a complete entity, with its semicolon.
  EXPECT_EQ(TCodeExporterHTML::EscapeText("6\xC3\xB7"
                                          "3"),
            "6&divide;3");
  EXPECT_EQ(TCodeExporterHTML::EscapeText("\xC3\x97\xC3\xB8"), "&times;&oslash;");
}
