#include "engine/EvaluationThreads.h"

#include <atomic>

namespace qv {

namespace {
std::atomic<int> gThreads{0};
}

void SetEvaluationThreads(int Count) { gThreads = Count < 0 ? 0 : Count; }
int EvaluationThreads() { return gThreads; }

}  // namespace qv
