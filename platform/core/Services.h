// Platform services without Qt: clipboard, printer, dialogs, the event pump
// and opening a file with its default application.
//
// Each service is an interface with one process-wide instance. The Qt layer
// installs the real ones (InstallQtServices() in platform/gui); tests install
// fakes (TFakeClipboard, TScriptedDialogs) and never block.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/CustomForm.h"
#include "platform/core/Image.h"
#include "platform/core/SysUtils.h"

namespace qv {

// ---- clipboard -----------------------------------------------------------

// One clipboard content: any of plain text (UTF-8), an image, and data under
// registered format names. Written in one piece, so a reader never sees half
// of a multi-format write.
struct TClipboardData {
  std::optional<std::string> Text;
  std::shared_ptr<const TImage> Image;
  std::map<std::string, std::string> Formats;  // registered name -> bytes
  bool Empty() const { return !Text && !Image && Formats.empty(); }
};

class TClipboardService {
 public:
  virtual ~TClipboardService() = default;
  virtual void SetData(const TClipboardData& data) = 0;  // replaces everything
  virtual TClipboardData GetData() = 0;
  virtual bool HasText() { return GetData().Text.has_value(); }
  virtual bool HasImage() { return GetData().Image != nullptr; }
  virtual bool HasFormat(const std::string& name) { return GetData().Formats.count(name) != 0; }
  virtual void Clear() { SetData({}); }

  std::string AsText() {
    auto d = GetData();
    return d.Text ? *d.Text : std::string();
  }
  void SetText(const std::string& text) {
    TClipboardData d;
    d.Text = text;
    SetData(d);
  }
  std::optional<std::string> GetFormat(const std::string& name);
  void SetImage(const TImage& image);
};

// The MIME type carrying a registered clipboard format name.
std::string ClipboardFormatMime(const std::string& name);

// In memory; for tests and for running without a display.
class TFakeClipboard : public TClipboardService {
 public:
  void SetData(const TClipboardData& data) override {
    data_ = data;
    ++writes_;
  }
  TClipboardData GetData() override { return data_; }
  int Writes() const { return writes_; }

 private:
  TClipboardData data_;
  int writes_ = 0;
};

TClipboardService& Clipboard();
void SetClipboardService(TClipboardService* s);  // null: back to an in-memory one

// ---- printer -------------------------------------------------------------

// No usable printer, or a print job that cannot start.
class EPrinter : public Exception {
 public:
  EPrinter() : Exception("Printer selected is not valid") {}
  using Exception::Exception;
};

class TPrinterService {
 public:
  virtual ~TPrinterService() = default;
  // False when the system has no printer; the sizes below then answer the
  // defaults a caller passes in, and BeginDoc fails.
  virtual bool Available() const = 0;
  virtual std::string PrinterName() const = 0;
  // Page size and printable area in printer pixels; offsets of the
  // printable area from the paper edge.
  virtual int PageWidth() const = 0;  // printable
  virtual int PageHeight() const = 0;
  virtual int PhysicalWidth() const = 0;
  virtual int PhysicalHeight() const = 0;
  virtual int OffsetX() const = 0;
  virtual int OffsetY() const = 0;
  virtual int DpiX() const = 0;
  virtual int DpiY() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetCopies(int n) = 0;
  virtual void SetLandscape(bool v) = 0;
  // Starts a job; false (with nothing started) when it cannot.
  virtual bool BeginDoc() = 0;
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
  virtual void Abort() = 0;
  virtual bool Printing() const = 0;
  virtual bool Aborted() const = 0;
  virtual int PageNumber() const = 0;  // 1-based while printing
  // The canvas of the current page; valid between BeginDoc and EndDoc.
  virtual TCanvas& Canvas() = 0;
  // Print to this PDF file instead of the printer (tests, "print to file").
  virtual void SetOutputFile(const std::string& path) = 0;
};

TPrinterService* Printer();  // null when none is installed
void SetPrinterService(TPrinterService* s);

// ---- dialogs -------------------------------------------------------------

enum TMsgDlgType : std::uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgButtons : std::uint8_t {
  mbOK,
  mbOKCancel,
  mbYesNo,
  mbYesNoCancel,
  mbRetryCancel,
  mbAbortRetryIgnore
};
// Dialog results, the Windows numbers.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5;
constexpr int mrYes = 6, mrNo = 7;

struct TFileDialogOptions {
  std::string Title;
  std::string Filter;   // "Desc (*.a)|*.a|All (*.*)|*.*"
  int FilterIndex = 1;  // 1-based
  std::string InitialDir;
  std::string FileName;
  std::string DefaultExt;  // added to a name without an extension
  bool MultiSelect = false;
  bool OverwritePrompt = true;
  bool FileMustExist = true;
};

struct TFileDialogResult {
  bool Ok = false;
  std::vector<std::string> Files;
  int FilterIndex = 1;
  std::string FileName() const { return Files.empty() ? std::string() : Files.front(); }
};

// Parses "Desc (*.a)|*.a;*.b|..." into (description, patterns) pairs.
std::vector<std::pair<std::string, std::vector<std::string>>> ParseFileFilter(
    const std::string& filter);

class TDialogService {
 public:
  virtual ~TDialogService() = default;
  virtual int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                         TMsgDlgButtons buttons) = 0;
  virtual TFileDialogResult OpenDialog(const TFileDialogOptions& o) = 0;
  virtual TFileDialogResult SaveDialog(const TFileDialogOptions& o) = 0;
  // False when cancelled; value holds the default on entry.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt,
                          std::string& value) = 0;
  virtual bool ColorDialog(TColor& color) = 0;
  virtual bool FontDialog(TFont& font) = 0;
  // The print dialog of the installed printer, asked before a print job:
  // the user picks the printer (or a file to print to) and the copies,
  // which the printer keeps for the job; false when cancelled (and when the
  // service shows no dialogs). Title names the job (a file printed to is
  // named after it).
  virtual bool PrintDialog(const std::string& title) {
    (void)title;
    return false;
  }
  // A folder chooser; folder holds the starting folder on entry and the
  // chosen one on OK; false when cancelled (and when the service shows no
  // dialogs).
  virtual bool SelectFolder(const std::string& caption, std::string& folder) {
    (void)caption;
    (void)folder;
    return false;
  }
  // Shows a form modally and writes the controls' values back into it;
  // answers the modal result of the button that closed it (mrCancel when
  // closed otherwise, and when the service shows no forms).
  virtual int ShowForm(TFormSpec& form) {
    (void)form;
    return mrCancel;
  }
};

// Records every dialog and answers from a script; never blocks. With the
// script empty: message boxes answer the first button's result (mrOk or
// mrYes, mrRetry, mrAbort), file, input, print and folder dialogs cancel.
class TScriptedDialogs : public TDialogService {
 public:
  struct TEntry {
    // "Message", "Open", "Save", "Input", "Color", "Font", "Form", "Print",
    // "Folder"
    std::string Kind;
    std::string Caption;
    std::string Text;  // message text, prompt, or the filter of file dialogs
    TMsgDlgType Type = mtInformation;
    TMsgDlgButtons Buttons = mbOK;
  };
  struct TAnswer {
    int Result = mrOk;  // message boxes; mrOk/mrCancel for the rest
    std::vector<std::string> Files;
    int FilterIndex = 1;
    std::string Value;  // input text, the chosen folder
    TColor Color = clBlack;
    std::function<void(TFont&)> Font;      // changes the font when accepted
    std::function<void(TFormSpec&)> Form;  // fills a form's controls
  };
  void Push(TAnswer a) { script_.push_back(std::move(a)); }
  void PushResult(int r) {
    TAnswer a;
    a.Result = r;
    Push(a);
  }
  void PushFile(const std::string& f) {
    TAnswer a;
    a.Files = {f};
    Push(a);
  }
  void PushInput(const std::string& v) {
    TAnswer a;
    a.Value = v;
    Push(a);
  }
  const std::vector<TEntry>& Log() const { return log_; }
  std::size_t Pending() const { return script_.size(); }
  void ClearLog() { log_.clear(); }

  int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                 TMsgDlgButtons buttons) override;
  TFileDialogResult OpenDialog(const TFileDialogOptions& o) override;
  TFileDialogResult SaveDialog(const TFileDialogOptions& o) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool ColorDialog(TColor& color) override;
  bool FontDialog(TFont& font) override;
  // Logged as "Print" with the title as caption; a scripted mrOk accepts.
  bool PrintDialog(const std::string& title) override;
  // Logged as "Folder" with the caption and the starting folder as text; a
  // scripted mrOk with a Value accepts that folder.
  bool SelectFolder(const std::string& caption, std::string& folder) override;
  // Logged as "Form" with the form's caption and, as Text, its name; the
  // answer's Form changes the controls and its Result is returned (the
  // script empty: mrCancel, nothing changed).
  int ShowForm(TFormSpec& form) override;

 private:
  std::optional<TAnswer> Next();
  // An open or save dialog: logged under the kind, answered by the next
  // scripted files (none or a cancel: not Ok).
  TFileDialogResult FileDialog(const char* kind, const TFileDialogOptions& o);
  std::deque<TAnswer> script_;
  std::vector<TEntry> log_;
};

// Never null: without an installed service a TScriptedDialogs answers.
TDialogService& Dialogs();
void SetDialogService(TDialogService* s);

// ---- event pump and shell ------------------------------------------------

// Processes pending UI events once (no-op without a UI).
void ProcessMessages();
void SetMessagePump(std::function<void()> pump);

// The desktop's opener: opens a file or URL with the user's default
// application through the opener program (xdg-open). The opener starts
// detached, in a session of its own with standard input and output on
// /dev/null, in `folder` when one is given, and the call never waits for
// it: the window stays live however long the opener takes. The result is
// 0 when the opener started, else the errno of the failed start (ENOENT:
// no such program; EINVAL: no target). A thread of its own waits for the
// opener to end, so none is left behind as a zombie; when it ends with a
// failure, onFailure (when given) runs on the UI thread (UiQueue) with its
// exit status, -1 when a signal ended it.
int StartShellOpener(const std::string& target, const std::string& folder = {},
                     std::function<void(int exitCode)> onFailure = nullptr);
// StartShellOpener without a folder; true when the opener started.
bool ShellOpen(const std::string& target, std::function<void(int exitCode)> onFailure = nullptr);
// The launcher program (default "xdg-open"); tests point it elsewhere.
void SetShellOpenProgram(const std::string& program);
const std::string& ShellOpenProgram();

}  // namespace qv
