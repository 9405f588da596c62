// Fuzz target: a sheet's "XLData" from arbitrary bytes. Every input must
// either load (possibly with skipped records reported) or fail with a
// library exception; a sheet that loaded is written back and painted,
// decoding any picture it holds. The same bytes are also read as a
// styler's "Styles" property, and as a sheet in the component stream.
#include <cstdint>
#include <string>
#include <vector>

#include "grid/XLPainter.h"
#include "grid/XLRanges.h"
#include "platform/core/RecordingCanvas.h"

namespace {

void Shape(qv::TXLSheet& s) {
  s.SetColCount(8);
  s.SetRowCount(6);
  s.SetTitleCols(2);
  s.SetTitleRows(1);
}

std::string Data(const qv::TXLSheet& s) {
  qv::TMemoryStream ms;
  s.WriteData(ms);
  return std::string(ms.View());
}

std::string RichSheet(bool component) {
  qv::TXLSheet s;
  Shape(s);
  qv::TXLSection& client = s.Section(qv::skClient);
  s.SetCellText(0, 0, "text");
  client.SetCellClass(qv::TPoint(1, 0), &qv::TXLCDouble::ClassInfo)->SetAsFloat(2.5);
  client.SetCellClass(qv::TPoint(2, 0), &qv::TXLCStrings::ClassInfo)->SetAsString("a\r\nb");
  client.SetCellClass(qv::TPoint(3, 0), &qv::TXLCBoolean::ClassInfo)->SetAsBoolean(true);
  client.SetCellClass(qv::TPoint(4, 0), &qv::TXLCCurrency::ClassInfo)->SetAsCurrency(5);
  qv::TImage img(2, 2, qv::clRed);
  qv::TXLPicture pic;
  pic.SetImage(img);
  client.SetCellClass(qv::TPoint(5, 0), &qv::TXLCPicture::ClassInfo)->SetAsPicture(pic);
  s.GetCell(1, 1)->SetHint("hint");
  s.GetCell(1, 1)->SetFormual("=A1");
  s.GetCell(1, 1)->EditFont().SetStyle({qv::fsBold});
  client.Merge(qv::TRect(2, 2, 4, 4));
  qv::TXLSectionRange r(&client, qv::TRect(0, 3, 3, 5));
  r.SetBorders(255, {2, qv::clBlue});
  r.SetColor(qv::clYellow);
  r.SetFrame(qv::frDeepUp);
  s.SetSize(2, 0, 90);
  s.SetSize(-1, 1, 30);
  s.SetCellText(-1, 2, "title");
  if (!component) return Data(s);
  qv::TMemoryStream ms;
  s.SaveToStream(ms);
  return std::string(ms.View());
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  qv::TXLSheet plain;
  Shape(plain);
  seeds->push_back(Data(plain));
  seeds->push_back(RichSheet(false));
  seeds->push_back(RichSheet(true));
  qv::TXLStyler styler;
  styler.Add()->SetAlias("A");
  qv::TMemoryStream ms;
  styler.WriteStyles(ms);
  seeds->push_back(std::string(ms.View()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  qv::TXLSheet sheet;
  Shape(sheet);
  bool loaded = false;
  try {
    qv::TMemoryStream in(bytes);
    sheet.ReadData(in);
    loaded = true;
  } catch (const qv::Exception&) {
  }
  if (loaded) {
    Data(sheet);
    qv::TFakeFontService fonts(7, 13);
    qv::TRecordingCanvas canvas(qv::Rect(0, 0, 800, 600), &fonts);
    for (int k = 0; k < 4; ++k) {
      qv::TXLSection& s = sheet.Section(k);
      if (s.ColCount() == 0 || s.RowCount() == 0) continue;
      const bool tc = k == qv::skRowTitles || k == qv::skCorner;
      const bool tr = k == qv::skColTitles || k == qv::skCorner;
      qv::TXLPaintInfo info;
      info.Cols = &sheet.SizeList(0, tc);
      info.Rows = &sheet.SizeList(1, tr);
      info.Canvas = &canvas;
      info.Cells = s.Extent();
      info.Pixels = qv::TRect(0, 0, 400, 300);
      const auto unions = qv::CollectPaintUnions(s, *info.Cols, *info.Rows, info.Cells, {0, 0});
      info.Unions = &unions;
      info.HintMarks = true;
      info.Background = qv::PaintSheetBackground;
      qv::PaintSection(s, info);
      canvas.Clear();
    }
  }
  try {
    qv::TXLSheet component;
    qv::TMemoryStream in(bytes);
    component.LoadFromStream(in);
  } catch (const qv::Exception&) {
  }
  try {
    qv::TXLStyler styler;
    qv::TMemoryStream in(bytes);
    styler.ReadStyles(in);
  } catch (const qv::Exception&) {
  }
  return 0;
}
