// Engine model state: construction, release and the dimension layout.
#include "engine/CommonUnit.h"

#include "engine/ParseExpr.h"
#include "platform/core/Classes.h"

namespace qv {

TEngineState::TEngineState() : FWorkLines(std::make_unique<TStringList>()) {}

TEngineState::~TEngineState() = default;

int TEngineState::DimParameter(int d) const {
  if (d < ParameterCount || VarParameterCount <= 0) return d;
  // Past the first block: the var-parameter blocks of data sets 1, 2, ...
  const int shared = ParameterCount - VarParameterCount;
  return shared + (d - ParameterCount) % VarParameterCount;
}

TEngineState& TEngineState::operator=(TEngineState&&) noexcept = default;

void TEngineState::FreeEngineArrays() {
  const int mode = ModelMode;
  auto lines = std::move(FWorkLines);
  lines->Clear();
  // The generator is seeded once per program run; freeing the arrays must
  // not restart its sequence.
  const TRandomGenerator random = Random;
  TEngineState fresh;
  *this = std::move(fresh);
  FWorkLines = std::move(lines);
  ModelMode = mode;
  Random = random;
}

}  // namespace qv
