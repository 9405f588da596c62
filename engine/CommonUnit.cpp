// Engine state: construction and release of the model part, the dimension
// layout, and the release of the whole state.
#include "engine/CommonUnit.h"

#include "engine/ParseExpr.h"
#include "engine/ProgramRuntime.h"
#include "engine/WorkLines.h"
#include "platform/core/Classes.h"

namespace qv {

TEngineModel::TEngineModel()
    : workLines_(std::make_unique<TWorkLines>()),
      programRuntime_(std::make_unique<TProgramRuntime>()) {}

TEngineModel::~TEngineModel() = default;
TEngineModel::TEngineModel(TEngineModel&&) noexcept = default;
TEngineModel& TEngineModel::operator=(TEngineModel&&) noexcept = default;

void TEngineModel::SetWorkLines(const std::vector<std::string>& Lines) {
  workLines_ = std::make_unique<TWorkLines>(Lines);
}

TWorkLines& TEngineModel::WorkLines() { return *workLines_; }
const TWorkLines& TEngineModel::WorkLines() const { return *workLines_; }

void TEngineModel::FreeProgramRuntime() { programRuntime_ = std::make_unique<TProgramRuntime>(); }

int TEngineModel::DimParameter(int d) const {
  if (d < ParameterCount || VarParameterCount <= 0) return d;
  // Past the first block: the var-parameter blocks of data sets 1, 2, ...
  const int shared = ParameterCount - VarParameterCount;
  return shared + (d - ParameterCount) % VarParameterCount;
}

void TEngineState::FreeEngineArrays() {
  const TModelMode mode = Model.ModelMode;
  auto lines = std::move(Model.workLines_);
  lines->Clear();
  Model = TEngineModel();
  Model.workLines_ = std::move(lines);
  Model.ModelMode = mode;
  Pop = TPopulation();
  const TRandomGenerator random = Run.Random;
  Run = TRunState();
  Run.Random = random;
}

}  // namespace qv
