#pragma once
// Texts of the charting engine: error messages, number formats, default
// font settings and the names of series sub-styles. Each is a global
// variable so that a translation can replace the whole set; code that shows
// or raises a text reads the variable. The texts are assigned when the module
// starts (ZezIdaziStart, also run at program start) and cleared when it ends.

#include <string>
#include <vector>

namespace qv {

extern std::string SLegendFirstValue;               // "First Legend Value must be > 0"
extern std::string SNoParentChartToValidate;        // "No ParentChart to validate DataSource"
extern std::string SNoValidDataSource;              // "No valid DataSource: %s"
extern std::string SFillSampleValuesNeedsPositive;  // "FillSampleValues NumValues must be > 0"
extern std::string SDateTimeAxisNotLogarithmic;     // "DateTime Axis cannot be Logarithmic"
extern std::string
    SLogarithmicAxisNegative;  // "Logarithmic Axis Min and Max values should be >= 0"
extern std::string SLabelsSeparationNegative;  // "Labels Separation % must be greater than 0"
extern std::string SAxisIncrementNegative;     // "Axis increment must be >= 0"
extern std::string SAxisMinimumAboveMaximum;   // "Axis Minimum Value must be <= Maximum"
extern std::string SAxisMaximumBelowMinimum;   // "Axis Maximum Value must be >= Minimum"
extern std::string SAxisLogBaseTooSmall;       // "Axis Logarithmic Base should be >= 2"
extern std::string SMaxPointsPerPageNegative;  // "MaxPointsPerPage must be >= 0"
extern std::string SChart3DPercentRange;       // "3D effect percent must be between %d and %d"
extern std::string SCircularSeries;            // "Circular Series dependences are not allowed"
extern std::string SValueOfSeries;             // "%s of %s"
extern std::string SValueOfSeriesMultiLine;    // "%s\rof %s"
extern std::string SPercentFormat;             // "##0.## %"
extern std::string SDefaultValueFormat;        // "#,##0.###"
extern std::string SPointerSizeNotPositive;    // "Pointer size must be greater than zero"
extern std::string SXValuesName;               // "X"
extern std::string SYValuesName;               // "Y"
extern std::string SSeriesTitleStem;           // "Series"
extern std::string
    SSeriesDeleteOutOfBounds;             // "Series Delete: ValueIndex %d out of bounds (0 to %d)."
extern std::string SGalleryNormal;        // "Normal"
extern std::string SDefaultFontSize;      // "8"
extern std::string SDefaultFontName;      // "Arial"
extern std::string SStyleNoBorder;        // "No Border"
extern std::string SStyleColors;          // "Colors"
extern std::string SStyleMarks;           // "Marks"
extern std::string SStyleStairs;          // "Stairs"
extern std::string SStylePoints;          // "Points"
extern std::string SStyleHeight;          // "Height"
extern std::string SStyleHollow;          // "Hollow"
extern std::string SStylePoint2D;         // "Point 2D"
extern std::string SStyleTriangle;        // "Triangle"
extern std::string SStyleStar;            // "Star"
extern std::string SStyleCircle;          // "Circle"
extern std::string SStyleDownTriangle;    // "Down Tri."
extern std::string SStyleCross;           // "Cross"
extern std::string SStyleDiamond;         // "Diamond"
extern std::string SStyleDotted;          // "Dotted"
extern std::string SGalleryExtended;      // "Extended"
extern std::string SSeriesTypeSurface;    // "Surface"
extern std::string SSeriesTypeContour;    // "Contour"
extern std::string SSeriesTypeWaterFall;  // "Water Fall"
extern std::string SSeriesTypeColorGrid;  // "ColorGrid"
extern std::string SGalleryStats;         // "Stats"
extern std::string SColorRange;           // "Color Range"
extern std::string SStyleWireframe;       // "Wireframe"
extern std::string SStyleDotFrame;        // "Dot Frame"
extern std::string SStyleSides;           // "Sides"
extern std::string SStylePositions;       // "Positions"
extern std::string SStyleNoGrid;          // "No Grid"
extern std::string SStyleNoLines;         // "No Lines"

// Texts assigned in their fixed order but read by nothing in this program.
extern std::vector<std::string> ZezIdaziOtherTexts;

// Module start and end; nested calls are counted, only the outermost assigns
// and clears.
void ZezIdaziStart();
void ZezIdaziEnd();

}  // namespace qv
