// Clipboard, printer, dialogs and shell services: fakes and the Qt versions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>

#include "platform/core/Services.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"

using namespace qv;

namespace {

class ServicesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
};

void RoundTrip(TClipboardService& cb) {
  TClipboardData d;
  d.Text = "Grüße\tline 2";
  d.Formats["CodeEdit Control Block Type"] = std::string(
      "\x02\x00\x00\x00"
      "ab\0c",
      8);
  auto img = std::make_shared<TImage>(3, 2, clRed);
  d.Image = img;
  cb.SetData(d);
  TClipboardData r = cb.GetData();
  ASSERT_TRUE(r.Text);
  EXPECT_EQ(*r.Text, "Grüße\tline 2");
  ASSERT_EQ(r.Formats.count("CodeEdit Control Block Type"), 1u);
  EXPECT_EQ(r.Formats["CodeEdit Control Block Type"], std::string("\x02\x00\x00\x00"
                                                                  "ab\0c",
                                                                  8));
  ASSERT_TRUE(r.Image);
  EXPECT_EQ(r.Image->Width(), 3);
  EXPECT_EQ(r.Image->Pixel(2, 1), clRed);
  EXPECT_TRUE(cb.HasFormat("CodeEdit Control Block Type"));
  EXPECT_FALSE(cb.HasFormat("Rich Text Format"));
  // A later text-only write replaces every format.
  cb.SetText("plain");
  EXPECT_EQ(cb.AsText(), "plain");
  EXPECT_FALSE(cb.HasFormat("CodeEdit Control Block Type"));
  EXPECT_FALSE(cb.GetFormat("CodeEdit Control Block Type"));
}

}  // namespace

TEST_F(ServicesTest, ClipboardRoundTripThroughFakeAndQt) {
  TFakeClipboard fake;
  RoundTrip(fake);
  TQtClipboard qt;
  RoundTrip(qt);
  // Named formats travel under the agreed MIME type.
  TClipboardData d;
  d.Formats["HTML Format"] = "<b>x</b>";
  qt.SetData(d);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(mime);
  EXPECT_TRUE(mime->hasFormat("application/x-qt-windows-mime;value=\"HTML Format\""));
  EXPECT_EQ(ClipboardFormatMime("X"), "application/x-qt-windows-mime;value=\"X\"");
}

TEST_F(ServicesTest, PrinterWritesPdfWithPages) {
  TQtPrinter printer;
  const std::string pdf = std::string(QV_BINARY_DIR) + "/printed.pdf";
  QFile::remove(QString::fromStdString(pdf));
  printer.SetOutputFile(pdf);
  printer.SetTitle("Quorvane test");
  ASSERT_TRUE(printer.Available());
  EXPECT_EQ(printer.DpiX(), 300);
  EXPECT_GT(printer.PageWidth(), 2000);  // A4 at 300 dpi: 2480 wide with margins removed
  EXPECT_LE(printer.PageWidth(), printer.PhysicalWidth());
  ASSERT_TRUE(printer.BeginDoc());
  EXPECT_FALSE(printer.BeginDoc());  // one job at a time
  for (int page = 1; page <= 3; ++page) {
    if (page > 1) printer.NewPage();
    EXPECT_EQ(printer.PageNumber(), page);
    TCanvas& c = printer.Canvas();
    EXPECT_EQ(c.PixelsPerInchY(), 300);
    c.Font.SetName("Arial");
    c.Font.SetHeight(-60);
    c.TextOut(100, 100, "Page " + std::to_string(page));
    c.Rectangle(100, 300, 1000, 800);
  }
  printer.EndDoc();
  EXPECT_FALSE(printer.Printing());
  QProcess info;
  info.start("pdfinfo", {QString::fromStdString(pdf)});
  ASSERT_TRUE(info.waitForFinished(30000));
  QString out = info.readAllStandardOutput();
  EXPECT_TRUE(out.contains(QRegularExpression("Pages:\\s+3\\b"))) << out.toStdString();
  EXPECT_TRUE(out.contains("Quorvane test")) << out.toStdString();

  // An aborted job leaves no file behind.
  const std::string aborted = std::string(QV_BINARY_DIR) + "/aborted.pdf";
  printer.SetOutputFile(aborted);
  ASSERT_TRUE(printer.BeginDoc());
  printer.Canvas().TextOut(10, 10, "x");
  printer.Abort();
  EXPECT_TRUE(printer.Aborted());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(aborted)));
}

TEST_F(ServicesTest, NoPrinterIsReported) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed";
  TQtPrinter printer;
  EXPECT_FALSE(printer.Available());
  EXPECT_FALSE(printer.BeginDoc());
  EXPECT_FALSE(printer.Printing());
}

TEST_F(ServicesTest, ScriptedDialogsRecordAndNeverBlock) {
  TScriptedDialogs d;
  SetDialogService(&d);
  d.PushResult(mrNo);
  EXPECT_EQ(Dialogs().MessageBox("Save changes?", "Quorvane", mtConfirmation, mbYesNoCancel), mrNo);
  // An empty script answers the first button.
  EXPECT_EQ(Dialogs().MessageBox("Done", "Info", mtInformation, mbOK), mrOk);
  EXPECT_EQ(Dialogs().MessageBox("Go?", "Q", mtConfirmation, mbYesNo), mrYes);
  d.PushFile("/tmp/a.mff");
  TFileDialogOptions o;
  o.Filter = "Model files (*.mff)|*.mff|All files (*.*)|*.*";
  TFileDialogResult r = Dialogs().OpenDialog(o);
  EXPECT_TRUE(r.Ok);
  EXPECT_EQ(r.FileName(), "/tmp/a.mff");
  EXPECT_FALSE(Dialogs().SaveDialog(o).Ok);  // nothing scripted: cancelled
  d.PushInput("42");
  std::string v = "1";
  EXPECT_TRUE(Dialogs().InputQuery("Value", "Enter:", v));
  EXPECT_EQ(v, "42");
  EXPECT_FALSE(Dialogs().InputQuery("Value", "Enter:", v));
  ASSERT_EQ(d.Log().size(), 7u);
  EXPECT_EQ(d.Log()[0].Kind, "Message");
  EXPECT_EQ(d.Log()[0].Text, "Save changes?");
  EXPECT_EQ(d.Log()[0].Caption, "Quorvane");
  EXPECT_EQ(d.Log()[0].Buttons, mbYesNoCancel);
  EXPECT_EQ(d.Log()[3].Kind, "Open");
  EXPECT_EQ(d.Log()[3].Text, o.Filter);
  EXPECT_EQ(d.Log()[5].Text, "Enter:");
  SetDialogService(nullptr);
}

TEST_F(ServicesTest, FileFilters) {
  auto f =
      ParseFileFilter("Model files (*.mff)|*.mff|Sheets (*.ssf;*.ogy)|*.ssf; *.ogy|All (*.*)|*.*");
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].first, "Model files (*.mff)");
  EXPECT_EQ(f[1].second, (std::vector<std::string>{"*.ssf", "*.ogy"}));
  EXPECT_EQ(QtFileFilter("Model files (*.mff)|*.mff|Text|*.txt").toStdString(),
            "Model files (*.mff);;Text (*.txt)");
  EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST_F(ServicesTest, ShellOpenChecksTheExitStatus) {
  SetShellOpenProgram("true");
  EXPECT_TRUE(ShellOpen("/tmp/whatever.html"));
  SetShellOpenProgram("false");
  EXPECT_FALSE(ShellOpen("/tmp/whatever.html"));
  SetShellOpenProgram("/nonexistent/launcher");
  EXPECT_FALSE(ShellOpen("/tmp/whatever.html"));
  EXPECT_FALSE(ShellOpen(""));
  SetShellOpenProgram("xdg-open");
}

TEST_F(ServicesTest, EventPumpRunsQueuedWork) {
  InstallQtServices();
  bool ran = false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
  EXPECT_FALSE(ran);
  ProcessMessages();
  EXPECT_TRUE(ran);
  SetClipboardService(nullptr);
  SetDialogService(nullptr);
  SetPrinterService(nullptr);
}
