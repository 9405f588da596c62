// Shared by the axis tests: one row of the label increment table and the
// check that a horizontal axis over the row's range computes it.
#pragma once

#include <gtest/gtest.h>

#include "chart/VeZazera.h"

namespace qv::axistest {

struct TIncrementCase {
  double lo, hi;
  bool dateTime;
  double increment;  // 0: none set
  int maxLabels;
  double expected;
};

inline void CheckComputeIncrement(const TIncrementCase& c) {
  TChartAxis ax(nullptr);
  ax.SetHorizontal(true);
  if (c.increment > 0) ax.SetIncrement(c.increment);
  ax.ShowsDateTime = c.dateTime;
  ax.RangeMinimum = c.lo;
  ax.RangeMaximum = c.hi;
  ax.RecalculateScale();
  EXPECT_NEAR(ax.ComputeIncrement(c.maxLabels), c.expected, c.expected * 1e-9)
      << c.lo << ".." << c.hi << (c.dateTime ? " date" : "") << " labels " << c.maxLabels;
}

}  // namespace qv::axistest
