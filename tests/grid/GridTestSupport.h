// Shared by the grid tests: a sheet that holds every value class and look.
#pragma once

#include "grid/XLRanges.h"
#include "platform/core/Canvas.h"

namespace qv {

// The little-endian bytes of a 32-bit integer, for building streams by hand.
inline std::string Le32(std::int32_t v) {
  std::string s;
  appendLE<std::int32_t>(s, v);
  return s;
}

// A sheet holding every value class, a merged block, lines, colours, a
// hint, a formula, formats in and out of the lists and custom sizes.
inline void FillEveryLook(TXLSheet& s) {
  s.SetColCount(8);
  s.SetRowCount(6);
  s.SetTitleCols(2);
  s.SetSize(3, 0, 97);
  s.SetSize(-2, 0, 33);
  s.SetSize(4, 1, 40);
  s.SetCellText(0, 0, "text é");
  TXLSection& client = s.Section(skClient);
  auto put = [&](int col, int row, TXLCellClassRef cls) {
    return client.SetCellClass(TPoint(col, row), cls);
  };
  put(1, 0, &TXLCInteger::ClassInfo)->SetAsInteger(-42);
  TXLCell* d = put(2, 0, &TXLCDouble::ClassInfo);
  d->SetAsFloat(3.25);
  d->SetFormat("0.00");  // third entry of the list
  put(3, 0, &TXLCCurrency::ClassInfo)->SetAsCurrency(123456789);
  TXLCell* dt = put(4, 0, &TXLCDateTime::ClassInfo);
  dt->SetAsDateTime(45000.5);
  dt->SetFormat("yyyy-mm-dd");  // not in the list
  put(5, 0, &TXLCBoolean::ClassInfo)->SetAsBoolean(true);
  auto* list = static_cast<TXLCStrings*>(put(6, 0, &TXLCStrings::ClassInfo));
  list->SetAsString("one\r\ntwo\r\nthree");
  list->SetItemIndex(1);
  put(7, 0, &TXLCUrl::ClassInfo)->SetAsString("https://example.org/");
  TImage img(3, 2, clRed);
  TXLPicture pic;
  pic.SetImage(img);
  put(0, 1, &TXLCPicture::ClassInfo)->SetAsPicture(pic);
  TXLCell* styled = s.GetCell(1, 1);
  styled->SetAsString("styled");
  styled->EditFont().SetStyle({fsBold});
  styled->SetHint("a hint");
  styled->SetFormual("=A1+1");
  styled->SetHorzAlign(haRight);
  s.GetCell(2, 2)->SetAsString("merged");
  client.Merge(TRect(2, 2, 4, 4));
  TXLSectionRange lines(&client, TRect(0, 3, 2, 5));
  lines.SetBorders(15, {2, clBlue});
  lines.SetColor(clYellow);
  lines.SetBorder(sBias1, {1, clGreen});
  s.SetCellText(-1, 2, "row title");
  s.SetCellText(3, -1, "col title");
}

}  // namespace qv
