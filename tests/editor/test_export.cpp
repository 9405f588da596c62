#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ExportTestSupport.h"
#include "editor/CodeEditTextBuffer.h"
#include "editor/CodeExportHTML.h"
#include "editor/CodeExportRTF.h"
#include "editor/CodeHighlighterSample.h"

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
  if (std::system("command -v soffice >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice not installed";
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftotext not installed";
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
