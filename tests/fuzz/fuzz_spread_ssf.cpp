// Fuzz target: a sheet document read from arbitrary bytes taken as the body
// of a stream collection: its tree lists and worksheet streams loaded into
// a document and appended to one. Every input must either load or fail with
// the program's exception carrying a message; a failed load leaves the
// document it was given whole.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/spread/SpreadDocument.h"
#include "platform/core/Classes.h"
#include "support/NamedStreamCol.h"

namespace {

std::string Document(int worksheets, bool folders) {
  qv::TSpreadDocument doc;
  doc.NewDocument(worksheets);
  if (folders) {
    qv::TSheetNode* f = doc.Tree().Add(nullptr, "Folder", -1);
    doc.Tree().Selected = f;
    doc.AddSheet();
    doc.Tree().Add(f, "Inner", -1);
  }
  for (int n = 1; n <= worksheets; ++n) doc.Worksheet(n)->SetCellText(n, n, "cell");
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("qv-fuzz-seed-" + std::to_string(getpid()) + ".ssf"))
                               .string();
  doc.SaveSsf(file);
  qv::TNamedStreams ns;
  ns.LoadFromFile(file);
  std::filesystem::remove(file);
  ns.Compressed = false;
  qv::TMemoryStream out;
  ns.SaveToStream(out);
  return std::string(out.View()).substr(2);  // the body after the flag bytes
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(Document(1, false));
  seeds->push_back(Document(2, true));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::TNamedStreams ns;
  qv::TMemoryStream in("  " + std::string(reinterpret_cast<const char*>(data), size));
  try {
    ns.LoadFromStream(in);
  } catch (const qv::Exception&) {
    return 0;
  }
  qv::TSpreadDocument doc;
  doc.NewDocument(1);
  for (int mode = 0; mode < 3; ++mode) {
    try {
      if (mode == 0) doc.LoadSsfStreams(ns, false);
      if (mode == 1) doc.AppendSsfStreams(ns, "fuzz.ssf", false);
      if (mode == 2) doc.LoadSsfStreams(ns, true);
    } catch (const qv::Exception&) {
      if (doc.Tree().Empty()) __builtin_trap();
    }
  }
  return 0;
}
