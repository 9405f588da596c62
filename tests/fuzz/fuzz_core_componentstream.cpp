// Fuzz target: component streams from arbitrary bytes, walked by the event
// reader and read into a described chart-like object. Every input must
// either read or fail with one of the library's exceptions; nothing may
// read out of bounds, recurse without limit or allocate what the input
// merely claims.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/ComponentStream.h"
#include "tests/platform/DemoComponents.h"

namespace {

std::string chartStream(bool filled) {
  qv::demo::TDemoChart::RegisterClasses();
  qv::demo::TDemoChart c;
  if (filled) qv::demo::FillDemoChart(c);
  qv::TMemoryStream ms;
  qv::TWriter(ms).WriteRootComponent(qv::MakeObjectRef(&c));
  return std::string(ms.View());
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(chartStream(true));
  seeds->push_back(chartStream(false));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::demo::TDemoChart::RegisterClasses();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    qv::TMemoryStream ms(bytes);
    qv::TReader r(ms);
    r.ReadSignature();
    qv::TComponentVisitor v;
    size_t seen = 0;
    v.OnProperty = [&](const std::string& path, const qv::TFilerValue&) { seen += path.size(); };
    r.ReadComponentEvents(v);
  } catch (const qv::Exception&) {
  }
  try {
    qv::demo::TDemoChart c;
    qv::TMemoryStream ms(bytes);
    qv::TReader(ms).ReadRootComponent(qv::MakeObjectRef(&c), qv::demo::DemoReadOptions(c));
    // What was read writes out again.
    qv::TMemoryStream out;
    qv::TWriter(out).WriteRootComponent(qv::MakeObjectRef(&c));
  } catch (const qv::Exception&) {
  }
  try {
    qv::TMemoryStream ms(bytes);
    qv::TReader r(ms);
    while (ms.Remaining() > 0) {
      const qv::TFilerValue value = r.ReadFilerValue();
      qv::TMemoryStream again;
      qv::TWriter(again).WriteFilerValue(value);
    }
  } catch (const qv::Exception&) {
  }
  return 0;
}
