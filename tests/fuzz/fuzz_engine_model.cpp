// Arbitrary model text through the whole reading road: preparation,
// classification, the parser of its kind, target preparation and
// compilation. Only model messages may come out: no exception, no crash,
// no hang, and every refused model says why.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/ModelParser.h"
#include "engine/RecordingFitHost.h"
#include "platform/core/SysUtils.h"

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(
      "title Linear;\nvariables x, y;\nparameters a [0, 10], b = 1 [-5, 5], p(1:2) [0,1, "
      "0];\nconst c = 2;\n"
      "function y = a*x+b*c;\ndata;\n1 2\n2 4\n3 6\n");
  seeds->push_back(
      "parameters p(1:3) [0, 1], q(1:2,1:2);\nconst c = 2, k(1:2)=[1,2];\nminimum;\nfunctions;\n"
      "sum(i=1:3)(p[i]*i) + prod(j=1:2)(q[j,1]);\np1 + p2 <= c, p3 <> p1;\nmax(p1, p2) = 1;\n");
  seeds->push_back(
      "title Prog;\nvariables x, y [output];\nvarparameter v [0, 1];\nparameters a [0, 2];\n"
      "varconstant vc[1, 2];\nstartprogram;\nfor i := 0 to DataLength - 1 do\n  y[i] := a*x[i] + v "
      "+ vc;\n"
      "endprogram;\ndata [t];\n1, 2\n2, 3\ndata \"main\";\n1, 2\n2, 3\n3, 4\n");
  seeds->push_back(
      "variables x, y;\nparameters a [0, 2];\nStartProgram[vb];\ndim b(3) as long\nselect case "
      "a\ncase 1\n"
      "y(0) = 1: b(1) = 2\ncase else\ndo\nloop while a < 1\nend select\nendprogram;\nData\n1 2\n2 "
      "3\n");
  seeds->push_back(
      "{ comment } variables x; exclusive=true;\n// line\nfunction if(x>0, y=a*x, y=b*x);\n");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  qv::FormatSettings().DecimalSeparator = '.';
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  lines.push_back(cur);

  qv::TEngineState state;
  state.Model.ModelFolder = "/nonexistent-quorvane-model-folder";
  qv::TRecordingFitHost host;
  try {
    const bool ok = qv::ReadModel(state, host, lines);
    if (!ok && host.Messages.empty()) std::abort();  // refused without saying why
    if (ok && !host.Messages.empty()) std::abort();  // accepted after a message
    if (ok && state.Model.ModelMode == qv::TModelMode::Function) {
      for (int f = 0; f < state.Model.FunctionCount; ++f) {
        state.Model.CurrentFunction = f;
        qv::PrepareTargetData(state);
        qv::CompileFitFunction(state, host);
      }
    } else if (ok && state.Model.ModelMode == qv::TModelMode::Equation) {
      qv::CompileEquationFunctions(state, host);
    } else if (ok && state.Model.ModelMode == qv::TModelMode::Program) {
      qv::PrepareTargetData(state);
    }
    (void)qv::DumpModelState(state);
  } catch (...) {
    std::abort();
  }
  return 0;
}
