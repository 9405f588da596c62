#include "chart/ZezIdazi.h"

namespace qv {

std::string SLegendFirstValue;
std::string SNoParentChartToValidate;
std::string SNoValidDataSource;
std::string SFillSampleValuesNeedsPositive;
std::string SDateTimeAxisNotLogarithmic;
std::string SLogarithmicAxisNegative;
std::string SLabelsSeparationNegative;
std::string SAxisIncrementNegative;
std::string SAxisMinimumAboveMaximum;
std::string SAxisMaximumBelowMinimum;
std::string SAxisLogBaseTooSmall;
std::string SMaxPointsPerPageNegative;
std::string SChart3DPercentRange;
std::string SCircularSeries;
std::string SValueOfSeries;
std::string SValueOfSeriesMultiLine;
std::string SPercentFormat;
std::string SDefaultValueFormat;
std::string SPointerSizeNotPositive;
std::string SXValuesName;
std::string SYValuesName;
std::string SSeriesTitleStem;
std::string SSeriesDeleteOutOfBounds;
std::string SGalleryNormal;
std::string SDefaultFontSize;
std::string SDefaultFontName;
std::string SStyleNoBorder;
std::string SStyleColors;
std::string SStyleMarks;
std::string SStyleStairs;
std::string SStylePoints;
std::string SStyleHeight;
std::string SStyleHollow;
std::string SStylePoint2D;
std::string SStyleTriangle;
std::string SStyleStar;
std::string SStyleCircle;
std::string SStyleDownTriangle;
std::string SStyleCross;
std::string SStyleDiamond;
std::string SStyleDotted;
std::string SGalleryExtended;
std::string SSeriesTypeSurface;
std::string SSeriesTypeContour;
std::string SSeriesTypeWaterFall;
std::string SSeriesTypeColorGrid;
std::string SGalleryStats;
std::string SColorRange;
std::string SStyleWireframe;
std::string SStyleDotFrame;
std::string SStyleSides;
std::string SStylePositions;
std::string SStyleNoGrid;
std::string SStyleNoLines;
std::vector<std::string> ZezIdaziOtherTexts;

namespace {
int StartCount = 0;

const char* const kOtherTexts[] = {
    "Test...",
    "Legend Color Width must be > 0%",
    "16k Color or greater required to get better look",
    "Axis Title",
    "Axis Labels",
    "Refresh Interval must be between 0 and 60",
    "Series.ParentChart is not myself!",
    "Line",
    "Point",
    "Area",
    "Bar",
    "Horiz. Bar",
    "Stack",
    "Pie",
    "Circled",
    "Fast Line",
    "Horiz Line",
    "Cars",
    "Phones",
    "Tables",
    "Monitors",
    "Lamps",
    "Keyboards",
    "Bikes",
    "Chairs",
    "Courier New",
    "Editing %s",
    "Standard",
    "Functions",
    "E&dit Chart...",
    "&Print Preview...",
    "E&xport Chart...",
    "Custom Axes...",
    "%s: Invalid Editor Class: %s",
    "%s: has no Editor Dialog",
    "Arrow",
    "&Finish",
    "&Next >",
    "Gantt",
    "Design",
    "Prototyping",
    "Development",
    "Sales",
    "Marketing",
    "Testing",
    "Manufac.",
    "Debugging",
    "New Version",
    "Banking",
    "Change Series Title",
    "New Series Title:",
    "DateTime",
    "Top Axis",
    "Bottom Axis",
    "Left Axis",
    "Right Axis",
    "Delete %s ?",
    "DateTime For&mat:",
    "Default: ",
    "Values For&mat:",
    "Maximum",
    "Minimum",
    "Desired %s Increment",
    "Incorrect value. Reason: %s",
    "Enter [Number of Days] [hh:mm:ss]",
    "Apply Changes ?",
    "(Selected Series)",
    "&Refresh Data",
    "414",
    "347",
    "Add",
    "Subtract",
    "Multiply",
    "Divide",
    "High",
    "Low",
    "Average",
    "Shape",
    "Bubble",
    "Copy",
    "Value:",
    "(none)",
    "{ Private declarations }",
    "{ Public declarations }",
    "Additional",
    "Data Controls",
    "QReport",
    "Dataset",
    "&Dataset:",
    "Single Record",
    "&DataSource:",
    "Summary",
    "Function Period should be >= 0",
    "Business",
    "Clea&r",
    "B&rowse...",
    "Field %s does not exist",
    "Depth Axis",
    "Other",
    "abc",
    "123",
    "Pie",
    "Bar",
    "Angle",
    "Start",
    "End",
    "NextTask",
    "Radius",
    "EndX",
    "EndY",
    "Legend",
    "Title",
    "Footer",
    "Period",
    "Period range",
    "Calculate %s every:",
    "Small Dots",
    "Chart Axes",
    "Chart Axes properties and events",
    "Chart Walls",
    "Chart Walls properties and events",
    "Chart Titles",
    "Chart Titles properties and events",
    "Chart 3D",
    "Chart 3D properties and events",
    "Custom ",
    "Series...",
    "Page %d of %d",
    "%d bytes",
    "First",
    "Prior",
    "Next",
    "Last",
    "Insert",
    "Delete",
    "Edit",
    "Post",
    "Cancel",
    "(all)",
    "Index",
    "Text",
    "as &Bitmap",
    "Bitmaps (*.bmp)|*.bmp",
    "as &Metafile",
    "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf",
    "Panel property is not set in Export format",
    "Filled",
    "Stack 100%",
    "Pyramid",
    "Ellipse",
    "Inv. Pyramid",
    "Side All",
    "Patterns",
    "Exploded",
    "Shadow",
    "Semi Pie",
    "Rectangle",
    "Vert.Line",
    "Horiz.Line",
    "Line",
    "Cube",
    "Diag.Cross",
    "Can not find Temp folder",
    "Can not create Temp file",
    "as &JPEG",
    "JPEG files (*.jpg)|*.jpg",
    "as &GIF",
    "GIF files (*.gif)|*.gif",
    "as &PNG",
    "PNG files (*.png)|*.png",
    "as PC&X",
    "PCX files (*.pcx)|*.pcx",
    "as &VML (HTM)",
    "VML files (*.htm)|*.htm",
    "&Language...",
    "Gradient",
    "Do you want to save %s?",
    "Property",
    "Value",
    "Yes",
    "No",
    "(image)",
};

// Assigns the texts at program start so that they are there before any
// chart object exists.
struct AutoStart {
  AutoStart() { ZezIdaziStart(); }
  ~AutoStart() { ZezIdaziEnd(); }
} autoStart;
}  // namespace

void ZezIdaziStart() {
  if (StartCount++ > 0) return;
  SLegendFirstValue = "First Legend Value must be > 0";
  SNoParentChartToValidate = "No ParentChart to validate DataSource";
  SNoValidDataSource = "No valid DataSource: %s";
  SFillSampleValuesNeedsPositive = "FillSampleValues NumValues must be > 0";
  SDateTimeAxisNotLogarithmic = "DateTime Axis cannot be Logarithmic";
  SLogarithmicAxisNegative = "Logarithmic Axis Min and Max values should be >= 0";
  SLabelsSeparationNegative = "Labels Separation % must be greater than 0";
  SAxisIncrementNegative = "Axis increment must be >= 0";
  SAxisMinimumAboveMaximum = "Axis Minimum Value must be <= Maximum";
  SAxisMaximumBelowMinimum = "Axis Maximum Value must be >= Minimum";
  SAxisLogBaseTooSmall = "Axis Logarithmic Base should be >= 2";
  SMaxPointsPerPageNegative = "MaxPointsPerPage must be >= 0";
  SChart3DPercentRange = "3D effect percent must be between %d and %d";
  SCircularSeries = "Circular Series dependences are not allowed";
  SValueOfSeries = "%s of %s";
  SValueOfSeriesMultiLine = "%s\rof %s";
  SPercentFormat = "##0.## %";
  SDefaultValueFormat = "#,##0.###";
  SPointerSizeNotPositive = "Pointer size must be greater than zero";
  SXValuesName = "X";
  SYValuesName = "Y";
  SSeriesTitleStem = "Series";
  SSeriesDeleteOutOfBounds = "Series Delete: ValueIndex %d out of bounds (0 to %d).";
  SGalleryNormal = "Normal";
  SDefaultFontSize = "8";
  SDefaultFontName = "Arial";
  SStyleNoBorder = "No Border";
  SStyleColors = "Colors";
  SStyleMarks = "Marks";
  SStyleStairs = "Stairs";
  SStylePoints = "Points";
  SStyleHeight = "Height";
  SStyleHollow = "Hollow";
  SStylePoint2D = "Point 2D";
  SStyleTriangle = "Triangle";
  SStyleStar = "Star";
  SStyleCircle = "Circle";
  SStyleDownTriangle = "Down Tri.";
  SStyleCross = "Cross";
  SStyleDiamond = "Diamond";
  SStyleDotted = "Dotted";
  SGalleryExtended = "Extended";
  SSeriesTypeSurface = "Surface";
  SSeriesTypeContour = "Contour";
  SSeriesTypeWaterFall = "Water Fall";
  SSeriesTypeColorGrid = "ColorGrid";
  SGalleryStats = "Stats";
  SColorRange = "Color Range";
  SStyleWireframe = "Wireframe";
  SStyleDotFrame = "Dot Frame";
  SStyleSides = "Sides";
  SStylePositions = "Positions";
  SStyleNoGrid = "No Grid";
  SStyleNoLines = "No Lines";
  ZezIdaziOtherTexts.assign(std::begin(kOtherTexts), std::end(kOtherTexts));
}

void ZezIdaziEnd() {
  if (StartCount == 0 || --StartCount > 0) return;
  SLegendFirstValue.clear();
  SNoParentChartToValidate.clear();
  SNoValidDataSource.clear();
  SFillSampleValuesNeedsPositive.clear();
  SDateTimeAxisNotLogarithmic.clear();
  SLogarithmicAxisNegative.clear();
  SLabelsSeparationNegative.clear();
  SAxisIncrementNegative.clear();
  SAxisMinimumAboveMaximum.clear();
  SAxisMaximumBelowMinimum.clear();
  SAxisLogBaseTooSmall.clear();
  SMaxPointsPerPageNegative.clear();
  SChart3DPercentRange.clear();
  SCircularSeries.clear();
  SValueOfSeries.clear();
  SValueOfSeriesMultiLine.clear();
  SPercentFormat.clear();
  SDefaultValueFormat.clear();
  SPointerSizeNotPositive.clear();
  SXValuesName.clear();
  SYValuesName.clear();
  SSeriesTitleStem.clear();
  SSeriesDeleteOutOfBounds.clear();
  SGalleryNormal.clear();
  SDefaultFontSize.clear();
  SDefaultFontName.clear();
  SStyleNoBorder.clear();
  SStyleColors.clear();
  SStyleMarks.clear();
  SStyleStairs.clear();
  SStylePoints.clear();
  SStyleHeight.clear();
  SStyleHollow.clear();
  SStylePoint2D.clear();
  SStyleTriangle.clear();
  SStyleStar.clear();
  SStyleCircle.clear();
  SStyleDownTriangle.clear();
  SStyleCross.clear();
  SStyleDiamond.clear();
  SStyleDotted.clear();
  SGalleryExtended.clear();
  SSeriesTypeSurface.clear();
  SSeriesTypeContour.clear();
  SSeriesTypeWaterFall.clear();
  SSeriesTypeColorGrid.clear();
  SGalleryStats.clear();
  SColorRange.clear();
  SStyleWireframe.clear();
  SStyleDotFrame.clear();
  SStyleSides.clear();
  SStylePositions.clear();
  SStyleNoGrid.clear();
  SStyleNoLines.clear();
  ZezIdaziOtherTexts.clear();
}

}  // namespace qv
