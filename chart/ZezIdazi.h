#pragma once
// Texts of the charting engine: error messages, number formats, default
// font settings and the names of series sub-styles. They form one constant
// table, so every user-visible text of the charts stands in one place; code
// that shows or raises a text names its constant.

#include <string_view>

namespace qv {

inline constexpr std::string_view SLegendFirstValue = "First Legend Value must be > 0";
inline constexpr std::string_view SNoParentChartToValidate =
    "No ParentChart to validate DataSource";
inline constexpr std::string_view SNoValidDataSource = "No valid DataSource: %s";
inline constexpr std::string_view SFillSampleValuesNeedsPositive =
    "FillSampleValues NumValues must be > 0";
inline constexpr std::string_view SDateTimeAxisNotLogarithmic =
    "DateTime Axis cannot be Logarithmic";
inline constexpr std::string_view SLogarithmicAxisNegative =
    "Logarithmic Axis Min and Max values should be >= 0";
inline constexpr std::string_view SLabelsSeparationNegative =
    "Labels Separation % must be greater than 0";
inline constexpr std::string_view SAxisIncrementNegative = "Axis increment must be >= 0";
inline constexpr std::string_view SAxisMinimumAboveMaximum =
    "Axis Minimum Value must be <= Maximum";
inline constexpr std::string_view SAxisMaximumBelowMinimum =
    "Axis Maximum Value must be >= Minimum";
inline constexpr std::string_view SAxisLogBaseTooSmall = "Axis Logarithmic Base should be >= 2";
inline constexpr std::string_view SMaxPointsPerPageNegative = "MaxPointsPerPage must be >= 0";
inline constexpr std::string_view SChart3DPercentRange =
    "3D effect percent must be between %d and %d";
inline constexpr std::string_view SCircularSeries = "Circular Series dependences are not allowed";
inline constexpr std::string_view SValueOfSeries = "%s of %s";
inline constexpr std::string_view SValueOfSeriesMultiLine = "%s\rof %s";
inline constexpr std::string_view SPercentFormat = "##0.## %";
inline constexpr std::string_view SDefaultValueFormat = "#,##0.###";
inline constexpr std::string_view SPointerSizeNotPositive =
    "Pointer size must be greater than zero";
inline constexpr std::string_view SXValuesName = "X";
inline constexpr std::string_view SYValuesName = "Y";
inline constexpr std::string_view SSeriesTitleStem = "Series";
inline constexpr std::string_view SSeriesDeleteOutOfBounds =
    "Series Delete: ValueIndex %d out of bounds (0 to %d).";
inline constexpr std::string_view SGalleryNormal = "Normal";
inline constexpr std::string_view SDefaultFontSize = "8";
inline constexpr std::string_view SDefaultFontName = "Arial";
inline constexpr std::string_view SStyleNoBorder = "No Border";
inline constexpr std::string_view SStyleColors = "Colors";
inline constexpr std::string_view SStyleMarks = "Marks";
inline constexpr std::string_view SStyleStairs = "Stairs";
inline constexpr std::string_view SStylePoints = "Points";
inline constexpr std::string_view SStyleHeight = "Height";
inline constexpr std::string_view SStyleHollow = "Hollow";
inline constexpr std::string_view SStylePoint2D = "Point 2D";
inline constexpr std::string_view SStyleTriangle = "Triangle";
inline constexpr std::string_view SStyleStar = "Star";
inline constexpr std::string_view SStyleCircle = "Circle";
inline constexpr std::string_view SStyleDownTriangle = "Down Tri.";
inline constexpr std::string_view SStyleCross = "Cross";
inline constexpr std::string_view SStyleDiamond = "Diamond";
inline constexpr std::string_view SStyleDotted = "Dotted";
inline constexpr std::string_view SGalleryExtended = "Extended";
inline constexpr std::string_view SSeriesTypeSurface = "Surface";
inline constexpr std::string_view SSeriesTypeContour = "Contour";
inline constexpr std::string_view SSeriesTypeWaterFall = "Water Fall";
inline constexpr std::string_view SSeriesTypeColorGrid = "ColorGrid";
inline constexpr std::string_view SGalleryStats = "Stats";
inline constexpr std::string_view SColorRange = "Color Range";
inline constexpr std::string_view SStyleWireframe = "Wireframe";
inline constexpr std::string_view SStyleDotFrame = "Dot Frame";
inline constexpr std::string_view SStyleSides = "Sides";
inline constexpr std::string_view SStylePositions = "Positions";
inline constexpr std::string_view SStyleNoGrid = "No Grid";
inline constexpr std::string_view SStyleNoLines = "No Lines";

}  // namespace qv
