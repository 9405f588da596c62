// Fuzz target: compound documents from arbitrary bytes. Every input must
// open and read, or fail with ECompoundFileError; whatever reads is written
// again by our writer and must read back with the same content.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/CompoundFile.h"

namespace {

std::string document(bool withStorage, size_t bigSize) {
  qv::TCompoundItem root = qv::TCompoundItem::Storage("");
  root.Items.push_back(qv::TCompoundItem::Stream("Workbook", std::string(bigSize, 'w')));
  root.Items.push_back(qv::TCompoundItem::Stream("\x05SummaryInformation", std::string(100, 's')));
  if (withStorage) {
    qv::TCompoundItem sub = qv::TCompoundItem::Storage("_VBA_PROJECT_CUR");
    sub.Items.push_back(qv::TCompoundItem::Stream("PROJECT", "ID=\"{0}\""));
    sub.Items.push_back(qv::TCompoundItem::Storage("VBA"));
    root.Items.push_back(std::move(sub));
  }
  return qv::WriteCompoundFile(root);
}

bool sameContent(const qv::TCompoundItem& a, const qv::TCompoundItem& b) {
  if (a.Items.size() != b.Items.size()) return false;
  for (const qv::TCompoundItem& x : a.Items) {
    const qv::TCompoundItem* y = b.Find(x.Name);
    if (y == nullptr || y->IsStorage != x.IsStorage || y->Data != x.Data) return false;
    if (x.IsStorage && !sameContent(x, *y)) return false;
  }
  return true;
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(document(false, 200));
  seeds->push_back(document(true, 5000));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::TCompoundItem copy;
  try {
    const qv::TCompoundFile f(std::string(reinterpret_cast<const char*>(data), size));
    for (int id : f.Children(f.Root())) {
      try {
        if (f.Entry(id).Type == qv::cetStream) f.ReadStream(id);
      } catch (const qv::ECompoundFileError&) {
      }
    }
    copy = f.CopyStorage(f.Root());
  } catch (const qv::ECompoundFileError&) {
    return 0;
  }
  std::string written;
  try {
    written = qv::WriteCompoundFile(copy);
  } catch (const qv::ECompoundFileError&) {
    return 0;  // names our writer refuses (repeated, empty, too long)
  }
  const qv::TCompoundFile again(std::move(written));
  if (!sameContent(copy, again.CopyStorage(again.Root()))) std::abort();
  return 0;
}
