// Fuzz target: reading a series' point data from arbitrary bytes. Every
// input must either load or fail with EReadError, and a loaded series must
// write back a block that reads again to the same points.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/VeZazera.h"
#include "platform/core/Classes.h"

namespace {

class TZSeries : public qv::TChartSeries {
 public:
  qv::TChartValueList ZValues{this, "Z"};
};

std::string Block(int points, bool labels, bool colors, bool marks) {
  TZSeries s;
  for (int i = 0; i < points; ++i) {
    s.ZValues.PendingValue = i * 0.5;
    s.AddXY(i * 3 % 7, i * 1.25, labels ? "p" + std::to_string(i) : "",
            colors && i % 2 ? qv::clRed : qv::clDefault);
    if (marks) s.MarkPositions().Ensure(i).IsCustom = i % 2 == 0;
  }
  qv::TMemoryStream m;
  s.WriteData(m);
  return m.Bytes();
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(Block(0, false, false, false));
  seeds->push_back(Block(3, false, false, false));
  seeds->push_back(Block(4, true, true, true));
  seeds->push_back(Block(2, true, false, false));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::TMemoryStream in(std::string(reinterpret_cast<const char*>(data), size));
  TZSeries s;
  try {
    s.ReadData(in);
  } catch (const qv::EReadError&) {
    return 0;
  }
  qv::TMemoryStream out;
  s.WriteData(out);
  out.SetPosition(0);
  TZSeries again;
  again.ReadData(out);
  if (again.Count() != s.Count()) std::abort();
  for (int i = 0; i < s.Count(); ++i) {
    const double a = s.GetYValue(i), b = again.GetYValue(i);
    if (!(a == b || (a != a && b != b))) std::abort();
    // Labels are stored only when one stands among the first points.
    if ((s.PointDataFlags() & qv::pdLabels) && s.GetLabel(i) != again.GetLabel(i)) std::abort();
  }
  return 0;
}
