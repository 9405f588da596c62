// The 3-D grid series: points that carry a third value Z and form a grid
// over X and Z, drawn as a surface (TSurfaceSeries), a row of curtains
// (TWaterFallSeries), iso-lines (TContourSeries) or a flat colour picture
// (TColorGridSeries).
//
// Points are added with X, Y and Z (AddXYZ); Y is the value that is
// coloured and contoured. The Z values form a third value list ("Z") after
// X and Y, so the chart file writes them with every point. X keeps the
// insertion order (no sorting).
//
// Colouring by value (TCustom3DPaletteSeries): a colour range from EndColor
// (lowest Y) through an optional MidColor to StartColor (highest Y), or a
// palette of (UpToValue, colour) entries sorted by value, built from sine
// waves when nothing else fills it. With either on, a values legend lists
// the palette entries, highest first.
//
// The grid index (TCustom3DGridSeries) maps grid cells (x, z), both 1-based
// and at most MaxGridSize, to point indexes. A regular grid places point i
// at (round(X - min X) + 1, round(Z - min Z) + 1): X and Z are meant to be
// whole steps. An irregular grid numbers the distinct X and Z values in
// ascending order instead. The index is rebuilt before each drawing; a
// point whose cell lies outside the grid, or whose X or Z is not finite, is
// left out. A point whose Y is not finite is a null point: it has no colour
// and cells that need it are not drawn.
//
// All drawing goes through the chart's surface while the chart draws: X on
// the series' horizontal axis, Y on its vertical axis and Z on the chart's
// depth axis (in a 2-D contour and in a colour grid, Z on the vertical
// axis).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "platform/core/Image.h"

namespace qv {

class TCustom3DSeries;
class TContourSeries;

enum TPlotPaletteStyle { psPale, psStrong };

// May change the colour of point ValueIndex.
using TChartSurfaceGetColor =
    std::function<void(TChartSeries* sender, int valueIndex, TColor& color)>;
// The Y value of grid cell (X, Z) of generated values.
using TChartSurfaceGetY = std::function<double(TChartSeries* sender, int x, int z)>;

// ---- Z values ---------------------------------------------------------------------------------

// A series whose points carry a Z value.
class TCustom3DSeries : public TChartSeries {
 public:
  TCustom3DSeries();

  // The series settings, then TimesZOrder and the Z list's settings.
  void Assign(const TCustomChartElement& source) override;

  TChartValueList& ZValues() { return *zValues_; }
  const TChartValueList& ZValues() const { return *zValues_; }
  // Takes the list's settings (order, date-time flag, source name).
  void SetZValues(const TChartValueList& v) { zValues_->Assign(v); }
  double GetZValue(int index) const { return zValues_->Value(index); }
  // The depth indexes of the chart a 3-D series takes: the chart's highest
  // depth index becomes this number once the series is ordered.
  int TimesZOrder() const { return timesZOrder_; }
  void SetTimesZOrder(int v);

  // Adds a point with Z as its Z value; returns its index (-1 when
  // OnBeforeAdd refused it).
  int AddXYZ(double x, double y, double z, const std::string& label = "", TColor color = clDefault);

  void CalcZOrder() override;
  // The Z extremes (0 without points).
  double MinZValue() const override;
  double MaxZValue() const override;
  bool HasZValues() const override { return true; }
  // Only series with Z values feed a 3-D series.
  bool IsValidSourceOf(const TChartSeries& source) const override;
  // The depth pixel of a Z value (the chart's depth axis; 0 without one).
  int CalcZPosValue(double z) const;
  // The mark stands at the depth of its point's Z.
  void DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
  // A continuous legend symbol (the legend's Symbol.Continuous) is drawn
  // without its outline, so the items form one colour bar.
  void DrawLegendShape(int valueIndex, const TRect& rect) override;

 protected:
  std::unique_ptr<TChartValueList> zValues_;
  int timesZOrder_ = 3;
};

// ---- colour by value --------------------------------------------------------------------------

// One palette entry: values below UpToValue (and above the previous entry's)
// take Color.
struct TSurfacePaletteEntry {
  double UpToValue = 0;
  TColor Color = clBlack;
};

class TCustom3DPaletteSeries : public TCustom3DSeries {
 public:
  TCustom3DPaletteSeries();

  // The colour settings, then the 3-D series' settings.
  void Assign(const TCustomChartElement& source) override;
  std::string GetEditorClassName() const override { return "TGrid3DSeriesEditor"; }
  // With points and an empty palette, the default palette of PaletteSteps.
  void BeforeDrawChart() override;
  // The point's own colour; unless it is a null point or the series colours
  // each point itself, the colour range or palette colour of its Y. Then
  // OnGetColor.
  TColor GetValueColor(int index) const override;
  // Also empties the palette when UsePalette is on.
  void Clear() override;
  // Changed values also empty a palette that was built from the values
  // (not one the caller filled), so the next drawing builds it afresh.
  void NotifyValue(TValueEvent event, int index) override;

  // -- legend: with UseColorRange or UsePalette the palette entries,
  // highest first, as value text and value colour.
  int CountLegendItems() const override;
  TColor LegendItemColor(int index) const override;
  std::string LegendString(int index, TLegendTextStyle style) const override;

  // -- palette
  const std::vector<TSurfacePaletteEntry>& Palette() const { return palette_; }
  // Inserts after the entries whose value is not above Value; answers the
  // new entry's index.
  int AddPalette(double value, TColor color);
  void ClearPalette();
  // Steps entries from the Y minimum over the Y range, coloured by sine
  // waves of the palette style (see the divisors below).
  void CreateDefaultPalette(int steps);
  // Whether the palette was built from the values (by the series itself).
  bool AutomaticPalette() const { return automaticPalette_; }
  // The colour of the first entry above Value, else of the last entry; the
  // palette must not be empty.
  TColor GetSurfacePaletteColor(double value) const;
  // The colour range at Fraction (0 = EndColor, 1 = StartColor, through
  // MidColor at 0.5 when there is one); fractions beyond 0..1 are clamped.
  TColor RangePercent(double fraction) const;
  // The colour of a value: the colour range (EndColor when all Y are
  // equal), else the palette, else the series colour.
  TColor GetValueColorValue(double value) const;
  // The angles of the default palette's red, green and blue waves are
  // divided by these.
  double RedDivisor = 2.0, GreenDivisor = 1.0, BlueDivisor = 1.0;

  // -- settings (each change repaints)
  TColor StartColor() const { return startColor_; }
  void SetStartColor(TColor v);
  // clNone: no middle colour.
  TColor MidColor() const { return midColor_; }
  void SetMidColor(TColor v);
  TColor EndColor() const { return endColor_; }
  void SetEndColor(TColor v);
  bool UseColorRange() const { return useColorRange_; }
  // On: the point colours give way (ColorEachPoint off).
  void SetUseColorRange(bool v);
  bool UsePalette() const { return usePalette_; }
  // On: ColorEachPoint off, and the palette is built when it is empty.
  void SetUsePalette(bool v);
  int PaletteSteps() const { return paletteSteps_; }
  // Rebuilds the palette with the new number of steps.
  void SetPaletteSteps(int v);
  TPlotPaletteStyle PaletteStyle() const { return paletteStyle_; }
  // Empties the palette (rebuilt when needed).
  void SetPaletteStyle(TPlotPaletteStyle v);
  TChartSurfaceGetColor OnGetColor;

  // -- design-time gallery: captions of the variants (0 is the plain one),
  // applying one, the preview's preparation and its 3-D switch.
  virtual std::vector<std::string> SubGalleryStyles() const;
  virtual void ApplySubGalleryStyle(int index);
  virtual void PrepareForGallery(bool enabled);
  virtual void ApplyGallery3D(bool is3D);

 protected:
  // The Y list, whose statistics are computed lazily.
  TChartValueList& YList() const { return const_cast<TCustom3DPaletteSeries*>(this)->YValues(); }
  // The default palette of PaletteSteps, marked as built from the values.
  void BuildDefaultPalette();

 private:
  void CalcColorRange();
  TColor startColor_ = 0x800000;
  TColor midColor_ = clNone;
  TColor endColor_ = clWhite;
  bool useColorRange_ = true;
  bool usePalette_ = false;
  int paletteSteps_ = 32;
  TPlotPaletteStyle paletteStyle_ = psPale;
  std::vector<TSurfacePaletteEntry> palette_;
  bool automaticPalette_ = false;
  // The colour range: EndColor's and MidColor's channels and the channel
  // differences start - end (no mid colour) or mid - end and start - mid.
  int endRGB_[3] = {255, 255, 255};
  int midRGB_[3] = {0, 0, 0};
  int rangeRGB_[3] = {0, 0, 0};
  int midRangeRGB_[3] = {0, 0, 0};
};

// ---- the grid -----------------------------------------------------------------------------

class TCustom3DGridSeries : public TCustom3DPaletteSeries {
 public:
  // The largest grid coordinate in X and in Z.
  static constexpr int MaxGridSize = 2000;

  TCustom3DGridSeries();
  ~TCustom3DGridSeries() override;

  // Grid sizes and IrregularGrid, then the palette series' settings.
  void Assign(const TCustomChartElement& source) override;
  // The palette preparation, then the grid index (with points).
  void BeforeDrawChart() override;
  // The sizes of a grid source, the points, then the index.
  void AddValuesFromSource(TChartSeries& source) override;
  // Only grid series feed a grid series.
  bool IsValidSourceOf(const TChartSeries& source) const override;
  // Also forgets the grid index; X stays in insertion order.
  void Clear() override;

  // -- grid sizes (set by the grid index from the points, or given for
  // generated values: a change regenerates them)
  int NumXValues() const { return numXValues_; }
  void SetNumXValues(int v);
  int NumZValues() const { return numZValues_; }
  void SetNumZValues(int v);
  bool IrregularGrid() const { return irregularGrid_; }
  void SetIrregularGrid(bool v);
  TChartSurfaceGetY OnGetYValue;

  // -- grid index
  // The point of cell (X, Z); -1 for an empty cell or one outside the grid.
  int GetGridIndex(int x, int z) const;
  // Cells outside 1..MaxGridSize are ignored.
  void SetGridIndex(int x, int z, int index);
  // Rebuilds the index from the points and sets the grid sizes.
  void FillGridIndex();
  // Whether cells (x, z), (x + dx, z), (x + dx, z + dz) and (x, z + dz)
  // all hold a point (dx, dz: the cell offsets); their point indexes are
  // then CellIndex(0..3) in that order.
  bool ExistFourGridIndex(int x, int z);
  int CellIndex(int corner) const { return cell_[corner]; }
  // The step to the neighbouring column and row of a cell (1 or -1).
  int CellDX = 1, CellDZ = 1;

  // -- generated values
  // NumX x NumZ points (X = x, Z = z, Y = GetXZValue) replace the points,
  // only when OnGetYValue is set, the chart is being designed or sample
  // values are asked for; otherwise only the sizes are stored.
  virtual void CreateValues(int numX, int numZ);
  // OnGetYValue; without it a sample shape for sample values, else 0.
  virtual double GetXZValue(int x, int z);
  // An N x N sample grid (at most MaxGridSize each way); nothing for N < 1.
  void CreateSampleGrid(int n);
  int NumSampleValues() const override { return numXValues_; }

 protected:
  void AddSampleValues(int numValues) override;
  // NumX x NumZ points of the sample shape (CreateValues for sample values).
  void CreateSampleValues(int numX, int numZ);
  // The distinct X and Z values of an irregular grid, ascending (column and
  // row x is entry x - 1), and the minima of a regular one.
  std::vector<double> gridX_, gridZ_;
  double gridMinX_ = 0, gridMinZ_ = 0;

 private:
  void FreeGridIndex();
  void EmptyGridIndex();
  int numXValues_ = 10;
  int numZValues_ = 10;
  bool irregularGrid_ = false;
  bool sampleValues_ = false;
  // Column x - 1 holds MaxGridSize point indexes (-1: empty), created on
  // first use.
  std::vector<std::unique_ptr<int[]>> columns_;
  int cell_[4] = {-1, -1, -1, -1};
};

// ---- surface and waterfall ----------------------------------------------------------------

// A grid drawn as a 3-D surface of quadrilateral cells, back to front, each
// filled with its value's colour; or, as a wire frame or dot frame, only
// its edges or corners. The waterfall draws each row's line with a curtain
// down to the bottom of the vertical axis instead.
class TSurfaceSeries : public TCustom3DGridSeries {
 public:
  TSurfaceSeries();

  // Frames, side brush, smooth palette, waterfall settings, then the grid.
  void Assign(const TCustomChartElement& source) override;
  std::string GetEditorClassName() const override { return "TSurfaceSeriesEditor"; }
  std::vector<std::string> SubGalleryStyles() const override;
  void ApplySubGalleryStyle(int index) override;
  // The palette preparation, then a 10 x 10 sample grid.
  void PrepareForGallery(bool enabled) override;

  void DrawAllValues() override;
  // Draws cell (X, Z) with the current cell offsets: a surface cell needs
  // its four corners, a waterfall cell the two of its row.
  virtual void DrawCell(int x, int z);
  // The first point of the first cell (x = 2.., z = 2..) whose projected
  // quadrilateral holds the pixel; -1 for none.
  int Clicked(int x, int y) override;

  bool DotFrame() const { return dotFrame_; }
  // On: a visible pen, no wire frame.
  void SetDotFrame(bool v);
  bool WireFrame() const { return wireFrame_; }
  // On: a visible pen, no dot frame.
  void SetWireFrame(bool v);
  // The brush of the vertical faces that close the edge column and row
  // (none while clear).
  TChartBrush& SideBrush() { return sideBrush_; }
  void SetSideBrush(const TChartBrush& v) { sideBrush_.Assign(v); }
  // Cells coloured by the mean Y of their corners.
  bool SmoothPalette() const { return smoothPalette_; }
  void SetSmoothPalette(bool v);
  bool WaterFall() const { return waterFall_; }
  void SetWaterFall(bool v);
  // The curtains' vertical lines of a waterfall.
  TChartPen& WaterLines() { return waterLines_; }
  void SetWaterLines(const TChartPen& v) { waterLines_.Assign(v); }

 protected:
  bool waterFall_ = false;
  TChartPen waterLines_;

 private:
  // Screen point and depth of point Index.
  TPoint CellPoint(int index) const;
  void DrawSides();
  bool dotFrame_ = false;
  bool wireFrame_ = false;
  TChartBrush sideBrush_;
  bool smoothPalette_ = false;
  // Per drawing: every cell in the series brush's colour.
  bool sameBrush_ = true;
};

class TWaterFallSeries : public TSurfaceSeries {
 public:
  TWaterFallSeries();
  std::string GetEditorClassName() const override { return "TWaterFallEditor"; }
  std::vector<std::string> SubGalleryStyles() const override;
  void ApplySubGalleryStyle(int index) override;
  // The 3-D preset, then View3D as asked.
  void ApplyGallery3D(bool is3D) override;
};

// ---- contour ----------------------------------------------------------------------------

class TContourLevels;

// One iso-line level of a contour series: the value and the line colour.
class TContourLevel {
 public:
  explicit TContourLevel(TContourLevels* collection = nullptr) : collection_(collection) {}
  TContourLevel(const TContourLevel&) = delete;
  TContourLevel& operator=(const TContourLevel&) = delete;
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  double UpToValue() const { return upToValue_; }
  void SetUpToValue(double v);
  void Assign(const TContourLevel& source);
  TContourLevels* Collection() const { return collection_; }

 private:
  friend class TContourLevels;
  void Changed();
  TContourLevels* collection_;
  TColor color_ = clBlack;
  double upToValue_ = 0;
};

// The levels of a contour series (owned by it). Any change of a level, or
// adding and deleting levels, repaints the series and switches its
// AutomaticLevels off, unless the series is building the levels itself.
class TContourLevels {
 public:
  explicit TContourLevels(TContourSeries* owner = nullptr) : owner_(owner) {}
  TContourLevels(const TContourLevels&) = delete;
  TContourLevels& operator=(const TContourLevels&) = delete;
  int Count() const { return int(items_.size()); }
  TContourLevel& Items(int index) const { return *items_.at(index); }
  TContourLevel& operator[](int index) const { return Items(index); }
  TContourLevel& Add();
  // An index outside the list changes nothing.
  void Delete(int index);
  void Clear();
  // Copies of Source's levels replace these.
  void Assign(const TContourLevels& source);
  TContourSeries* Owner() const { return owner_; }

 private:
  friend class TContourLevel;
  void Changed();
  TContourSeries* owner_;
  std::vector<std::unique_ptr<TContourLevel>> items_;
};

// May change the value and colour of an automatic level.
using TOnGetLevelEvent =
    std::function<void(TContourSeries* sender, int levelIndex, double& value, TColor& color)>;

// Iso-lines of the grid's Y values over X and Z: in a 2-D chart in the X-Z
// plane (Z up the vertical axis), in a 3-D chart in a horizontal plane at
// YPosition (or each at its own level's height). The cells are cut into
// four triangles around their centre and each level's segments are found
// in each triangle (the CONREC method).
class TContourSeries : public TCustom3DGridSeries {
 public:
  TContourSeries();
  ~TContourSeries() override;

  // Levels and their settings, then the grid.
  void Assign(const TCustomChartElement& source) override;
  std::string GetEditorClassName() const override { return "TContourSeriesEditor"; }
  // The grid preparation, then the automatic levels.
  void BeforeDrawChart() override;
  std::vector<std::string> SubGalleryStyles() const override;
  void ApplySubGalleryStyle(int index) override;
  // The palette preparation; disabled, the series colour turns gray.
  void PrepareForGallery(bool enabled) override;
  void DrawAllValues() override;

  // -- legend: one item per level, highest first.
  int CountLegendItems() const override { return levels_.Count(); }
  TColor LegendItemColor(int index) const override;
  std::string LegendString(int index, TLegendTextStyle style) const override;

  // The Y extremes in a 3-D chart, the Z extremes in a 2-D one.
  double MaxYValue() override;
  double MinYValue() override;

  bool AutomaticLevels() const { return automaticLevels_; }
  void SetAutomaticLevels(bool v);
  TContourLevels& Levels() { return levels_; }
  const TContourLevels& Levels() const { return levels_; }
  void SetLevels(const TContourLevels& v) { levels_.Assign(v); }
  // The number asked for with AutomaticLevels, else the number of levels.
  int NumLevels() const;
  // With AutomaticLevels the levels are recomputed before the next drawing.
  void SetNumLevels(int v);
  double YPosition() const { return yPosition_; }
  void SetYPosition(double v);
  bool YPositionLevel() const { return yPositionLevel_; }
  void SetYPositionLevel(bool v);
  TOnGetLevelEvent OnGetLevel;

  // Rebuilds the levels (with AutomaticLevels and NumLevels >= 1): the Y
  // minimum plus i steps of Y range / NumLevels, coloured by point i (with
  // ColorEachPoint) or by value; OnGetLevel may change each.
  void CreateAutoLevels();
  // Set while the series changes its own levels.
  bool BuildingLevels() const { return building_; }

 protected:
  void AddSampleValues(int numValues) override;

 private:
  friend class TContourLevels;
  void LevelsChanged();
  bool automaticLevels_ = true;
  TContourLevels levels_{this};
  int numLevels_ = 10;
  double yPosition_ = 0;
  bool yPositionLevel_ = false;
  bool building_ = false;
};

// ---- colour grid ------------------------------------------------------------------------

// The grid as a flat picture: one pixel per cell in its value's colour,
// stretched over the rectangle of the X and Z ranges (Z up the vertical
// axis), with grid lines in the pen. The last column and row of points only
// close the picture.
class TColorGridSeries : public TCustom3DGridSeries {
 public:
  TColorGridSeries();
  std::string GetEditorClassName() const override { return "TColorGridEditor"; }
  std::vector<std::string> SubGalleryStyles() const override;
  void ApplySubGalleryStyle(int index) override;
  // The palette preparation, then an 8 x 4 sample grid.
  void PrepareForGallery(bool enabled) override;
  // A 2-D chart that clips the points.
  void ApplyGallery3D(bool is3D) override;

  void DrawAllValues() override;
  // The Z extremes: the vertical axis shows Z.
  double MaxYValue() override;
  double MinYValue() override;
  // The point of the cell under the pixel; -1 for none.
  int Clicked(int x, int y) override;
  // The picture of the last drawing, (NumXValues - 1) x (NumZValues - 1)
  // pixels laid out as it appears (row 0 at the top: the highest Z unless
  // the vertical axis is inverted); empty cells in the panel's colour.
  const TImage& Bitmap() const { return bitmap_; }

 private:
  TImage bitmap_;
};

// ---- registration -------------------------------------------------------------------------

// The four grid series types as the series type registry knows them.
const TSeriesClass& SurfaceSeriesClass();
const TSeriesClass& ContourSeriesClass();
const TSeriesClass& WaterFallSeriesClass();
const TSeriesClass& ColorGridSeriesClass();
// Registers the four types ("Surface" and "Contour" on the page "Extended",
// "Water Fall" and "ColorGrid" on "Stats"); done once at program start.
void RegisterGridSeriesTypes();
// Removes them again (at program end).
void UnregisterGridSeriesTypes();

}  // namespace qv
