// Fuzz target: reading arbitrary bytes as an Excel file, both as a plain
// record stream and as the workbook stream of a compound document. Every
// input must either read or fail with an Exception; nothing may read or
// write out of bounds, hang or run out of memory. What reads is also
// written back and shown, so the writer and the cell texts see every shape
// of model the reader can make.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/CompoundFile.h"
#include "workbook/XLSDump.h"
#include "workbook/XLSWorkbook.h"

namespace {

std::string rec(uint16_t id, const std::string& body) {
  std::string r;
  r += static_cast<char>(id & 0xFF);
  r += static_cast<char>(id >> 8);
  r += static_cast<char>(body.size() & 0xFF);
  r += static_cast<char>(body.size() >> 8);
  return r + body;
}

std::string sample(qv::TExcelVersion v) {
  qv::TXLSWorkbook wb(qv::LocaleSettings::EnUS());
  wb.OnMessage = [](const std::string&) {};
  qv::TSheet& s = wb.Sheets[0];
  s.SetCellText(0, 0, "Name Ω");
  s.SetFloat(1, 0, 1.5, -1);
  s.SetBoolean(2, 0, true, -1);
  s.SetError(3, 0, 2, -1);
  qv::TFormulaResult r;
  r.Number = 3;
  s.SetFormula(0, 1, -1, wb.EncodeText("SUM(B1:B2)*2", 8224), r);
  s.MergedCells.Add(0, 3, 2, 3);
  s.Notes.Add().SetCellRow(2);
  s.Hyperlinks.push_back({"a\thttp://x", qv::CellKey(1, 1)});
  wb.Formats.Add().SetNumberFormat("0.00");
  s.SetFloat(2, 1, 2.5, 0);
  wb.Sheets.Add().Charts.Add().Series.Add().SetArea("'Sheet 1'!$B$1:$B$2");
  wb.SetVersion(v);
  return wb.WriteToBytes();
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  for (qv::TExcelVersion v : {qv::xvExcel97, qv::xvExcel50, qv::xvExcel40}) {
    std::string file = sample(v);
    seeds->push_back(file);
    if (qv::IsCompoundFile(file)) {
      qv::TCompoundFile doc(file);
      int id = doc.Find(doc.Root(), "Workbook");
      if (id < 0) id = doc.Find(doc.Root(), "Book");
      seeds->push_back(doc.ReadStream(id));
    }
  }
  seeds->push_back(rec(0x0009, std::string("\x02\x00\x10\x00", 4)) +
                   rec(0x0004, std::string("\x00\x00\x00\x00\x00\x00\x00\x02"
                                           "ab",
                                           10)) +
                   rec(0x000A, ""));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  qv::TXLSWorkbook wb(qv::LocaleSettings::EnUS());
  wb.OnMessage = [](const std::string&) {};
  wb.PictureOptions = qv::TPictureOptions{qv::poInMemory};
  try {
    wb.ReadFromBytes(bytes);
  } catch (const qv::Exception&) {
    return 0;
  }
  qv::DumpWorkbook(wb);
  wb.ShowFormulas = true;
  for (int i = 0; i < wb.Sheets.Count(); ++i) {
    qv::TSheet& s = wb.Sheets[i];
    s.Cells.ForEach([&](qv::TCell& c) { s.CellText(c); });
  }
  try {
    if (wb.Version() < qv::xvExcel40) wb.SetVersion(qv::xvExcel97);
    wb.WriteToBytes();
  } catch (const qv::Exception&) {
  }
  return 0;
}
