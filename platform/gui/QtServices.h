// Qt implementations of the platform services of Services.h: QClipboard,
// QPrinter (with PDF output), message boxes and the standard dialogs, and
// the event pump.
#pragma once

#include <QPrinter>
#include <memory>

#include "platform/core/Services.h"

namespace qv {

class TQtCanvas;

class TQtClipboard : public TClipboardService {
 public:
  void SetData(const TClipboardData& data) override;
  TClipboardData GetData() override;
  bool HasText() override;
  bool HasFormat(const std::string& name) override;
};

class TQtPrinter : public TPrinterService {
 public:
  TQtPrinter();
  ~TQtPrinter() override;
  bool Available() const override;
  std::string PrinterName() const override;
  int PageWidth() const override;
  int PageHeight() const override;
  int PhysicalWidth() const override;
  int PhysicalHeight() const override;
  int OffsetX() const override;
  int OffsetY() const override;
  int DpiX() const override;
  int DpiY() const override;
  void SetTitle(const std::string& title) override;
  void SetCopies(int n) override;
  void SetLandscape(bool v) override;
  bool BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override { return printing_; }
  bool Aborted() const override { return aborted_; }
  int PageNumber() const override { return page_; }
  TCanvas& Canvas() override;
  void SetOutputFile(const std::string& path) override;
  QPrinter& QPrinterObject() { return *printer_; }
  // After a print dialog changed the QPrinter: a PDF file chosen there is
  // printed to, a printer chosen there is printed on.
  void TakeDialogChoice();

 private:
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TQtCanvas> canvas_;
  std::string outputFile_;
  bool printing_ = false;
  bool aborted_ = false;
  int page_ = 0;
};

class TQtDialogs : public TDialogService {
 public:
  int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                 TMsgDlgButtons buttons) override;
  TFileDialogResult OpenDialog(const TFileDialogOptions& o) override;
  TFileDialogResult SaveDialog(const TFileDialogOptions& o) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool ColorDialog(TColor& color) override;
  bool FontDialog(TFont& font) override;
  // Qt's print dialog over the installed TQtPrinter's QPrinter; choosing
  // "Print to File" makes the printer write that PDF file. Without a Qt
  // printer there is nothing to choose: true, and the job reports it.
  bool PrintDialog(const std::string& title) override;
  bool SelectFolder(const std::string& caption, std::string& folder) override;
  int ShowForm(TFormSpec& form) override;
};

// The Qt filter string ("Desc (*.a);;All (*.*)") of a "Desc (*.a)|*.a" filter.
QString QtFileFilter(const std::string& filter);

// Installs graphics and every Qt service (clipboard, printer, dialogs, pump).
void InstallQtServices();

}  // namespace qv
