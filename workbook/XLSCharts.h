// Charts of a workbook sheet: charts of the workbook's own making
// (TXLSChart), written as complete BIFF8 chart substreams from a fixed
// template, and chart substreams kept from a file that was read
// (TXLSInFileChart), written back unchanged. Charts are written for
// Excel 97 only. These are the workbook's own classes; they have nothing to
// do with the program's charting engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbook/XLSFormats.h"
#include "workbook/XLSNames.h"

namespace qv {

class TXLSStream;

enum TChartStyle : uint8_t {
  csColumn,
  csColumn3d,
  csBar,
  csBar3d,
  csLine,
  csLineMark,
  csLine3d,
  csPie,
  csPie3d,
  csArea,
  csArea3d,
  csSurface,
  csSurface3d,
  csRadar,
  csRadarArea
};
enum TLegendPlacement : uint8_t { lpBottom, lpCorner, lpTop, lpRight, lpLeft };

struct TChartLegend {
  bool Include = true;
  TLegendPlacement Placement = lpRight;
};

class TChartSerie {
 public:
  TChartSerie(TFormulaHost* host, int index);
  std::string Name;       // "Serie <index>"
  std::string SerieName;  // written as the series text
  TExcelColor Color = xcAutomatic;
  // Cell-range formulas of the values and the category labels; setting
  // encodes (8224-byte buffer), getting decodes; empty when none.
  std::string Area() const;
  void SetArea(const std::string& text);
  std::string Categories() const;
  void SetCategories(const std::string& text);
  std::string AreaTokens, CategoryTokens;

 private:
  TFormulaHost* host_;
};

class TChartSeries {
 public:
  explicit TChartSeries(TFormulaHost* host) : host_(host) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TChartSerie& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TChartSerie& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TChartSerie& Add() {
    items_.push_back(std::make_unique<TChartSerie>(host_, Count()));
    return *items_.back();
  }
  void Clear() { items_.clear(); }

 private:
  TFormulaHost* host_;
  std::vector<std::unique_ptr<TChartSerie>> items_;
};

class TXLSChart {
 public:
  TXLSChart(TFormulaHost* host, int index);
  std::string Name;  // "Chart <index>"
  std::string Title;
  std::string CategoryTitle;
  TChartStyle Style = csColumn;
  TChartLegend Legend;
  TChartSeries Series;
  TAnchorObject Anchor;  // column 5, row 5 to column 10, row 20

  // Writes the chart's records (between its BOF and EOF) for Excel 97.
  void WriteRecords(TXLSStream& s) const;
};

class TXLSCharts {
 public:
  explicit TXLSCharts(TFormulaHost* host) : host_(host) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TXLSChart& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TXLSChart& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TXLSChart& Add() {
    items_.push_back(std::make_unique<TXLSChart>(host_, Count()));
    return *items_.back();
  }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }

 private:
  TFormulaHost* host_;
  std::vector<std::unique_ptr<TXLSChart>> items_;
};

// A chart substream kept from reading: its records without BOF and EOF.
class TXLSInFileChart : public TRecordStorageAnchor {
 public:
  explicit TXLSInFileChart(std::string name) : Name(std::move(name)) {}
  std::string Name;
  int64_t BoundsheetPos = -1;  // where the writer puts the stream position
};

class TXLSInFileCharts {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TXLSInFileChart& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TXLSInFileChart& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TXLSInFileChart& Add(const std::string& name) {
    items_.push_back(std::make_unique<TXLSInFileChart>(name));
    return *items_.back();
  }
  TXLSInFileChart* Last() { return items_.empty() ? nullptr : items_.back().get(); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TXLSInFileChart>> items_;
};

}  // namespace qv
