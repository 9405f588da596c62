// Arbitrary program-block lines through the rewriting into the generated
// library's Pascal: names, the power operator with its brackets, strings and
// comments carried from line to line. No crash, no hang; a line without
// names, carets or "=" comes out as it went in.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/ProgramMode.h"

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back("y[i] := a*x[i]^2 + b;\nfor i = 1 to DataLength - 1 do\n");
  seeds->push_back("z := (u+v)^(1/3) + w^-1; s := 'a^b' { x[i] ^\n y[i] } (* a *) 2^u^v\n");
  seeds->push_back("m[i][j]^2 ^ ^( )^ x[^]^ ((((^ ]]]]^ sin(x[i]) ^ b\n");
  seeds->push_back("Y [I] : = 2E5*A // a = b\nif x[i] = 1 then c := k\n");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One model for every input: the names the rewriting replaces.
  static qv::TEngineState state;
  static const bool named = [] {
    qv::TEngineModel& m = state.Model;
    m.VariableNames = {"x", "y"};
    m.OutputNames = {"y"};
    m.ParameterNames = {"a", "b", "pdata"};
    m.ConstantNames = {"c"};
    m.ConstantValues = {"2"};
    m.VarConstantNames = {"k"};
    return true;
  }();
  (void)named;
  const std::string text(reinterpret_cast<const char*>(data), size);
  int comment = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const bool plain = line.find_first_of("^=abcdklmpxyABCDKLMPXY") == std::string::npos;
    const int before = comment;
    const std::string out = qv::RewriteProgramLine(state, line, &comment);
    if (plain && before == 0 && out != line) std::abort();
    start = end + 1;
  }
  return 0;
}
