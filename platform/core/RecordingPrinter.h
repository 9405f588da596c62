// A printer service for tests: every page is a recording canvas, and the
// job's calls (title, pages begun, end, abort) are counted.
//
//   TFakeFontService fonts(8, 16);
//   TRecordingPrinter printer(300, 2358, 3407, &fonts);   // dpi, printable size
//   printer.SetMargins(65, 50, 58, 50);                   // unprintable border
//   component.Print(printer);
//   EXPECT_EQ(printer.Pages().size(), 3u);
//   EXPECT_EQ(printer.NewPages(), 2);
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"

namespace qv {

class TRecordingPrinter : public TPrinterService {
 public:
  // Printable area of Width x Height printer pixels at Dpi, no border.
  TRecordingPrinter(int Dpi, int Width, int Height, TFontService* Fonts = nullptr);

  // The unprintable border around the printable area.
  void SetMargins(int Left, int Top, int Right, int Bottom);
  // An unavailable printer answers the sizes and refuses to begin a job.
  void SetAvailable(bool Value) { available_ = Value; }

  // The pages of the last job, in order (each page's own canvas).
  const std::vector<std::unique_ptr<TRecordingCanvas>>& Pages() const { return pages_; }
  TRecordingCanvas& Page(size_t Index) const { return *pages_.at(Index); }
  // The texts written on a page (TextOut and ExtTextOut), in order.
  std::vector<std::string> Texts(size_t Page) const;
  const std::string& Title() const { return title_; }
  int Documents() const { return documents_; }
  int NewPages() const { return newPages_; }
  int Aborts() const { return aborts_; }

  bool Available() const override { return available_; }
  std::string PrinterName() const override { return "recording"; }
  int PageWidth() const override { return width_; }
  int PageHeight() const override { return height_; }
  int PhysicalWidth() const override { return left_ + width_ + right_; }
  int PhysicalHeight() const override { return top_ + height_ + bottom_; }
  int OffsetX() const override { return left_; }
  int OffsetY() const override { return top_; }
  int DpiX() const override { return dpi_; }
  int DpiY() const override { return dpi_; }
  void SetTitle(const std::string& Value) override { title_ = Value; }
  void SetCopies(int) override {}
  void SetLandscape(bool) override {}
  bool BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override { return printing_; }
  bool Aborted() const override { return aborted_; }
  int PageNumber() const override { return printing_ ? int(pages_.size()) : 0; }
  TCanvas& Canvas() override;
  void SetOutputFile(const std::string&) override {}

 private:
  void AddPage();
  TFontService* fonts_;
  int dpi_, width_, height_;
  int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
  bool available_ = true;
  bool printing_ = false;
  bool aborted_ = false;
  std::string title_;
  int documents_ = 0;
  int newPages_ = 0;
  int aborts_ = 0;
  std::vector<std::unique_ptr<TRecordingCanvas>> pages_;
};

}  // namespace qv
