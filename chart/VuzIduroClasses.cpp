// The chart classes as the component stream sees them: their published
// properties in declaration order with their defaults, and the extra
// properties the chart and the series define ("PrintMargins", the old zoom
// and back-colour properties, "DataSources", "Identifier", "Style",
// "CustomHorizAxis", "CustomVertAxis", "Data", "Multiplier").
#include <algorithm>
#include <mutex>

#include "chart/PlotSurfa.h"
#include "chart/Series.h"
#include "chart/VuzIduro.h"
#include "chart/ZezIdazi.h"
#include "platform/core/ComponentStream.h"

namespace qv {

namespace {

// ---- types -------------------------------------------------------------------------------------

#define QV_ENUM_TYPE(Fn, Name, ...)                                    \
  const TTypeInfo& Fn() {                                              \
    static const TTypeInfo& t = RegisterEnumType(Name, {__VA_ARGS__}); \
    return t;                                                          \
  }
QV_ENUM_TYPE(TypePenEndStyle, "TPenEndStyle", "esRound", "esSquare", "esFlat")
QV_ENUM_TYPE(TypeGradientDirection, "TGradientDirection", "gdTopBottom", "gdBottomTop",
             "gdLeftRight", "gdRightLeft", "gdFromCenter", "gdFromTopLeft", "gdFromBottomLeft")
QV_ENUM_TYPE(TypeShapeStyle, "TChartObjectShapeStyle", "fosRectangle", "fosRoundRectangle")
QV_ENUM_TYPE(TypePanelBevel, "TPanelBevel", "bvNone", "bvLowered", "bvRaised", "bvSpace")
QV_ENUM_TYPE(TypeAxisLabelAlign, "TAxisLabelAlign", "alDefault", "alOpposite")
QV_ENUM_TYPE(TypeAxisLabelStyle, "TAxisLabelStyle", "talAuto", "talNone", "talValue", "talMark",
             "talText")
QV_ENUM_TYPE(TypeListOrder, "TChartListOrder", "loNone", "loAscending", "loDescending")
QV_ENUM_TYPE(TypeHorizAxis, "THorizAxis", "aTopAxis", "aBottomAxis", "aBothHorizAxis",
             "aCustomHorizAxis")
QV_ENUM_TYPE(TypeVertAxis, "TVertAxis", "aLeftAxis", "aRightAxis", "aBothVertAxis",
             "aCustomVertAxis")
QV_ENUM_TYPE(TypeMarksStyle, "TSeriesMarksStyle", "smsValue", "smsPercent", "smsLabel",
             "smsLabelPercent", "smsLabelValue", "smsLegend", "smsPercentTotal",
             "smsLabelPercentTotal", "smsXValue", "smsXY")
QV_ENUM_TYPE(TypePointerStyle, "TSeriesPointerStyle", "psRectangle", "psCircle", "psTriangle",
             "psDownTriangle", "psCross", "psDiagCross", "psStar", "psDiamond", "psSmallDot",
             "psNothing")
QV_ENUM_TYPE(TypeSeriesStack, "TCustomSeriesStack", "cssNone", "cssOverlap", "cssStack",
             "cssStack100")
QV_ENUM_TYPE(TypeLegendAlignment, "TLegendAlignment", "laLeft", "laRight", "laTop", "laBottom")
QV_ENUM_TYPE(TypeLegendStyle, "TLegendStyle", "lsAuto", "lsSeries", "lsValues", "lsLastValues")
QV_ENUM_TYPE(TypeLegendTextStyle, "TLegendTextStyle", "ltsPlain", "ltsLeftValue", "ltsRightValue",
             "ltsLeftPercent", "ltsRightPercent", "ltsXValue", "ltsValue", "ltsPercent",
             "ltsXAndValue", "ltsXAndPercent")
QV_ENUM_TYPE(TypeSymbolPosition, "TLegendSymbolPosition", "spLeft", "spRight")
QV_ENUM_TYPE(TypeSymbolSize, "TLegendSymbolSize", "lcsPercent", "lcsPixels")
QV_ENUM_TYPE(TypeAlignment, "TAlignment", "taLeftJustify", "taRightJustify", "taCenter")
QV_ENUM_TYPE(TypeBackImageMode, "TPlotBackImageMode", "pbmStretch", "pbmTile", "pbmCenter")
QV_ENUM_TYPE(TypeZoomDirection, "TPlotZoomDirection", "tzdHorizontal", "tzdVertical", "tzdBoth")
QV_ENUM_TYPE(TypeMouseButton, "TMouseButton", "mbLeft", "mbRight", "mbMiddle")
QV_ENUM_TYPE(TypePanningMode, "TPanningMode", "pmNone", "pmHorizontal", "pmVertical", "pmBoth")
QV_ENUM_TYPE(TypePaletteStyle, "TPlotPaletteStyle", "psPale", "psStrong")
QV_ENUM_TYPE(TypeShiftStateElement, "TShiftStateElement", "ssShift", "ssAlt", "ssCtrl", "ssLeft",
             "ssRight", "ssMiddle", "ssDouble")
#undef QV_ENUM_TYPE

const TTypeInfo& TypeShiftState() {
  static const TTypeInfo& t = RegisterSetType("TShiftState", TypeShiftStateElement());
  return t;
}

// ---- pens, brushes, fonts, gradients -----------------------------------------------------------

const TClassInfo& ChartPenInfo() {
  static const TClassInfo& info =
      TClassBuilder<TChartPen, TPen>("TChartPen", ClassInfoPen())
          .Property("EndStyle", TypePenEndStyle(), &TChartPen::EndStyle, &TChartPen::SetEndStyle)
          .Default(esRound)
          .Property("SmallDots", TypeInfoBoolean(), &TChartPen::SmallDots, &TChartPen::SetSmallDots)
          .Default(false)
          .Property("Visible", TypeInfoBoolean(), &TChartPen::Visible, &TChartPen::SetVisible)
          .Default(true)
          .Register();
  return info;
}

// A pen class of the chart whose construction defaults differ.
template <class P>
const TClassInfo& PenInfo(const char* name, TColor color, TPenStyle style, int width,
                          bool visible) {
  static const TClassInfo& info =
      TClassBuilder<P, TChartPen>(name, ChartPenInfo())
          .Property("Color", TypeInfoColor(), &TPen::Color, &TPen::SetColor)
          .Default(color)
          .Property("Style", TypeInfoPenStyle(), &TPen::Style, &TPen::SetStyle)
          .Default(style)
          .Property("Width", TypeInfoInteger(), &TPen::Width, &TPen::SetWidth)
          .Default(width)
          .Property("Visible", TypeInfoBoolean(), &TChartPen::Visible, &TChartPen::SetVisible)
          .Default(visible)
          .Register();
  return info;
}

const TClassInfo& HiddenPenInfo() {
  return PenInfo<TChartHiddenPen>("TChartHiddenPen", clBlack, psSolid, 1, false);
}
const TClassInfo& DottedGrayPenInfo() {
  return PenInfo<TDottedGrayPen>("TDottedGrayPen", clGray, psDot, 1, true);
}
const TClassInfo& DarkGrayPenInfo() {
  return PenInfo<TDarkGrayPen>("TDarkGrayPen", clGray, psSolid, 1, true);
}
const TClassInfo& ArrowPenInfo() {
  return PenInfo<TChartArrowPen>("TChartArrowPen", clWhite, psSolid, 1, true);
}
const TClassInfo& AxisPenInfo() {
  return PenInfo<TChartAxisPen>("TChartAxisPen", clBlack, psSolid, 2, true);
}

const TClassInfo& ZoomPenInfo() {
  static const TClassInfo& info =
      TClassBuilder<TPlotZoomPen, TChartPen>("TPlotZoomPen", ChartPenInfo())
          .Property("Color", TypeInfoColor(), &TPen::Color, &TPen::SetColor)
          .Stored(&TPlotZoomPen::IsColorStored)
          .Register();
  return info;
}

const TClassInfo& ChartBrushInfo() {
  static const TClassInfo& info =
      TClassBuilder<TChartBrush, TBrush>("TChartBrush", ClassInfoBrush())
          .Property("Color", TypeInfoColor(), &TBrush::Color, &TBrush::SetColor)
          .Default(clDefault)
          .Register();
  return info;
}

const TClassInfo& ZoomBrushInfo() {
  static const TClassInfo& info =
      TClassBuilder<TPlotZoomBrush, TChartBrush>("TPlotZoomBrush", ChartBrushInfo())
          .Property("Color", TypeInfoColor(), &TBrush::Color, &TBrush::SetColor)
          .Default(clWhite)
          .Property("Style", TypeInfoBrushStyle(), &TBrush::Style, &TBrush::SetStyle)
          .Default(bsClear)
          .Register();
  return info;
}

const TClassInfo& ShadowInfo() {
  static const TClassInfo& info =
      TClassBuilder<TPlotShadow>("TPlotShadow")
          .Property("Color", TypeInfoColor(), &TPlotShadow::Color, &TPlotShadow::SetColor)
          .Default(clSilver)
          .Property("HorizSize", TypeInfoInteger(), &TPlotShadow::HorizSize,
                    &TPlotShadow::SetHorizSize)
          .Default(0)
          .Property("VertSize", TypeInfoInteger(), &TPlotShadow::VertSize,
                    &TPlotShadow::SetVertSize)
          .Default(0)
          .Register();
  return info;
}

const TClassInfo& CustomGradientInfo() {
  static const TClassInfo& info =
      TClassBuilder<TCustomPlotGradient>("TCustomPlotGradient").Register();
  return info;
}

// Gradient classes differ only in their defaults.
template <class G>
TClassBuilder<G, TCustomPlotGradient> GradientBuilder(const char* name, TGradientDirection dir,
                                                      TColor start, TColor end) {
  using B = TCustomPlotGradient;
  TClassBuilder<G, TCustomPlotGradient> b(name, CustomGradientInfo());
  b.Property("Direction", TypeGradientDirection(), &B::Direction, &B::SetDirection)
      .Default(dir)
      .Property("EndColor", TypeInfoColor(), &B::EndColor, &B::SetEndColor)
      .Default(end)
      .Property("MidColor", TypeInfoColor(), &B::MidColor, &B::SetMidColor)
      .Stored(&B::HasMidColor)
      .Property("StartColor", TypeInfoColor(), &B::StartColor, &B::SetStartColor)
      .Default(start)
      .Property("Visible", TypeInfoBoolean(), &B::Visible, &B::SetVisible)
      .Default(false);
  return b;
}

const TClassInfo& GradientInfo() {
  static const TClassInfo& info =
      GradientBuilder<TPlotGradient>("TPlotGradient", gdTopBottom, clWhite, clYellow).Register();
  return info;
}
const TClassInfo& FontGradientInfo() {
  static const TClassInfo& info =
      GradientBuilder<TPlotFontGradient>("TPlotFontGradient", gdTopBottom, clWhite, clYellow)
          .Property("Outline", TypeInfoBoolean(), &TPlotFontGradient::Outline,
                    &TPlotFontGradient::SetOutline)
          .Default(false)
          .Register();
  return info;
}
const TClassInfo& MarksGradientInfo() {
  static const TClassInfo& info =
      GradientBuilder<TSeriesMarksGradient>("TSeriesMarksGradient", gdRightLeft, clSilver, clWhite)
          .Register();
  return info;
}
const TClassInfo& LegendGradientInfo() {
  static const TClassInfo& info =
      GradientBuilder<TChartLegendGradient>("TChartLegendGradient", gdRightLeft, clSilver, clWhite)
          .Register();
  return info;
}

const TClassInfo& PlotFontInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    FontGradientInfo();
    HiddenPenInfo();
    ShadowInfo();
    using F = TPlotFont;
    return TClassBuilder<F, TFont>("TPlotFont", ClassInfoFont())
        .Property("Charset", TypeInfoFontCharset(), &TFont::Charset, &TFont::SetCharset)
        .Default(DEFAULT_CHARSET)
        .Property("Color", TypeInfoColor(), &TFont::Color, &TFont::SetColor)
        .Stored(&F::IsColorStored)
        .Property("Height", TypeInfoInteger(), &TFont::Height, &TFont::SetHeight)
        .Stored(&F::IsHeightStored)
        .Property("Name", TypeInfoFontName(), &TFont::Name, &TFont::SetName)
        .Stored(&F::IsNameStored)
        .Property("Style", TypeInfoFontStyles(), &TFont::Style, &TFont::SetStyle)
        .Stored(&F::IsStyleStored)
        .Property("Gradient", FontGradientInfo(),
                  [](F& f) -> TPlotFontGradient& { return f.Gradient(); })
        .Stored(&F::HasGradient)
        .Property("InterCharSize", TypeInfoInteger(), &F::InterCharSize, &F::SetInterCharSize)
        .Default(0)
        .Property("OutLine", HiddenPenInfo(), [](F& f) -> TChartPen& { return f.OutLine(); })
        .Stored(&F::HasOutLine)
        .Property("Shadow", ShadowInfo(), [](F& f) -> TPlotShadow& { return f.Shadow(); })
        .Stored(&F::HasShadow)
        .Register();
  }();
  return info;
}

const TClassInfo& View3DOptionsInfo() {
  using V = TView3DOptions;
  static const TClassInfo& info =
      TClassBuilder<V>("TView3DOptions")
          .Property("Elevation", TypeInfoInteger(), &V::Elevation, &V::SetElevation)
          .Default(345)
          .Property("HorizOffset", TypeInfoInteger(), &V::HorizOffset, &V::SetHorizOffset)
          .Default(0)
          .Property("OrthoAngle", TypeInfoInteger(), &V::OrthoAngle, &V::SetOrthoAngle)
          .Default(45)
          .Property("Orthogonal", TypeInfoBoolean(), &V::Orthogonal, &V::SetOrthogonal)
          .Default(true)
          .Property("Perspective", TypeInfoInteger(), &V::Perspective, &V::SetPerspective)
          .Default(15)
          .Property("Rotation", TypeInfoInteger(), &V::Rotation, &V::SetRotation)
          .Default(345)
          .Property("Tilt", TypeInfoInteger(), &V::Tilt, &V::SetTilt)
          .Default(0)
          .Property("VertOffset", TypeInfoInteger(), &V::VertOffset, &V::SetVertOffset)
          .Default(0)
          .Property("Zoom", TypeInfoInteger(), &V::Zoom, &V::SetZoom)
          .Default(100)
          .Property("ZoomText", TypeInfoBoolean(), &V::ZoomText, &V::SetZoomText)
          .Default(true)
          .Register();
  return info;
}

// ---- framed shapes -----------------------------------------------------------------------------

// The defaults a shape class publishes.
struct TShapeDefaults {
  TColor Color = clWhite;
  TColor ShadowColor = clBlack;
  int ShadowSize = 3;
  bool Transparent = false;
  bool Visible = true;
};

template <class C, class P>
void AddShapeProperties(TClassBuilder<C, P>& b, const TShapeDefaults& d,
                        const TClassInfo& gradient) {
  using S = TPlotCustomShape;
  b.Property("Bevel", TypePanelBevel(), &S::Bevel, &S::SetBevel)
      .Default(bvNone)
      .Property("BevelWidth", TypeInfoInteger(), &S::BevelWidth, &S::SetBevelWidth)
      .Default(2)
      .Property("Brush", ChartBrushInfo(), [](C& c) -> TChartBrush& { return c.Brush(); })
      .Property("Color", TypeInfoColor(), &S::Color, &S::SetColor);
  // A wall stores its colour when it differs from the one it was made with.
  if constexpr (std::is_base_of_v<TCustomChartWall, C>)
    b.Stored([](C& c) { return c.IsColorStored(); });
  else
    b.Default(d.Color);
  b.Property("Font", PlotFontInfo(), [](C& c) -> TPlotFont& { return c.Font(); })
      .Property("Frame", ChartPenInfo(), [](C& c) -> TChartPen& { return c.Frame(); })
      .Property("Gradient", gradient, [](C& c) -> TPlotGradient& { return c.Gradient(); })
      .Stored(&S::HasGradient)
      .Property("ShadowColor", TypeInfoColor(), &S::ShadowColor, &S::SetShadowColor)
      .Default(d.ShadowColor)
      .Property("ShadowSize", TypeInfoInteger(), &S::ShadowSize, &S::SetShadowSize)
      .Default(d.ShadowSize)
      .Property("ShapeStyle", TypeShapeStyle(), &S::ShapeStyle, &S::SetShapeStyle)
      .Default(fosRectangle)
      .Property("Transparency", TypeInfoInteger(), &S::Transparency, &S::SetTransparency)
      .Default(0)
      .Property("Transparent", TypeInfoBoolean(), &S::Transparent, &S::SetTransparent)
      .Default(d.Transparent)
      .Property("Visible", TypeInfoBoolean(), &S::Visible, &S::SetVisible)
      .Default(d.Visible);
}

const TClassInfo& AxisTitleInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using T = TChartAxisTitle;
    TClassBuilder<T> b("TChartAxisTitle");
    b.Property("Angle", TypeInfoInteger(), &T::Angle, &T::SetAngle)
        .Stored(&T::IsAngleStored)
        .Property("Caption", TypeInfoString(), &T::Caption, &T::SetCaption);
    AddShapeProperties(b, TShapeDefaults{}, GradientInfo());
    return b.Register();
  }();
  return info;
}

template <class W>
const TClassInfo& WallInfo(const char* name, TShapeDefaults d) {
  static const TClassInfo& info = [&]() -> const TClassInfo& {
    using T = TCustomChartWall;
    TClassBuilder<W> b(name);
    b.Property("Dark3D", TypeInfoBoolean(), &T::Dark3D, &T::SetDark3D)
        .Default(true)
        .Property("Pen", ChartPenInfo(), [](W& w) -> TChartPen& { return w.Pen(); })
        .Property("Size", TypeInfoInteger(), &T::Size, &T::SetSize)
        .Default(0);
    AddShapeProperties(b, d, GradientInfo());
    return b.Register();
  }();
  return info;
}

template <class T>
const TClassInfo& TitleInfo(const char* name) {
  static const TClassInfo& info = [&]() -> const TClassInfo& {
    using P = TPlotCustomShapePosition;
    TClassBuilder<T> b(name);
    b.Property("AdjustFrame", TypeInfoBoolean(), &TChartTitle::AdjustFrame,
               &TChartTitle::SetAdjustFrame)
        .Default(true)
        .Property("Alignment", TypeAlignment(), &TChartTitle::Alignment, &TChartTitle::SetAlignment)
        .Default(taCenter)
        .Property("CustomPosition", TypeInfoBoolean(), &P::CustomPosition, &P::SetCustomPosition)
        .Default(false)
        .Property("Left", TypeInfoInteger(), &P::Left, &P::SetLeft)
        .Stored(&P::CustomPosition)
        .Property("Text", ClassInfoStringList(), [](T& t) -> TStringList& { return t.Text(); })
        .Property("Top", TypeInfoInteger(), &P::Top, &P::SetTop)
        .Stored(&P::CustomPosition);
    TShapeDefaults d;
    d.Transparent = true;
    AddShapeProperties(b, d, GradientInfo());
    return b.Register();
  }();
  return info;
}

const TClassInfo& LegendSymbolInfo() {
  using S = TLegendSymbol;
  static const TClassInfo& info =
      TClassBuilder<S>("TLegendSymbol")
          .Property("Continuous", TypeInfoBoolean(), &S::Continuous, &S::SetContinuous)
          .Default(false)
          .Property("Position", TypeSymbolPosition(), &S::Position, &S::SetPosition)
          .Default(spLeft)
          .Property("Width", TypeInfoInteger(), &S::Width, &S::SetWidth)
          .Default(20)
          .Property("WidthUnits", TypeSymbolSize(), &S::WidthUnits, &S::SetWidthUnits)
          .Default(lcsPercent)
          .Register();
  return info;
}

const TClassInfo& LegendInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using L = TChartLegend;
    using P = TPlotCustomShapePosition;
    TClassBuilder<L> b("TChartLegend");
    b.Property("Alignment", TypeLegendAlignment(), &L::Alignment, &L::SetAlignment)
        .Default(laRight)
        .Property("CheckBoxes", TypeInfoBoolean(), &L::CheckBoxes, &L::SetCheckBoxes)
        .Default(false)
        .Property("CurrentPage", TypeInfoBoolean(), &L::CurrentPage, &L::SetCurrentPage)
        .Default(true)
        .Property("CustomPosition", TypeInfoBoolean(), &P::CustomPosition, &P::SetCustomPosition)
        .Default(false)
        .Property("DividingLines", HiddenPenInfo(),
                  [](L& l) -> TChartPen& { return l.DividingLines(); })
        .Property("FirstValue", TypeInfoInteger(), &L::FirstValue, &L::SetFirstValue)
        .Default(0)
        .Property("FontSeriesColor", TypeInfoBoolean(), &L::FontSeriesColor, &L::SetFontSeriesColor)
        .Default(false)
        .Property("HorizMargin", TypeInfoInteger(), &L::HorizMargin, &L::SetHorizMargin)
        .Default(0)
        .Property("Inverted", TypeInfoBoolean(), &L::Inverted, &L::SetInverted)
        .Default(false)
        .Property("Left", TypeInfoInteger(), &P::Left, &P::SetLeft)
        .Stored(&P::CustomPosition)
        .Property("LegendStyle", TypeLegendStyle(), &L::LegendStyle, &L::SetLegendStyle)
        .Default(lsAuto)
        .Property("MaxNumRows", TypeInfoInteger(), &L::MaxNumRows, &L::SetMaxNumRows)
        .Default(10)
        .Property("ResizeChart", TypeInfoBoolean(), &L::ResizeChart, &L::SetResizeChart)
        .Default(true)
        .Property("Symbol", LegendSymbolInfo(), [](L& l) -> TLegendSymbol& { return l.Symbol(); })
        .Property("TextStyle", TypeLegendTextStyle(), &L::TextStyle, &L::SetTextStyle)
        .Default(ltsLeftValue)
        .Property("Top", TypeInfoInteger(), &P::Top, &P::SetTop)
        .Stored(&P::CustomPosition)
        .Property("TopPos", TypeInfoInteger(), &L::TopPos, &L::SetTopPos)
        .Default(10)
        .Property("VertMargin", TypeInfoInteger(), &L::VertMargin, &L::SetVertMargin)
        .Default(0)
        .Property("VertSpacing", TypeInfoInteger(), &L::VertSpacing, &L::SetVertSpacing)
        .Default(0);
    AddShapeProperties(b, TShapeDefaults{}, LegendGradientInfo());
    return b.Register();
  }();
  return info;
}

// ---- axes -------------------------------------------------------------------------------------

bool IsCustomAxis(TChartAxis& a) {
  return a.ParentChart() && a.ParentChart()->CustomAxes().IndexOf(&a) >= 0;
}

template <class A>
void AddAxisProperties(TClassBuilder<A, void>& b, bool depthAxis) {
  using X = TChartAxis;
  b.Property("Automatic", TypeInfoBoolean(), &X::Automatic, &X::SetAutomatic)
      .Default(true)
      .Property("AutomaticMaximum", TypeInfoBoolean(), &X::AutomaticMaximum,
                &X::SetAutomaticMaximum)
      .Default(true)
      .Property("AutomaticMinimum", TypeInfoBoolean(), &X::AutomaticMinimum,
                &X::SetAutomaticMinimum)
      .Default(true)
      .Property("Axis", AxisPenInfo(), [](A& a) -> TChartPen& { return a.AxisPen; })
      .Property("AxisValuesFormat", TypeInfoString(), &X::AxisValuesFormat, &X::AxisValuesFormat)
      .Default(std::string(SDefaultValueFormat))
      .Property("DateTimeFormat", TypeInfoString(), &X::DateTimeFormat, &X::DateTimeFormat)
      .Property("ExactDateTime", TypeInfoBoolean(), &X::ExactDateTime, &X::ExactDateTime)
      .Default(true)
      .Property("Grid", DottedGrayPenInfo(), [](A& a) -> TChartPen& { return a.Grid; })
      .Property("GridCentered", TypeInfoBoolean(), &X::GridCentered, &X::GridCentered)
      .Default(false)
      .Property("Horizontal", TypeInfoBoolean(), &X::Horizontal, &X::SetHorizontal)
      .Stored(&IsCustomAxis)
      .Property("Increment", TypeInfoDouble(), &X::Increment, &X::SetIncrement)
      .Property("Inverted", TypeInfoBoolean(), &X::Inverted, &X::SetInverted)
      .Default(false)
      .Property("Labels", TypeInfoBoolean(), &X::Labels, &X::Labels)
      .Default(true)
      .Property("LabelsAlign", TypeAxisLabelAlign(), &X::LabelsAlign, &X::SetLabelsAlign)
      .Default(alDefault)
      .Property("LabelsAngle", TypeInfoInteger(), &X::LabelsAngle, &X::SetLabelsAngle)
      .Default(0)
      .Property("LabelsExponent", TypeInfoBoolean(), &X::LabelsExponent, &X::LabelsExponent)
      .Default(false)
      .Property("LabelsFont", PlotFontInfo(), [](A& a) -> TPlotFont& { return a.LabelsFont; })
      .Property("LabelsMultiLine", TypeInfoBoolean(), &X::LabelsMultiLine, &X::LabelsMultiLine)
      .Default(false)
      .Property("LabelsOnAxis", TypeInfoBoolean(), &X::LabelsOnAxis, &X::LabelsOnAxis)
      .Default(true)
      .Property("LabelsSeparation", TypeInfoInteger(), &X::LabelsSeparation,
                &X::SetLabelsSeparation)
      .Default(10)
      .Property("LabelsSize", TypeInfoInteger(), &X::LabelsSize, &X::LabelsSize)
      .Default(0)
      .Property("LabelStyle", TypeAxisLabelStyle(), &X::LabelStyle, &X::SetLabelStyle)
      .Default(talAuto)
      .Property("Logarithmic", TypeInfoBoolean(), &X::Logarithmic, &X::SetLogarithmic)
      .Default(false)
      .Property("LogarithmicBase", TypeInfoInteger(), &X::LogarithmicBase, &X::SetLogarithmicBase)
      .Default(10)
      .Property("Maximum", TypeInfoDouble(), &X::Maximum, &X::SetMaximum)
      .Stored(&X::IsMaximumStored)
      .Property("Minimum", TypeInfoDouble(), &X::Minimum, &X::SetMinimum)
      .Stored(&X::IsMinimumStored)
      .Property("MinorGrid", HiddenPenInfo(), [](A& a) -> TChartPen& { return a.MinorGrid; })
      .Property("MinorTickCount", TypeInfoInteger(), &X::MinorTickCount, &X::MinorTickCount)
      .Default(3)
      .Property("MinorTickLength", TypeInfoInteger(), &X::MinorTickLength, &X::MinorTickLength)
      .Default(2)
      .Property("MinorTicks", DarkGrayPenInfo(), [](A& a) -> TChartPen& { return a.MinorTicks; })
      .Property("OtherSide", TypeInfoBoolean(), &X::OtherSide, &X::SetOtherSide)
      .Stored(&IsCustomAxis)
      .Property("PositionPercent", TypeInfoDouble(), &X::PositionPercent, &X::SetPositionPercent)
      .Property("RoundFirstLabel", TypeInfoBoolean(), &X::RoundFirstLabel, &X::RoundFirstLabel)
      .Default(true)
      .Property("StartPosition", TypeInfoDouble(), &X::StartPosition, &X::SetStartPosition)
      .Property("EndPosition", TypeInfoDouble(), &X::EndPosition, &X::SetEndPosition)
      .Stored([](A& a) { return a.EndPosition() != 100; })
      .Property("TickInnerLength", TypeInfoInteger(), &X::TickInnerLength, &X::TickInnerLength)
      .Default(0)
      .Property("TickLength", TypeInfoInteger(), &X::TickLength, &X::TickLength)
      .Default(4)
      .Property("TickOnLabelsOnly", TypeInfoBoolean(), &X::TickOnLabelsOnly, &X::TickOnLabelsOnly)
      .Default(true)
      .Property("Ticks", DarkGrayPenInfo(), [](A& a) -> TChartPen& { return a.Ticks; })
      .Property("TicksInner", DarkGrayPenInfo(), [](A& a) -> TChartPen& { return a.TicksInner; })
      .Property("Title", AxisTitleInfo(), [](A& a) -> TChartAxisTitle& { return a.Title; })
      .Property("TitleSize", TypeInfoInteger(), &X::TitleSize, &X::TitleSize)
      .Default(0)
      .Property("Visible", TypeInfoBoolean(), &X::Visible, &X::SetVisible)
      .Default(!depthAxis);
}

const TClassInfo& AxisInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    TClassBuilder<TChartAxis> b("TChartAxis");
    AddAxisProperties(b, false);
    return b.Register();
  }();
  return info;
}

const TClassInfo& DepthAxisInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    TClassBuilder<TChartDepthAxis> b("TChartDepthAxis");
    AddAxisProperties(b, true);
    return b.Register();
  }();
  return info;
}

const TClassInfo& CustomAxesInfo() {
  static const TClassInfo& info =
      TClassBuilder<TChartCustomAxes>("TChartCustomAxes")
          .Collection(
              AxisInfo(), [](TChartCustomAxes& c) { return c.Count(); },
              [](TChartCustomAxes& c, int i) -> TChartAxis& { return c.Items(i); },
              [](TChartCustomAxes& c) -> TChartAxis& { return c.Add(); },
              [](TChartCustomAxes& c) { c.Clear(); })
          .Register();
  return info;
}

// ---- series ------------------------------------------------------------------------------------

const TClassInfo& ValueListInfo() {
  using V = TChartValueList;
  static const TClassInfo& info =
      TClassBuilder<V>("TChartValueList")
          .Property("DateTime", TypeInfoBoolean(), &V::DateTime, &V::SetDateTime)
          .Default(false)
          .Property("Name", TypeInfoString(), &V::Name, &V::SetName)
          .Property("Order", TypeListOrder(), &V::Order, &V::SetOrder)
          .NoDefault()
          .Property("ValueSource", TypeInfoString(), &V::ValueSource, &V::SetValueSource)
          .DefineProperties([](V& v, TFiler& f) {
            // Only read: an old stream's multiplier, which must be 1.
            f.DefineProperty(
                "Multiplier", [&v](TReader& r) { v.ReadMultiplier(r.ReadFloat()); },
                [](TWriter&) {}, false);
          })
          .Register();
  return info;
}

const TClassInfo& MarksInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using M = TSeriesMarks;
    TClassBuilder<M> b("TSeriesMarks");
    b.Property("Angle", TypeInfoInteger(), &M::Angle, &M::SetAngle)
        .Default(0)
        .Property("Arrow", ArrowPenInfo(), [](M& m) -> TChartPen& { return m.Arrow(); })
        .Property("ArrowLength", TypeInfoInteger(), &M::ArrowLength, &M::SetArrowLength)
        .Default(8)
        .Property("Clip", TypeInfoBoolean(), &M::Clip, &M::SetClip)
        .Default(false)
        .Property("DrawEvery", TypeInfoInteger(), &M::DrawEvery, &M::SetDrawEvery)
        .Default(1)
        .Property("MultiLine", TypeInfoBoolean(), &M::MultiLine, &M::SetMultiLine)
        .Default(false)
        .Property("Style", TypeMarksStyle(), &M::Style, &M::SetStyle)
        .Default(smsLabel);
    TShapeDefaults d;
    d.Color = clInfoBk;
    d.ShadowColor = clGray;
    d.ShadowSize = 1;
    d.Visible = false;
    AddShapeProperties(b, d, MarksGradientInfo());
    return b.Register();
  }();
  return info;
}

const TClassInfo& PointerInfo() {
  using P = TSeriesPointer;
  static const TClassInfo& info =
      TClassBuilder<P>("TSeriesPointer")
          .Property("Brush", ChartBrushInfo(), [](P& p) -> TChartBrush& { return p.Brush(); })
          .Property("Dark3D", TypeInfoBoolean(), &P::Dark3D, &P::SetDark3D)
          .Default(true)
          .Property("Draw3D", TypeInfoBoolean(), &P::Draw3D, &P::SetDraw3D)
          .Default(true)
          .Property("HorizSize", TypeInfoInteger(), &P::HorizSize, &P::SetHorizSize)
          .Default(4)
          .Property("InflateMargins", TypeInfoBoolean(), &P::InflateMargins, &P::SetInflateMargins)
          .Default(true)
          .Property("Pen", ChartPenInfo(), [](P& p) -> TChartPen& { return p.Pen(); })
          .Property("Style", TypePointerStyle(), &P::Style, &P::SetStyle)
          .Default(psRectangle)
          .Property("VertSize", TypeInfoInteger(), &P::VertSize, &P::SetVertSize)
          .Default(4)
          .Property("Visible", TypeInfoBoolean(), &P::Visible, &P::SetVisible)
          .Register();
  return info;
}

// The index of a series' custom axis in its chart's custom axes, or -1.
int CustomAxisIndex(const TChartSeries& s, const TChartAxis* axis) {
  return axis && s.ParentChart() ? s.ParentChart()->CustomAxes().IndexOf(axis) : -1;
}

// The extra properties of every series.
void DefineSeriesProperties(TChartSeries& s, TFiler& f) {
  f.DefineProperty(
      "DataSources",
      [&s](TReader& r) {
        s.DataSourceNames.clear();
        r.ReadListBegin();
        while (!r.EndOfList()) s.DataSourceNames.push_back(r.ReadString());
        r.ReadListEnd();
      },
      [&s](TWriter& w) {
        w.WriteListBegin();
        for (const TChartSeries* source : s.DataSources()) w.WriteString(source->Name());
        w.WriteListEnd();
      },
      !s.DataSources().empty());
  f.DefineProperty(
      "Identifier", [&s](TReader& r) { s.SetIdentifier(r.ReadString()); },
      [&s](TWriter& w) { w.WriteString(s.Identifier()); }, !s.Identifier().empty());
  f.DefineProperty(
      "Style", [&s](TReader& r) { s.SetStyle(r.ReadInteger()); },
      [&s](TWriter& w) { w.WriteInteger(s.Style()); }, s.Style() != 0);
  auto axisProperty = [&](const char* name, bool horizontal) {
    TChartAxis* axis = horizontal ? s.CustomHorizAxis() : s.CustomVertAxis();
    const int index = CustomAxisIndex(s, axis);
    f.DefineProperty(
        name,
        [&s, horizontal](TReader& r) {
          const int i = r.ReadInteger();
          TCustomAxisPanel* chart = s.ParentChart();
          // An index the chart does not have leaves the series on its
          // standard axis.
          if (!chart || i < 0 || i >= chart->CustomAxes().Count()) return;
          TChartAxis& a = chart->CustomAxes()[i];
          if (horizontal)
            s.SetCustomHorizAxis(&a);
          else
            s.SetCustomVertAxis(&a);
        },
        [index](TWriter& w) { w.WriteInteger(index); }, index >= 0);
  };
  axisProperty("CustomHorizAxis", true);
  axisProperty("CustomVertAxis", false);
  f.DefineBinaryProperty(
      "Data", [&s](TStream& in) { s.ReadData(in); }, [&s](TStream& out) { s.WriteData(out); },
      s.IsDataStored());
}

template <class C>
void AddSeriesProperties(TClassBuilder<C>& b) {
  using S = TChartSeries;
  b.Component()
      .Property("Name", TypeInfoComponentName(), &S::Name, &S::SetName)
      .Stored(false)
      .Property("Active", TypeInfoBoolean(), &S::Active, &S::SetActive)
      .Default(true)
      .Property("ColorEachPoint", TypeInfoBoolean(), &S::ColorEachPoint, &S::SetColorEachPoint)
      .Default(false)
      .Property("ColorSource", TypeInfoString(), &S::ColorSource, &S::SetColorSource)
      .Property("Cursor", TypeInfoCursor(), &S::Cursor, &S::Cursor)
      .Default(crDefault)
      .Property("Depth", TypeInfoInteger(), &S::Depth, &S::SetDepth)
      .Default(-1)
      .Property("HorizAxis", TypeHorizAxis(), &S::HorizAxis, &S::SetHorizAxis)
      .Default(aBottomAxis)
      .Property("Marks", MarksInfo(), [](C& c) -> TSeriesMarks& { return c.Marks(); })
      .Property("PercentFormat", TypeInfoString(), &S::PercentFormat, &S::SetPercentFormat)
      .Default(std::string(SPercentFormat))
      .Property("SeriesColor", TypeInfoColor(), &S::SeriesColor, &S::SetSeriesColor)
      .Default(clDefault)
      .Property("ShowInLegend", TypeInfoBoolean(), &S::ShowInLegend, &S::SetShowInLegend)
      .Default(true)
      .Property("Title", TypeInfoString(), &S::Title, &S::SetTitle)
      .Property("ValueFormat", TypeInfoString(), &S::ValueFormat, &S::SetValueFormat)
      .Default(std::string(SDefaultValueFormat))
      .Property("VertAxis", TypeVertAxis(), &S::VertAxis, &S::SetVertAxis)
      .Default(aLeftAxis)
      .Property("XLabelsSource", TypeInfoString(), &S::XLabelsSource, &S::SetXLabelsSource)
      .Property("XValues", ValueListInfo(), [](C& c) -> TChartValueList& { return c.XValues(); })
      .Property("YValues", ValueListInfo(), [](C& c) -> TChartValueList& { return c.YValues(); })
      .DefineProperties([](C& c, TFiler& f) { DefineSeriesProperties(c, f); });
}

template <class C>
void AddCustomSeriesProperties(TClassBuilder<C>& b, bool line) {
  using S = TCustomSeries;
  b.Property("ClickableLine", TypeInfoBoolean(), &S::ClickableLine, &S::SetClickableLine)
      .Default(line)
      .Property("Pointer", PointerInfo(), [](C& c) -> TSeriesPointer& { return c.Pointer(); });
  if (!line) return;
  b.Property("ColorEachLine", TypeInfoBoolean(), &S::ColorEachLine, &S::SetColorEachLine)
      .Default(true)
      .Property("Dark3D", TypeInfoBoolean(), &S::Dark3D, &S::SetDark3D)
      .Default(true)
      .Property("InvertedStairs", TypeInfoBoolean(), &S::InvertedStairs, &S::SetInvertedStairs)
      .Default(false)
      .Property("LineBrush", TypeInfoBrushStyle(), &S::LineBrush, &S::SetLineBrush)
      .Default(bsSolid)
      .Property("LineHeight", TypeInfoInteger(), &S::LineHeight, &S::SetLineHeight)
      .Default(0)
      .Property("LinePen", ChartPenInfo(), [](C& c) -> TChartPen& { return c.LinePen(); })
      .Property("OutLine", HiddenPenInfo(), [](C& c) -> TChartPen& { return c.OutLine(); })
      .Property("Stacked", TypeSeriesStack(), &S::Stacked, &S::SetStacked)
      .Default(cssNone)
      .Property("Stairs", TypeInfoBoolean(), &S::Stairs, &S::SetStairs)
      .Default(false);
}

const TClassInfo& LineSeriesInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    TClassBuilder<TLineSeries> b("TLineSeries");
    AddSeriesProperties(b);
    AddCustomSeriesProperties(b, true);
    return b.Register();
  }();
  return info;
}

const TClassInfo& PointSeriesInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    TClassBuilder<TPointSeries> b("TPointSeries");
    AddSeriesProperties(b);
    AddCustomSeriesProperties(b, false);
    return b.Register();
  }();
  return info;
}

const TClassInfo& FastLineSeriesInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using F = TFastLineSeries;
    TClassBuilder<F> b("TFastLineSeries");
    AddSeriesProperties(b);
    b.Property("AutoRepaint", TypeInfoBoolean(), &F::AutoRepaint, &F::AutoRepaint)
        .Default(true)
        .Property("DrawAllPoints", TypeInfoBoolean(), &F::DrawAllPoints, &F::SetDrawAllPoints)
        .Default(true)
        .Property("LinePen", ChartPenInfo(), [](F& f) -> TChartPen& { return f.LinePen(); });
    return b.Register();
  }();
  return info;
}

// ---- 3-D grid series ---------------------------------------------------------------------------

const TClassInfo& ContourLevelInfo() {
  using L = TContourLevel;
  static const TClassInfo& info =
      TClassBuilder<L>("TContourLevel")
          .Property("Color", TypeInfoColor(), &L::Color, &L::SetColor)
          .Property("UpToValue", TypeInfoDouble(), &L::UpToValue, &L::SetUpToValue)
          .Register();
  return info;
}

const TClassInfo& ContourLevelsInfo() {
  using L = TContourLevels;
  static const TClassInfo& info =
      TClassBuilder<L>("TContourLevels")
          .Collection(
              ContourLevelInfo(), [](L& l) { return l.Count(); },
              [](L& l, int i) -> TContourLevel& { return l.Items(i); },
              [](L& l) -> TContourLevel& { return l.Add(); }, [](L& l) { l.Clear(); })
          .Register();
  return info;
}

// What every grid series publishes: the series' properties, the colours by
// value, the grid and the Z values.
const TClassInfo& GridSeriesInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using G = TCustom3DGridSeries;
    TClassBuilder<G> b("TCustom3DGridSeries");
    AddSeriesProperties(b);
    b.Property("EndColor", TypeInfoColor(), &G::EndColor, &G::SetEndColor)
        .Default(clWhite)
        .Property("IrregularGrid", TypeInfoBoolean(), &G::IrregularGrid, &G::SetIrregularGrid)
        .Default(false)
        .Property("MidColor", TypeInfoColor(), &G::MidColor, &G::SetMidColor)
        .Default(clNone)
        .Property("NumXValues", TypeInfoInteger(), &G::NumXValues, &G::SetNumXValues)
        .Default(10)
        .Property("NumZValues", TypeInfoInteger(), &G::NumZValues, &G::SetNumZValues)
        .Default(10)
        .Property("PaletteSteps", TypeInfoInteger(), &G::PaletteSteps, &G::SetPaletteSteps)
        .Default(32)
        .Property("PaletteStyle", TypePaletteStyle(), &G::PaletteStyle, &G::SetPaletteStyle)
        .Default(psPale)
        .Property("StartColor", TypeInfoColor(), &G::StartColor, &G::SetStartColor)
        .Default(TColor(0x800000))
        .Property("TimesZOrder", TypeInfoInteger(), &G::TimesZOrder, &G::SetTimesZOrder)
        .Default(3)
        .Property("UseColorRange", TypeInfoBoolean(), &G::UseColorRange, &G::SetUseColorRange)
        .Default(true)
        .Property("UsePalette", TypeInfoBoolean(), &G::UsePalette, &G::SetUsePalette)
        .Default(false)
        .Property("ZValues", ValueListInfo(), [](G& g) -> TChartValueList& { return g.ZValues(); });
    return b.Register();
  }();
  return info;
}

template <class S>
const TClassInfo& SurfaceSeriesInfoOf(const char* name, bool waterFall) {
  static const TClassInfo& info = [&]() -> const TClassInfo& {
    TClassBuilder<S, TCustom3DGridSeries> b(name, GridSeriesInfo());
    b.Property("Brush", ChartBrushInfo(), [](S& s) -> TChartBrush& { return s.Brush(); })
        .Property("DotFrame", TypeInfoBoolean(), &S::DotFrame, &S::SetDotFrame)
        .Default(false)
        .Property("Pen", ChartPenInfo(), [](S& s) -> TChartPen& { return s.Pen(); })
        .Property("SideBrush", ChartBrushInfo(), [](S& s) -> TChartBrush& { return s.SideBrush(); })
        .Property("SmoothPalette", TypeInfoBoolean(), &S::SmoothPalette, &S::SetSmoothPalette)
        .Default(false);
    if (waterFall)
      b.Property("WaterFall", TypeInfoBoolean(), &S::WaterFall, &S::SetWaterFall)
          .Default(true)
          .Property("WaterLines", ChartPenInfo(),
                    [](S& s) -> TChartPen& { return s.WaterLines(); });
    b.Property("WireFrame", TypeInfoBoolean(), &S::WireFrame, &S::SetWireFrame).Default(false);
    return b.Register();
  }();
  return info;
}

const TClassInfo& ContourSeriesInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using C = TContourSeries;
    TClassBuilder<C, TCustom3DGridSeries> b("TContourSeries", GridSeriesInfo());
    b.Property("AutomaticLevels", TypeInfoBoolean(), &C::AutomaticLevels, &C::SetAutomaticLevels)
        .Default(true)
        .Property("ColorEachPoint", TypeInfoBoolean(), &C::ColorEachPoint, &C::SetColorEachPoint)
        .Default(true)
        .Property("Levels", ContourLevelsInfo(), [](C& c) -> TContourLevels& { return c.Levels(); })
        .Stored([](C& c) { return !c.AutomaticLevels(); })
        .Property("NumLevels", TypeInfoInteger(), &C::NumLevels, &C::SetNumLevels)
        .Default(10)
        .Property("Pen", ChartPenInfo(), [](C& c) -> TChartPen& { return c.Pen(); })
        .Property("YPosition", TypeInfoDouble(), &C::YPosition, &C::SetYPosition)
        .Property("YPositionLevel", TypeInfoBoolean(), &C::YPositionLevel, &C::SetYPositionLevel)
        .Default(false);
    return b.Register();
  }();
  return info;
}

const TClassInfo& ColorGridSeriesInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    using C = TColorGridSeries;
    TClassBuilder<C, TCustom3DGridSeries> b("TColorGridSeries", GridSeriesInfo());
    b.Property("Brush", ChartBrushInfo(), [](C& c) -> TChartBrush& {
       return c.Brush();
     }).Property("Pen", ChartPenInfo(), [](C& c) -> TChartPen& { return c.Pen(); });
    return b.Register();
  }();
  return info;
}

// ---- the chart ---------------------------------------------------------------------------------

const TClassInfo& ZoomInfo() {
  using Z = TPlotZoom;
  static const TClassInfo& info =
      TClassBuilder<Z>("TPlotZoom")
          .Property("Allow", TypeInfoBoolean(), &Z::Allow, &Z::Allow)
          .Default(true)
          .Property("Animated", TypeInfoBoolean(), &Z::Animated, &Z::Animated)
          .Default(false)
          .Property("AnimatedSteps", TypeInfoInteger(), &Z::AnimatedSteps, &Z::AnimatedSteps)
          .Default(8)
          .Property("Brush", ZoomBrushInfo(), [](Z& z) -> TPlotZoomBrush& { return z.Brush(); })
          .Stored(&Z::HasBrush)
          .Property("Direction", TypeZoomDirection(), &Z::Direction, &Z::Direction)
          .Default(tzdBoth)
          .Property("KeyShift", TypeShiftState(), &Z::KeyShift, &Z::KeyShift)
          .Default(0)
          .Property("MinimumPixels", TypeInfoInteger(), &Z::MinimumPixels, &Z::MinimumPixels)
          .Default(16)
          .Property("MouseButton", TypeMouseButton(), &Z::MouseButton, &Z::MouseButton)
          .Default(mbLeft)
          .Property("Pen", ZoomPenInfo(), [](Z& z) -> TPlotZoomPen& { return z.Pen(); })
          .Stored(&Z::HasPen)
          .Register();
  return info;
}

// The chart's extra properties: "PrintMargins", and old properties that
// are only read.
void DefineChartProperties(TCustomChart& c, TFiler& f) {
  f.DefineProperty(
      "PrintMargins",
      [&c](TReader& r) {
        r.ReadListBegin();
        int margins[4] = {15, 15, 15, 15};
        for (int i = 0; !r.EndOfList(); ++i) {
          const int v = r.ReadInteger();
          if (i < 4) margins[i] = v;
        }
        r.ReadListEnd();
        std::copy(std::begin(margins), std::end(margins), c.PrintMargins);
      },
      [&c](TWriter& w) {
        w.WriteListBegin();
        for (int m : c.PrintMargins) w.WriteInteger(m);
        w.WriteListEnd();
      },
      c.IsPrintMarginsStored());
  const auto never = [](TWriter&) {};
  f.DefineProperty(
      "AllowZoom", [&c](TReader& r) { c.Zoom().Allow = r.ReadBoolean(); }, never, false);
  f.DefineProperty(
      "AnimatedZoom", [&c](TReader& r) { c.Zoom().Animated = r.ReadBoolean(); }, never, false);
  f.DefineProperty(
      "AnimatedZoomSteps", [&c](TReader& r) { c.Zoom().AnimatedSteps = r.ReadInteger(); }, never,
      false);
  f.DefineProperty(
      "BackColor",
      [&c](TReader& r) {
        // A number of 1, 2 or 4 bytes, or a colour name.
        if (r.NextValue() == vaIdent) {
          std::int64_t color = 0;
          if (IdentToColor(r.ReadIdent(), color)) c.ReadBackColor(TColor(color));
        } else {
          c.ReadBackColor(TColor(r.ReadInteger()));
        }
      },
      never, false);
}

template <class C>
const TClassInfo& ChartInfoOf(const char* name) {
  static const TClassInfo& info = [&]() -> const TClassInfo& {
    using P = TCustomPlotPanel;
    using X = TCustomPlotPanelExtended;
    using A = TCustomAxisPanel;
    using T = TCustomChart;
    TClassBuilder<C> b(name);
    b.Component()
        .Property("Name", TypeInfoComponentName(), &P::Name, &P::SetName)
        .Stored(false)
        .Property("AllowPanning", TypePanningMode(), &T::AllowPanning, &T::AllowPanning)
        .Default(pmBoth)
        .Property("AxisBehind", TypeInfoBoolean(), &A::AxisBehind, &A::SetAxisBehind)
        .Default(true)
        .Property("AxisVisible", TypeInfoBoolean(), &A::AxisVisible, &A::SetAxisVisible)
        .Default(true)
        .Property("BackImageInside", TypeInfoBoolean(), &X::BackImageInside, &X::SetBackImageInside)
        .Default(false)
        .Property("BackImageMode", TypeBackImageMode(), &X::BackImageMode, &X::SetBackImageMode)
        .Default(pbmStretch)
        .Property("BackWall",
                  WallInfo<TChartBackWall>("TChartBackWall", {clSilver, clBlack, 3, true, true}),
                  [](C& c) -> TChartBackWall& { return c.BackWall(); })
        .Property("BevelInner", TypePanelBevel(), &P::BevelInner, &P::SetBevelInner)
        .Default(bvNone)
        .Property("BevelOuter", TypePanelBevel(), &P::BevelOuter, &P::SetBevelOuter)
        .Default(bvRaised)
        .Property("BevelWidth", TypeInfoInteger(), &P::BevelWidth, &P::SetBevelWidth)
        .Default(1)
        .Property("BorderWidth", TypeInfoInteger(), &P::BorderWidth, &P::SetBorderWidth)
        .Default(0)
        .Property("BottomAxis", AxisInfo(), [](C& c) -> TChartAxis& { return c.BottomAxis(); })
        .Property("BottomWall", WallInfo<TChartWall>("TChartWall", {}),
                  [](C& c) -> TChartWall& { return c.BottomWall(); })
        .Property("Chart3DPercent", TypeInfoInteger(), &P::Chart3DPercent, &P::SetChart3DPercent)
        .Default(15)
        .Property("ClipPoints", TypeInfoBoolean(), &A::ClipPoints, &A::SetClipPoints)
        .Default(true)
        .Property("Color", TypeInfoColor(), &P::Color, &P::SetColor)
        .Default(clBtnFace)
        .Property("CustomAxes", CustomAxesInfo(),
                  [](C& c) -> TChartCustomAxes& { return c.CustomAxes(); })
        .Stored([](C& c) { return c.CustomAxes().Count() > 0; })
        .Property("DepthAxis", DepthAxisInfo(),
                  [](C& c) -> TChartDepthAxis& { return c.DepthAxis(); })
        .Property("Foot", TitleInfo<TChartFootTitle>("TChartFootTitle"),
                  [](C& c) -> TChartFootTitle& { return c.Foot(); })
        .Property("Gradient", GradientInfo(), [](C& c) -> TPlotGradient& { return c.Gradient(); })
        .Stored(&X::HasGradient)
        .Property("Height", TypeInfoInteger(), &P::Height,
                  [](C& c, int v) { c.SetBounds(c.Width(), v); })
        .Property("LeftAxis", AxisInfo(), [](C& c) -> TChartAxis& { return c.LeftAxis(); })
        .Property("LeftWall", WallInfo<TChartWall>("TChartWall", {}),
                  [](C& c) -> TChartWall& { return c.LeftWall(); })
        .Property("Legend", LegendInfo(), [](C& c) -> TChartLegend& { return c.Legend(); })
        .Property("MarginBottom", TypeInfoInteger(), &P::MarginBottom, &P::SetMarginBottom)
        .Default(4)
        .Property("MarginLeft", TypeInfoInteger(), &P::MarginLeft, &P::SetMarginLeft)
        .Default(3)
        .Property("MarginRight", TypeInfoInteger(), &P::MarginRight, &P::SetMarginRight)
        .Default(3)
        .Property("MarginTop", TypeInfoInteger(), &P::MarginTop, &P::SetMarginTop)
        .Default(4)
        .Property("MaxPointsPerPage", TypeInfoInteger(), &A::MaxPointsPerPage,
                  &A::SetMaxPointsPerPage)
        .Default(0)
        .Property("Monochrome", TypeInfoBoolean(), &P::Monochrome, &P::SetMonochrome)
        .Default(false)
        .Property("Page", TypeInfoInteger(), &A::Page, &A::SetPage)
        .Default(1)
        .Property("RightAxis", AxisInfo(), [](C& c) -> TChartAxis& { return c.RightAxis(); })
        .Property(
            "RightWall",
            WallInfo<TChartRightWall>("TChartRightWall", {clSilver, clBlack, 3, false, false}),
            [](C& c) -> TChartRightWall& { return c.RightWall(); })
        .Property("ScaleLastPage", TypeInfoBoolean(), &A::ScaleLastPage, &A::SetScaleLastPage)
        .Default(true)
        .Property("ScrollMouseButton", TypeMouseButton(), &T::ScrollMouseButton,
                  &T::ScrollMouseButton)
        .Default(mbRight)
        .Property("SubFoot", TitleInfo<TChartFootTitle>("TChartFootTitle"),
                  [](C& c) -> TChartFootTitle& { return c.SubFoot(); })
        .Property("SubTitle", TitleInfo<TChartTitle>("TChartTitle"),
                  [](C& c) -> TChartTitle& { return c.SubTitle(); })
        .Property("Title", TitleInfo<TChartTitle>("TChartTitle"),
                  [](C& c) -> TChartTitle& { return c.Title(); })
        .Property("TopAxis", AxisInfo(), [](C& c) -> TChartAxis& { return c.TopAxis(); })
        .Property("View3D", TypeInfoBoolean(), &P::View3D, &P::SetView3D)
        .Default(true)
        .Property("View3DOptions", View3DOptionsInfo(),
                  [](C& c) -> TView3DOptions& { return c.View3DOptions(); })
        .Property("View3DWalls", TypeInfoBoolean(), &A::View3DWalls, &A::SetView3DWalls)
        .Default(true)
        .Property("Width", TypeInfoInteger(), &P::Width,
                  [](C& c, int v) { c.SetBounds(v, c.Height()); })
        .Property("Zoom", ZoomInfo(), [](C& c) -> TPlotZoom& { return c.Zoom(); })
        .DefineProperties([](C& c, TFiler& f) { DefineChartProperties(c, f); })
        .Children([](C& c, const TClassInfo::TChildProc& proc) {
          // The series, then the tools (no tool class is described).
          for (TChartSeries* s : c.SeriesList()) proc(MakeObjectRef(s));
        });
    return b.Register();
  }();
  return info;
}

}  // namespace

void RegisterChartClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    LineSeriesInfo();
    PointSeriesInfo();
    FastLineSeriesInfo();
    SurfaceSeriesInfoOf<TSurfaceSeries>("TSurfaceSeries", false);
    SurfaceSeriesInfoOf<TWaterFallSeries>("TWaterFallSeries", true);
    ContourSeriesInfo();
    ColorGridSeriesInfo();
    ChartInfoOf<TCustomChart>("TCustomChart");
    ChartInfoOf<TChart>("TChart");
    ChartInfoOf<TChartChart>("TChartChart");
    ChartInfoOf<TODBCChart>("TODBCChart");
  });
}

}  // namespace qv
