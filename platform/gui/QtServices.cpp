#include "platform/gui/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtCustomForm.h"
#include "platform/gui/QtThreadPost.h"

namespace qv {

namespace {

const QString kFormatPrefix = QStringLiteral("application/x-qt-windows-mime;value=\"");

QImage ToQImage(const TImage& img) {
  return QImage(reinterpret_cast<const uchar*>(img.Bits()), img.Width(), img.Height(),
                img.Width() * 4, QImage::Format_RGB32)
      .copy();
}

}  // namespace

// ---- clipboard -----------------------------------------------------------

void TQtClipboard::SetData(const TClipboardData& data) {
  auto* mime = new QMimeData;
  if (data.Text) mime->setText(QString::fromStdString(*data.Text));
  if (data.Image && !data.Image->Empty()) mime->setImageData(ToQImage(*data.Image));
  for (const auto& [name, bytes] : data.Formats)
    mime->setData(QString::fromStdString(ClipboardFormatMime(name)),
                  QByteArray(bytes.data(), qsizetype(bytes.size())));
  QGuiApplication::clipboard()->setMimeData(mime);  // one write: every format at once
}

TClipboardData TQtClipboard::GetData() {
  TClipboardData d;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return d;
  if (mime->hasText()) d.Text = mime->text().toStdString();
  if (mime->hasImage()) {
    QImage q = qvariant_cast<QImage>(mime->imageData()).convertToFormat(QImage::Format_RGB32);
    auto img = std::make_shared<TImage>(q.width(), q.height());
    for (int y = 0; y < q.height(); ++y)
      std::memcpy(img->ScanLine(y), q.constScanLine(y), std::size_t(q.width()) * 4);
    d.Image = img;
  }
  for (const QString& f : mime->formats()) {
    if (!f.startsWith(kFormatPrefix) || !f.endsWith('"')) continue;
    QString name = f.mid(kFormatPrefix.size(), f.size() - kFormatPrefix.size() - 1);
    QByteArray b = mime->data(f);
    d.Formats[name.toStdString()] = std::string(b.constData(), std::size_t(b.size()));
  }
  return d;
}

bool TQtClipboard::HasText() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime && mime->hasText();
}

bool TQtClipboard::HasFormat(const std::string& name) {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime && mime->hasFormat(QString::fromStdString(ClipboardFormatMime(name)));
}

// ---- printer -------------------------------------------------------------

TQtPrinter::TQtPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  printer_->setResolution(300);
  printer_->setPageSize(QPageSize(QPageSize::A4));
}

TQtPrinter::~TQtPrinter() {
  if (printing_) Abort();
}

bool TQtPrinter::Available() const {
  return !outputFile_.empty() || !QPrinterInfo::availablePrinterNames().isEmpty();
}

std::string TQtPrinter::PrinterName() const {
  if (!outputFile_.empty()) return "PDF";
  return printer_->printerName().toStdString();
}

int TQtPrinter::PageWidth() const {
  return printer_->pageLayout().paintRectPixels(printer_->resolution()).width();
}
int TQtPrinter::PageHeight() const {
  return printer_->pageLayout().paintRectPixels(printer_->resolution()).height();
}
int TQtPrinter::PhysicalWidth() const {
  return printer_->pageLayout().fullRectPixels(printer_->resolution()).width();
}
int TQtPrinter::PhysicalHeight() const {
  return printer_->pageLayout().fullRectPixels(printer_->resolution()).height();
}
int TQtPrinter::OffsetX() const {
  return printer_->pageLayout().paintRectPixels(printer_->resolution()).left();
}
int TQtPrinter::OffsetY() const {
  return printer_->pageLayout().paintRectPixels(printer_->resolution()).top();
}
int TQtPrinter::DpiX() const { return printer_->resolution(); }
int TQtPrinter::DpiY() const { return printer_->resolution(); }

void TQtPrinter::SetTitle(const std::string& title) {
  printer_->setDocName(QString::fromStdString(title));
}
void TQtPrinter::SetCopies(int n) { printer_->setCopyCount(std::max(1, n)); }
void TQtPrinter::SetLandscape(bool v) {
  printer_->setPageOrientation(v ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TQtPrinter::SetOutputFile(const std::string& path) {
  outputFile_ = path;
  printer_->setOutputFormat(path.empty() ? QPrinter::NativeFormat : QPrinter::PdfFormat);
  printer_->setOutputFileName(QString::fromStdString(path));
}

void TQtPrinter::TakeDialogChoice() {
  if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty())
    outputFile_ = printer_->outputFileName().toStdString();
  else
    outputFile_.clear();
}

bool TQtPrinter::BeginDoc() {
  if (printing_ || !Available()) return false;
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(printer_.get())) {
    painter_.reset();
    return false;
  }
  // Printer pixels are drawn from the printable area's corner, as on Windows.
  canvas_ = std::make_unique<TQtCanvas>(*painter_, QRect(0, 0, PageWidth(), PageHeight()), nullptr,
                                        DpiX(), DpiY());
  printing_ = true;
  aborted_ = false;
  page_ = 1;
  return true;
}

void TQtPrinter::NewPage() {
  if (!printing_) return;
  printer_->newPage();
  ++page_;
}

void TQtPrinter::EndDoc() {
  if (!printing_) return;
  canvas_.reset();
  painter_->end();
  painter_.reset();
  printing_ = false;
  page_ = 0;
}

void TQtPrinter::Abort() {
  if (!printing_) return;
  canvas_.reset();
  printer_->abort();
  if (painter_->isActive()) painter_->end();
  painter_.reset();
  // A PDF being written is not a print job that can be cancelled: remove it.
  if (!outputFile_.empty()) QFile::remove(QString::fromStdString(outputFile_));
  printing_ = false;
  aborted_ = true;
  page_ = 0;
}

TCanvas& TQtPrinter::Canvas() {
  if (!canvas_) throw std::logic_error("Printer is not printing");
  return *canvas_;
}

// ---- dialogs -------------------------------------------------------------

QString QtFileFilter(const std::string& filter) {
  QStringList parts;
  for (const auto& [desc, patterns] : ParseFileFilter(filter)) {
    QString d = QString::fromStdString(desc);
    QString pats;
    for (const auto& p : patterns) pats += (pats.isEmpty() ? "" : " ") + QString::fromStdString(p);
    // Qt reads the patterns from the parentheses of the description.
    if (!d.contains('('))
      d += " (" + pats + ")";
    else
      d = d.left(d.indexOf('(')).trimmed() + " (" + pats + ")";
    parts << d;
  }
  return parts.join(";;");
}

int TQtDialogs::MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                           TMsgDlgButtons buttons) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  switch (type) {
    case mtWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case mtError:
      box.setIcon(QMessageBox::Critical);
      break;
    case mtInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case mtConfirmation:
      box.setIcon(QMessageBox::Question);
      break;
    default:
      break;
  }
  QMessageBox::StandardButtons b;
  switch (buttons) {
    case mbOK:
      b = QMessageBox::Ok;
      break;
    case mbOKCancel:
      b = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case mbYesNo:
      b = QMessageBox::Yes | QMessageBox::No;
      break;
    case mbYesNoCancel:
      b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
    case mbRetryCancel:
      b = QMessageBox::Retry | QMessageBox::Cancel;
      break;
    case mbAbortRetryIgnore:
      b = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
      break;
  }
  box.setStandardButtons(b);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return mrOk;
    case QMessageBox::Yes:
      return mrYes;
    case QMessageBox::No:
      return mrNo;
    case QMessageBox::Retry:
      return mrRetry;
    case QMessageBox::Abort:
      return mrAbort;
    case QMessageBox::Ignore:
      return mrIgnore;
    default:
      return mrCancel;
  }
}

namespace {

TFileDialogResult RunFileDialog(const TFileDialogOptions& o, bool save) {
  QFileDialog dlg(nullptr, QString::fromStdString(o.Title), QString::fromStdString(o.InitialDir));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save              ? QFileDialog::AnyFile
                  : o.MultiSelect   ? QFileDialog::ExistingFiles
                  : o.FileMustExist ? QFileDialog::ExistingFile
                                    : QFileDialog::AnyFile);
  if (!save || !o.OverwritePrompt)
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !o.OverwritePrompt);
  QStringList filters = QtFileFilter(o.Filter).split(";;", Qt::SkipEmptyParts);
  dlg.setNameFilters(filters);
  if (o.FilterIndex >= 1 && o.FilterIndex <= filters.size())
    dlg.selectNameFilter(filters[o.FilterIndex - 1]);
  if (!o.DefaultExt.empty()) dlg.setDefaultSuffix(QString::fromStdString(o.DefaultExt));
  if (!o.FileName.empty()) dlg.selectFile(QString::fromStdString(o.FileName));
  TFileDialogResult r;
  if (dlg.exec() != QDialog::Accepted) return r;
  for (const QString& f : dlg.selectedFiles()) r.Files.push_back(f.toStdString());
  r.FilterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
  r.Ok = !r.Files.empty();
  return r;
}

}  // namespace

TFileDialogResult TQtDialogs::OpenDialog(const TFileDialogOptions& o) {
  return RunFileDialog(o, false);
}
TFileDialogResult TQtDialogs::SaveDialog(const TFileDialogOptions& o) {
  return RunFileDialog(o, true);
}

bool TQtDialogs::InputQuery(const std::string& caption, const std::string& prompt,
                            std::string& value) {
  bool ok = false;
  QString v = QInputDialog::getText(nullptr, QString::fromStdString(caption),
                                    QString::fromStdString(prompt), QLineEdit::Normal,
                                    QString::fromStdString(value), &ok);
  if (ok) value = v.toStdString();
  return ok;
}

bool TQtDialogs::PrintDialog(const std::string& title) {
  auto* qt = dynamic_cast<TQtPrinter*>(Printer());
  if (!qt) return true;
  QPrinter& p = qt->QPrinterObject();
  p.setDocName(QString::fromStdString(title));
  p.setCopyCount(1);
  QPrintDialog dialog(&p, QApplication::activeWindow());
  dialog.setWindowTitle("Print");
  if (dialog.exec() != QDialog::Accepted) return false;
  qt->TakeDialogChoice();
  return true;
}

bool TQtDialogs::SelectFolder(const std::string& caption, std::string& folder) {
  const QString chosen = QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), QString::fromStdString(caption), QString::fromStdString(folder),
      QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  folder = chosen.toStdString();
  return true;
}

bool TQtDialogs::ColorDialog(TColor& color) {
  QColor c = QColorDialog::getColor(ToQColor(color));
  if (!c.isValid()) return false;
  color = RGB(c.red(), c.green(), c.blue());
  return true;
}

bool TQtDialogs::FontDialog(TFont& font) {
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, ToQFont(font));
  if (!ok) return false;
  font.SetName(f.family().toStdString());
  if (f.pixelSize() > 0)
    font.SetHeight(-f.pixelSize());
  else
    font.SetSize(int(std::lround(f.pointSizeF())));
  TFontStyles s;
  if (f.bold()) s.Include(fsBold);
  if (f.italic()) s.Include(fsItalic);
  if (f.underline()) s.Include(fsUnderline);
  if (f.strikeOut()) s.Include(fsStrikeOut);
  font.SetStyle(s);
  return true;
}

int TQtDialogs::ShowForm(TFormSpec& form) { return ShowQtForm(form); }

void InstallQtServices() {
  InstallQtGraphics();
  static TQtClipboard clipboard;
  static TQtPrinter* printer = new TQtPrinter;  // lives to program end
  static TQtDialogs dialogs;
  SetClipboardService(&clipboard);
  SetPrinterService(printer);
  SetDialogService(&dialogs);
  SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  InstallQtUiQueue();
}

}  // namespace qv
