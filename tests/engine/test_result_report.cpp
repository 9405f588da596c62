// The report as the engine builds it: its text line by line and in blocks,
// and the table's value texts, which must be those of FormatFloat and
// FloatToStr for every value (ties of the rounding, values that round to
// zero, negative zero, very large and small values, another decimal
// separator).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ParseExpr.h"
#include "engine/ResultReport.h"
#include "platform/core/SysUtils.h"

namespace qv {
namespace {

std::string Fixed(double v, int decimals) {
  std::string out;
  AppendFixed(out, v, decimals);
  return out;
}

std::string Shortest(double v) {
  std::string out;
  AppendShortest(out, v);
  return out;
}

std::string Mask(int decimals) {
  return decimals == 0 ? std::string("0") : "0." + std::string(std::size_t(decimals), '0');
}

// Values where a short way and the general routines could part.
std::vector<double> EdgeValues() {
  std::vector<double> v = {0.0,
                           -0.0,
                           1,
                           -1,
                           0.5,
                           2.5,
                           -2.5,
                           0.00390625,  // an exact tie at seven decimals
                           -0.00390625,
                           1.00000005,
                           0.00000005,
                           -0.00000004,  // rounds to zero: no sign
                           0.123456789012345678,
                           123456789.123456789,
                           99999999.99999999,
                           1e15,
                           1e16,
                           1.5e300,
                           -2.2250738585072014e-308,
                           4.9e-324,
                           0.0001,
                           0.00012345,
                           0.001,
                           1234567890123456.0,
                           123456789012345.6,
                           9.9999999999999995,
                           0.1 + 0.2,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  // Every tie with few binary digits: k / 2^n.
  for (int n = 1; n <= 12; ++n)
    for (int k = 1; k < 40; k += 2) {
      v.push_back(k / std::ldexp(1.0, n));
      v.push_back(-k / std::ldexp(1.0, n) * 1000);
    }
  return v;
}

TEST(ReportValues, AreTheTextsOfTheGeneralRoutines) {
  FormatSettings() = TFormatSettings::Invariant();
  std::vector<double> values = EdgeValues();
  std::mt19937_64 g(11);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> scale(-12, 17);
  for (int i = 0; i < 200000; ++i) values.push_back(unit(g) * std::pow(10.0, scale(g)));
  // Short decimal data as files hold them, and values a few ulps off them.
  for (int i = 0; i < 50000; ++i) {
    const double d = std::round(unit(g) * 1e7) / 1e4;
    values.push_back(d);
    values.push_back(std::nextafter(d, 1e300));
    values.push_back(std::nextafter(d, -1e300));
  }
  for (const double v : values) {
    ASSERT_EQ(Shortest(v), FloatToStr(v)) << std::hexfloat << v;
    for (const int d : {0, 5, 7, 10})
      ASSERT_EQ(Fixed(v, d), FormatFloat(Mask(d), v)) << std::hexfloat << v << " decimals " << d;
  }
}

// The report is written in the model language's number form whatever the
// process's format says.
TEST(ReportValues, KeepTheModelNumberFormUnderADecimalComma) {
  TFormatSettings comma = TFormatSettings::Invariant();
  comma.DecimalSeparator = ',';
  FormatSettings() = comma;
  for (const double v : {0.25, -1234.5678, 1e-5, 3.0, 2.5e20, 0.1 + 0.2}) {
    EXPECT_EQ(Shortest(v), FloatToStr(v, ModelNumberForm()));
    EXPECT_EQ(Fixed(v, 7), FormatFloat("0.0000000", v, ModelNumberForm()));
    EXPECT_EQ(Fixed(v, 7).find(','), std::string::npos);
  }
  FormatSettings() = TFormatSettings::Invariant();
}

// A report with a table: line by line, as lines, in blocks and per line
// agree; absent values are empty fields.
TEST(ResultReport, TextIsTheSameEveryWayItIsTaken) {
  FormatSettings() = TFormatSettings::Invariant();
  TResultReport r({"Title", "", "Iterations: 3"});
  r.TableHead = {"", "====== Output Results =====", "", "No\tObserved y\tCalculated y"};
  r.Rows = 3;
  r.Columns = {{std::make_shared<const Double1Array>(Double1Array{1.5, 2, 0.125}), -1},
               {std::make_shared<const Double1Array>(Double1Array{1.49999996, 2.0000001}), 7},
               {nullptr, 5}};
  r.Tail = {"", "closing"};
  const std::vector<std::string> expected = {"Title",
                                             "",
                                             "Iterations: 3",
                                             "",
                                             "====== Output Results =====",
                                             "",
                                             "No\tObserved y\tCalculated y",
                                             "1\t1.5\t1.5000000\t",
                                             "2\t2\t2.0000001\t",
                                             "3\t0.125\t\t",
                                             "",
                                             "closing"};
  EXPECT_EQ(r.AllLines(), expected);
  ASSERT_EQ(r.LineCount(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(r.Line(i), expected[i]) << i;
  std::ostringstream out;
  r.Write(out);
  std::string joined;
  for (const auto& l : expected) joined += l + "\n";
  EXPECT_EQ(out.str(), joined);

  // Many rows cross the blocks of the writer whole.
  TResultReport big;
  big.Rows = 100000;
  auto values = std::make_shared<Double1Array>();
  for (int k = 0; k < big.Rows; ++k) values->push_back(k * 0.001);
  big.Columns = {{values, 7}};
  std::ostringstream bigOut;
  big.Write(bigOut);
  std::string bigJoined;
  for (const auto& l : big.AllLines()) bigJoined += l + "\n";
  EXPECT_EQ(bigOut.str(), bigJoined);
  EXPECT_EQ(big.Line(99999), "100000\t99.9990000");
}

}  // namespace
}  // namespace qv
