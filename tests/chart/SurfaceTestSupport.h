// Shared by the drawing surface tests: a 3D drawing surface that draws
// straight into a recording canvas with fixed font metrics.
#pragma once

#include <gtest/gtest.h>

#include "chart/PlotCanvas.h"
#include "platform/core/RecordingCanvas.h"

namespace qv::surfacetest {

struct TSurfaceTestBase : ::testing::Test {
  TFakeFontService fonts{8, 16};
  TRecordingCanvas rec{TRect(0, 0, 600, 700), &fonts};
  TPlotCanvas3D surface;
  TView3DOptions view;
  TSurfaceTestBase() { surface.SetBufferedDrawing(false); }
};

}  // namespace qv::surfacetest
