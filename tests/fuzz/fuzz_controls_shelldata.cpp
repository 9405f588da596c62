// Fuzz target: the binary readers of the shell controls. The same bytes go
// to the locator's "Pidl" property reader, the "Shell IDList Array" reader
// and the uri-list reader. Each must accept or refuse the input cleanly;
// whatever is accepted must name items whose IDs the namespace checks
// before use (paths of refused IDs are empty) and must write back the same
// bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "controls/UiShellLocator.h"
#include "controls/UiShellOps.h"
#include "controls/UiShellUtils.h"
#include "platform/core/Classes.h"

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  using namespace qv;
  const TPidl folder =
      JoinPidls(MakeRootId(kRootFileSystem, "/").Get(), MakeFileId("tmp", true, false).Get());
  seeds->push_back(BuildIdListArray(
      folder.Get(), {MakeFileId("a.mff", false, false), MakeFileId("b", true, true)}));
  seeds->push_back(std::string("\x00", 1) + std::string("\x0C\x00\x00\x00", 4) + folder.Bytes());
  seeds->push_back(std::string("\x01\x11", 2));
  seeds->push_back("file:///tmp/a%20b\r\nfile://localhost/x\r\n");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qv;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  TUiShellLocator locator;
  TMemoryStream in(bytes);
  try {
    locator.ReadData(in);
    TMemoryStream out;
    locator.WriteData(out);
    if (locator.Kind() == 0 && out.Bytes() != bytes.substr(0, out.Bytes().size())) __builtin_trap();
    if (locator.Kind() == 0) (void)PidlToPath(locator.Pidl());
  } catch (const EReadError&) {
  }

  TPidl folder;
  std::vector<TPidl> items;
  if (ParseIdListArray(bytes, folder, items)) {
    const std::string again = BuildIdListArray(folder.Get(), items);
    TPidl f2;
    std::vector<TPidl> i2;
    if (!ParseIdListArray(again, f2, i2) || !(f2 == folder) || i2.size() != items.size())
      __builtin_trap();
    for (const TPidl& p : AbsoluteItemsOfIdListArray(bytes)) (void)PidlToPath(p.Get());
  }

  for (const std::string& p : ParseUriList(bytes))
    if (p.empty() || p[0] != '/' || p.find('\0') != std::string::npos) __builtin_trap();
  return 0;
}
