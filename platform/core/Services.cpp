#include "platform/core/Services.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/core/ThreadPost.h"

extern char** environ;

namespace qv {

// ---- clipboard -----------------------------------------------------------

namespace {
// The services of the desktop the program runs on are one per process, as
// the desktop has one clipboard, printer, set of dialogs, event loop and
// shell: the Qt layer installs its own at start and tests install fakes;
// without one the fallbacks below answer.
TClipboardService* g_clipboard = nullptr;
TPrinterService* g_printer = nullptr;
TDialogService* g_dialogs = nullptr;
std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}
std::string& ShellProgram() {
  static std::string program = "xdg-open";
  return program;
}
}  // namespace

std::optional<std::string> TClipboardService::GetFormat(const std::string& name) {
  TClipboardData d = GetData();
  auto it = d.Formats.find(name);
  if (it == d.Formats.end()) return std::nullopt;
  return it->second;
}

void TClipboardService::SetImage(const TImage& image) {
  TClipboardData d;
  d.Image = std::make_shared<TImage>(image);
  SetData(d);
}

std::string ClipboardFormatMime(const std::string& name) {
  return "application/x-qt-windows-mime;value=\"" + name + "\"";
}

TClipboardService& Clipboard() {
  if (g_clipboard) return *g_clipboard;
  static TFakeClipboard fallback;
  return fallback;
}

void SetClipboardService(TClipboardService* s) { g_clipboard = s; }

TPrinterService* Printer() { return g_printer; }
void SetPrinterService(TPrinterService* s) { g_printer = s; }

// ---- dialogs -------------------------------------------------------------

std::vector<std::pair<std::string, std::vector<std::string>>> ParseFileFilter(
    const std::string& filter) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start <= filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    fields.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> out;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    std::vector<std::string> patterns;
    std::size_t s = 0;
    const std::string& f = fields[i + 1];
    while (s <= f.size()) {
      std::size_t semi = f.find(';', s);
      if (semi == std::string::npos) semi = f.size();
      std::string p = f.substr(s, semi - s);
      while (!p.empty() && p.front() == ' ') p.erase(p.begin());
      while (!p.empty() && p.back() == ' ') p.pop_back();
      if (!p.empty()) patterns.push_back(p);
      s = semi + 1;
    }
    out.emplace_back(fields[i], patterns);
  }
  return out;
}

std::optional<TScriptedDialogs::TAnswer> TScriptedDialogs::Next() {
  if (script_.empty()) return std::nullopt;
  TAnswer a = std::move(script_.front());
  script_.pop_front();
  return a;
}

int TScriptedDialogs::MessageBox(const std::string& text, const std::string& caption,
                                 TMsgDlgType type, TMsgDlgButtons buttons) {
  log_.push_back({"Message", caption, text, type, buttons});
  if (auto a = Next()) return a->Result;
  switch (buttons) {
    case mbYesNo:
    case mbYesNoCancel:
      return mrYes;
    case mbRetryCancel:
      return mrRetry;
    case mbAbortRetryIgnore:
      return mrAbort;
    default:
      return mrOk;
  }
}

TFileDialogResult TScriptedDialogs::FileDialog(const char* kind, const TFileDialogOptions& o) {
  log_.push_back({kind, o.Title, o.Filter});
  TFileDialogResult r;
  if (auto a = Next()) {
    r.Ok = a->Result == mrOk && !a->Files.empty();
    r.Files = a->Files;
    r.FilterIndex = a->FilterIndex;
  }
  return r;
}

TFileDialogResult TScriptedDialogs::OpenDialog(const TFileDialogOptions& o) {
  return FileDialog("Open", o);
}

TFileDialogResult TScriptedDialogs::SaveDialog(const TFileDialogOptions& o) {
  return FileDialog("Save", o);
}

bool TScriptedDialogs::InputQuery(const std::string& caption, const std::string& prompt,
                                  std::string& value) {
  log_.push_back({"Input", caption, prompt});
  auto a = Next();
  if (!a || a->Result != mrOk) return false;
  value = a->Value;
  return true;
}

bool TScriptedDialogs::ColorDialog(TColor& color) {
  log_.push_back({"Color", "", ""});
  auto a = Next();
  if (!a || a->Result != mrOk) return false;
  color = a->Color;
  return true;
}

bool TScriptedDialogs::FontDialog(TFont& font) {
  log_.push_back({"Font", "", font.Name()});
  auto a = Next();
  if (!a || a->Result != mrOk) return false;
  if (a->Font) a->Font(font);
  return true;
}

bool TScriptedDialogs::PrintDialog(const std::string& title) {
  log_.push_back({"Print", title, ""});
  auto a = Next();
  return a && a->Result == mrOk;
}

bool TScriptedDialogs::SelectFolder(const std::string& caption, std::string& folder) {
  log_.push_back({"Folder", caption, folder});
  auto a = Next();
  if (!a || a->Result != mrOk || a->Value.empty()) return false;
  folder = a->Value;
  return true;
}

int TScriptedDialogs::ShowForm(TFormSpec& form) {
  log_.push_back({"Form", form.Caption, form.Name});
  auto a = Next();
  if (!a) return mrCancel;
  if (a->Form) a->Form(form);
  return a->Result;
}

TDialogService& Dialogs() {
  if (g_dialogs) return *g_dialogs;
  static TScriptedDialogs fallback;
  return fallback;
}

void SetDialogService(TDialogService* s) { g_dialogs = s; }

// ---- pump and shell ------------------------------------------------------

void ProcessMessages() {
  if (Pump()) Pump()();
}

void SetMessagePump(std::function<void()> pump) { Pump() = std::move(pump); }

void SetShellOpenProgram(const std::string& program) { ShellProgram() = program; }
const std::string& ShellOpenProgram() { return ShellProgram(); }

namespace {

// Waits for one opener on a thread of its own and reports how it ended.
// Only this pid is waited for, so the program's other children stay with
// whoever started them.
void ReapOpener(pid_t pid, std::function<void(int exitCode)> onFailure) {
  std::thread([pid, report = std::move(onFailure)]() mutable {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
      if (errno != EINTR) return;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0 && report) UiQueue().Queue([report = std::move(report), code] { report(code); });
  }).detach();
}

}  // namespace

int StartShellOpener(const std::string& target, const std::string& folder,
                     std::function<void(int exitCode)> onFailure) {
  if (target.empty()) return EINVAL;
  const std::string program = ShellProgram();
  std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()),
                          nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  // A session of its own: the application it starts outlives the program
  // and its process group.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int error = ::posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (error != 0) return error;
  ReapOpener(pid, std::move(onFailure));
  return 0;
}

bool ShellOpen(const std::string& target, std::function<void(int exitCode)> onFailure) {
  return StartShellOpener(target, {}, std::move(onFailure)) == 0;
}

}  // namespace qv
