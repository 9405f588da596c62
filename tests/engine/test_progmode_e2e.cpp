// The program-model examples run through the engine test driver and find
// the same parameters as the expression model of the same data.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "E2eDriver.h"

using namespace qv;

namespace {

namespace fs = std::filesystem;

using namespace e2e;

TDriverRun Drive(const std::string& model, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args{model,   "--seed",         "5",     "--set",       "RB2=True",
                                "--set", "ComboBox1=2000", "--set", "DESizeBox=30"};
  args.insert(args.end(), extra.begin(), extra.end());
  return RunDriver(args, 300000);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The example with its program block replaced by a function statement and
// only the data set that starts with DataLine kept.
std::string ExpressionModel(const std::string& example, const std::string& function,
                            const std::string& dataLine, const std::string& name) {
  std::string text;
  {
    // Without the per-data-set definitions.
    std::istringstream in(ReadText(kExamples + example));
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("varparameter", 0) != 0 && line.rfind("varconstant", 0) != 0)
        text += line + "\n";
  }
  const size_t start = text.find("\nstartprogram") + 1;
  const size_t end = text.find("\nendprogram;\n") + 1;
  text = text.substr(0, start) + function + "\n" + text.substr(end + 12);
  const size_t from = text.find(dataLine);
  size_t to = text.find("data", from + dataLine.size());
  const size_t firstData = text.find("\ndata") + 1;
  std::string rows =
      text.substr(from + dataLine.size(),
                  to == std::string::npos ? std::string::npos : to - from - dataLine.size());
  text = text.substr(0, firstData) + "data;" + rows;
  const fs::path dir = fs::path(QV_BINARY_DIR) / "progmode-e2e";
  fs::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(ProgramExamples, QuadraticInPascalAndBasicFitsLikeTheExpressionModel) {
  const TDriverRun expr =
      Drive(ExpressionModel("Regression Curve Fit/Quadratic Program.mff",
                            "function y = a*x^2 + b*x + c;", "data;", "quadratic.txt"));
  ASSERT_EQ(expr.Exit, 0) << expr.Err;
  for (const char* example : {"Regression Curve Fit/Quadratic Program.mff",
                              "Regression Curve Fit/Quadratic Program VB.mff"}) {
    const TDriverRun prog = Drive(kExamples + example);
    ASSERT_EQ(prog.Exit, 0) << example << "\n" << prog.Err;
    for (const char* name : {"a", "b", "c"}) {
      ASSERT_EQ(prog.All(name).size(), 1u) << example << " " << name;
      EXPECT_NEAR(prog.All(name)[0], expr.All(name).at(0), 1e-4) << example << " " << name;
    }
  }
}

TEST(ProgramExamples, SensorsWithOffsetsTemperaturesAndAHeldOutSensor) {
  // Sensor A alone by expression: its temperature term is 0.
  const TDriverRun expr = Drive(ExpressionModel(
      "Auto-calibration/Sensor Drift Program.mff",
      "parameters offset [-2, 2];\nfunction value = gain*reading + curve*reading^2 + offset;",
      "data \"sensor A\";", "sensors.txt"));
  ASSERT_EQ(expr.Exit, 0) << expr.Err;
  const TDriverRun prog =
      Drive(kExamples + "Auto-calibration/Sensor Drift Program.mff", {"--testvalue", "0.35"});
  ASSERT_EQ(prog.Exit, 0) << prog.Err;
  EXPECT_NEAR(prog.All("gain").at(0), expr.All("gain").at(0), 1e-4);
  EXPECT_NEAR(prog.All("curve").at(0), expr.All("curve").at(0), 1e-4);
  const std::vector<double> offsets = prog.All("offset");
  ASSERT_GE(offsets.size(), 2u) << prog.Out;
  EXPECT_NEAR(offsets[0], expr.All("offset").at(0), 1e-4);
  EXPECT_NEAR(offsets[1], -0.4, 1e-4);  // sensor B, known from how the data were made
}

}  // namespace
