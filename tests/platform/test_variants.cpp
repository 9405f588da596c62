// Variant conversions: the table of what converts to what, and the errors.
#include <gtest/gtest.h>

#include "platform/core/Variants.h"

namespace qv {
namespace {

class VariantsTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
};

TEST_F(VariantsTest, ToText) {
  struct {
    TVariant v;
    const char* text;
  } cases[] = {
      {TVariant(), ""},
      {TVariant::Null(), ""},
      {TVariant(42), "42"},
      {TVariant(1.5), "1.5"},
      {TVariant(true), "True"},
      {TVariant::FromCurrency(123450), "12.345"},
      {TVariant::FromCurrency(-5), "-0.0005"},
      {TVariant::FromDateTime(EncodeDate(2020, 1, 2)), "01/02/2020"},
      {TVariant::FromDateTime(EncodeTime(6, 30, 0, 0)), "06:30:00"},
      {TVariant("x"), "x"},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToStr(c.v), c.text);
}

TEST_F(VariantsTest, ToNumbers) {
  EXPECT_DOUBLE_EQ(VarToFloat(TVariant(" 2.5 ")), 2.5);
  EXPECT_DOUBLE_EQ(VarToFloat(TVariant()), 0.0);
  EXPECT_DOUBLE_EQ(VarToFloat(TVariant(true)), -1.0);
  EXPECT_DOUBLE_EQ(VarToFloat(TVariant::FromCurrency(25000)), 2.5);
  EXPECT_EQ(VarToInt(TVariant(2.5)), 2);  // half to even
  EXPECT_EQ(VarToInt(TVariant(3.5)), 4);
  EXPECT_EQ(VarToInt(TVariant("17")), 17);
  EXPECT_EQ(VarToInt(TVariant("17.6")), 18);
  EXPECT_EQ(VarToCurrency(TVariant(1.23456)), 12346);
  EXPECT_TRUE(VarToBool(TVariant("TRUE")));
  EXPECT_FALSE(VarToBool(TVariant("0")));
  EXPECT_DOUBLE_EQ(VarToDateTime(TVariant("01/02/2020")), EncodeDate(2020, 1, 2));
}

TEST_F(VariantsTest, FailedConversionsNameBothTypes) {
  struct {
    std::function<void()> convert;
    const char* message;
  } cases[] = {
      {[] { VarToFloat(TVariant("abc")); },
       "Could not convert variant of type (String) into type (Double)"},
      {[] { VarToFloat(TVariant("")); },
       "Could not convert variant of type (String) into type (Double)"},
      {[] { VarToInt(TVariant::Null()); },
       "Could not convert variant of type (Null) into type (Integer)"},
      {[] { VarToBool(TVariant("maybe")); },
       "Could not convert variant of type (String) into type (Boolean)"},
      {[] { VarToDateTime(TVariant("soon")); },
       "Could not convert variant of type (String) into type (Date)"},
  };
  for (const auto& c : cases) {
    try {
      c.convert();
      ADD_FAILURE() << c.message;
    } catch (const EVariantTypeCastError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_THROW(VarToInt(TVariant(1e12)), EVariantOverflowError);
  EXPECT_THROW(VarToCurrency(TVariant(1e300)), EVariantOverflowError);
}

}  // namespace
}  // namespace qv
