// Clipboard, printer, dialogs and shell services: fakes and the Qt versions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/core/Services.h"
#include "platform/core/ThreadPost.h"
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

// Children of this process that have ended but were never waited for.
int ZombieChildren() {
  int zombies = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid ...": the name may hold blanks and ")".
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    char state = 0;
    long parent = 0;
    if (rest >> state >> parent && state == 'Z' && parent == long(::getpid())) ++zombies;
  }
  return zombies;
}

// The desktop's opener starts the opener program and returns without
// waiting for it. A program that cannot start is told at once; how a
// started one ended is told on the UI thread once it has ended, and only
// when it failed; none is left behind unwaited.
TEST_F(ServicesTest, ShellOpenerNeverWaits) {
  SetUiQueue(nullptr);  // reports wait in the manual queue, drained here
  ManualUiQueue().Drain();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.path().toStdString();
  const std::string target = folder + "/model.mff";
  std::vector<int> reports;
  auto record = [&](int code) { reports.push_back(code); };
  auto awaitReport = [&] {
    if (!ManualUiQueue().WaitPending(20000)) return false;
    ManualUiQueue().Drain();
    return true;
  };
  auto exists = [](const std::string& f) { return std::filesystem::exists(f); };

  // An opener that keeps running until told to end: the call has returned
  // long before, in the folder it was given.
  SetShellOpenProgram(QV_TEST_DATA_DIR "/opener-waits.sh");
  ASSERT_EQ(StartShellOpener(target, folder, record), 0);
  for (int i = 0; i < 2000 && !exists(target + ".cwd"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(exists(target + ".cwd"));
  std::ifstream cwd(target + ".cwd");
  std::string ranIn;
  std::getline(cwd, ranIn);
  EXPECT_EQ(std::filesystem::canonical(ranIn), std::filesystem::canonical(folder));
  EXPECT_TRUE(reports.empty());
  std::ofstream(target + ".done").put('\n');
  ASSERT_TRUE(awaitReport());
  EXPECT_EQ(reports, std::vector<int>{4});

  // A launcher that fails at once: told later all the same.
  reports.clear();
  SetShellOpenProgram("false");
  EXPECT_TRUE(ShellOpen(target, record));
  ASSERT_TRUE(awaitReport());
  EXPECT_EQ(reports, std::vector<int>{1});

  // One that cannot start, or nothing to open: told at once, never later.
  reports.clear();
  SetShellOpenProgram("/nonexistent/launcher");
  EXPECT_EQ(StartShellOpener(target, {}, record), ENOENT);
  EXPECT_FALSE(ShellOpen(target, record));
  SetShellOpenProgram("true");
  EXPECT_EQ(StartShellOpener("", {}, record), EINVAL);
  EXPECT_FALSE(ShellOpen(""));

  // Successes are not reported, and every opener is waited for.
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(ShellOpen(target, record));
  int zombies = ZombieChildren();
  for (int i = 0; i < 2000 && zombies > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    zombies = ZombieChildren();
  }
  EXPECT_EQ(zombies, 0);
  ManualUiQueue().Drain();
  EXPECT_TRUE(reports.empty());
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
