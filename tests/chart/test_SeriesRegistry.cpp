// Series type registry: registration, de-duplication, removal.
#include <gtest/gtest.h>

#include "chart/VeZazera.h"

namespace qv {
namespace {

const TSeriesClass kSurface{"TSurfaceSeries", [] { return std::make_unique<TChartSeries>(); }};
const TSeriesClass kContour{"TContourSeries", [] { return std::make_unique<TChartSeries>(); }};
const TSeriesClass kAverage{"TAverageFunction", nullptr};
const TSeriesClass kTrend{"TTrendFunction", nullptr};
const std::string kDesc = "Surface", kPage = "Extended";

struct RegistryFixture : ::testing::Test {
  void SetUp() override { PlotSeriesTypes().Clear(); }
  void TearDown() override { PlotSeriesTypes().Clear(); }
};

TEST_F(RegistryFixture, RegisterDeduplicatesPairs) {
  RegisterSeriesType(&kSurface, kDesc, kPage, 1);
  RegisterSeriesType(&kSurface, kDesc, kPage, 1);
  ASSERT_EQ(PlotSeriesTypes().Count(), 1);
  EXPECT_TRUE(IsSeriesClassRegistered("TSurfaceSeries"));
  EXPECT_EQ(FindSeriesClass("TSurfaceSeries"), &kSurface);
  const TPlotSeriesType& t = PlotSeriesTypes().Items(0);
  EXPECT_EQ(t.Description, "Surface");
  EXPECT_EQ(t.GalleryPage, "Extended");
  EXPECT_EQ(t.FunctionClass, nullptr);
  RegisterSeriesTypeFunction(&kSurface, &kAverage, kDesc, kPage, 2);
  RegisterSeriesTypeFunction(&kSurface, &kTrend, kDesc, kPage, 2);
  EXPECT_EQ(PlotSeriesTypes().Count(), 3);
  EXPECT_TRUE(IsSeriesClassRegistered("TTrendFunction"));
}

TEST_F(RegistryFixture, RemovalTakesEveryAdjacentMatch) {
  RegisterSeriesTypeFunction(&kSurface, &kAverage, kDesc, kPage, 1);
  RegisterSeriesTypeFunction(&kSurface, &kTrend, kDesc, kPage, 1);
  RegisterSeriesType(&kContour, kDesc, kPage, 1);
  RegisterSeriesTypeFunction(&kContour, &kAverage, kDesc, kPage, 1);
  UnregisterSeriesTypes({&kSurface});
  ASSERT_EQ(PlotSeriesTypes().Count(), 2);
  EXPECT_EQ(PlotSeriesTypes().Items(0).SeriesClass, &kContour);
  RemoveSeriesTypes(false, &kAverage);
  ASSERT_EQ(PlotSeriesTypes().Count(), 1);
  EXPECT_EQ(PlotSeriesTypes().Items(0).FunctionClass, nullptr);
  const TSeriesClass never{"TNeverSeries", nullptr};
  UnregisterSeriesTypes({&never});
  EXPECT_EQ(PlotSeriesTypes().Count(), 1);
}

}  // namespace
}  // namespace qv
