#include "controls/UiShellOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "controls/UiShellUtils.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Services.h"

namespace qv {

// ---- keys ------------------------------------------------------------------

TShortCut ShellShortCut(int key, TShiftState shift) {
  TShortCut s = static_cast<TShortCut>(key & 0x1FFF);
  if (shift & ssShift) s |= scShift;
  if (shift & ssCtrl) s |= scCtrl;
  if (shift & ssAlt) s |= scAlt;
  return s;
}

namespace {

bool startsText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

TShortCut ShellKeyText(const char* text) {
  return static_cast<TShortCut>(TextToShortCut(text, TShortCutTexts::Shell));
}

}  // namespace

const TUiShellControlDefKeyRec* ShellKeyTable() {
  static const TUiShellControlDefKeyRec table[skCommandCount] = {
      {"Ctrl+A", ShellKeyText("Ctrl+A")}, {"Del", ShellKeyText("Del")},
      {"Ctrl+C", ShellKeyText("Ctrl+C")}, {"Ctrl+X", ShellKeyText("Ctrl+X")},
      {"Ctrl+V", ShellKeyText("Ctrl+V")}, {"F5", ShellKeyText("F5")},
      {"F2", ShellKeyText("F2")}};
  return table;
}

int FindShellKeyCommand(int key, TShiftState shift) {
  static const int order[] = {0, 5, 2, 3, 4, 6, 1};
  const TShortCut s = ShellShortCut(key, shift);
  for (int row : order)
    if (ShellKeyTable()[row].ShortCut != 0 && ShellKeyTable()[row].ShortCut == s) return row;
  return -1;
}

// ---- data ------------------------------------------------------------------

namespace {

void putU32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t getU32(std::string_view s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentEncode(std::string_view path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

}  // namespace

std::string BuildIdListArray(PCItemIDList folder, const std::vector<TPidl>& items) {
  const TPidl f = folder ? TPidl::Copy(folder) : TPidl::Empty();
  const std::size_t n = items.size();
  const std::size_t header = 4 + 4 * (n + 1);
  std::string block(header, '\0');
  putU32(block, 0, static_cast<std::uint32_t>(n));
  putU32(block, 4, static_cast<std::uint32_t>(block.size()));
  block += f.Bytes();
  for (std::size_t i = 0; i < n; ++i) {
    putU32(block, 4 + 4 * (i + 1), static_cast<std::uint32_t>(block.size()));
    block += items[i] ? items[i].Bytes() : TPidl::Empty().Bytes();
  }
  return block;
}

bool ParseIdListArray(std::string_view block, TPidl& folder, std::vector<TPidl>& items) {
  items.clear();
  folder.Reset();
  if (block.size() < 8) return false;
  const std::uint32_t n = getU32(block, 0);
  if (n > (block.size() - 4) / 4 - 1) return false;
  std::vector<TPidl> lists;
  for (std::uint32_t i = 0; i <= n; ++i) {
    const std::uint32_t off = getU32(block, 4 + 4 * std::size_t(i));
    if (off >= block.size()) return false;
    std::size_t used = 0;
    if (!ValidatePidl(block.data() + off, block.size() - off, &used)) return false;
    lists.push_back(TPidl::FromValidBytes(std::string(block.substr(off, used))));
  }
  folder = std::move(lists.front());
  items.assign(std::make_move_iterator(lists.begin() + 1), std::make_move_iterator(lists.end()));
  return true;
}

std::vector<TPidl> AbsoluteItemsOfIdListArray(std::string_view block) {
  TPidl folder;
  std::vector<TPidl> items, result;
  if (!ParseIdListArray(block, folder, items)) return result;
  for (const TPidl& i : items) result.push_back(JoinPidls(folder.Get(), i.Get()));
  return result;
}

std::string BuildUriList(const std::vector<std::string>& paths) {
  std::string s;
  for (const std::string& p : paths) s += "file://" + percentEncode(p) + "\r\n";
  return s;
}

std::vector<std::string> ParseUriList(std::string_view text) {
  std::vector<std::string> paths;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty() || line[0] == '#' || !startsText(line, "file://")) continue;
    line.remove_prefix(7);
    const std::size_t slash = line.find('/');
    if (slash == std::string_view::npos) continue;
    const std::string_view host = line.substr(0, slash);
    if (!host.empty() && !SameText(host, "localhost")) continue;
    line.remove_prefix(slash);
    std::string path;
    bool ok = true;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] != '%') {
        path.push_back(line[i]);
        continue;
      }
      const int hi = i + 2 < line.size() ? hexValue(line[i + 1]) : -1;
      const int lo = i + 2 < line.size() ? hexValue(line[i + 2]) : -1;
      if (hi < 0 || lo < 0) {
        ok = false;
        break;
      }
      path.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    }
    if (ok && path.find('\0') == std::string::npos) paths.push_back(std::move(path));
  }
  return paths;
}

TShellDataObject::TShellDataObject(PCItemIDList folder, std::vector<TPidl> items) {
  idList_ = BuildIdListArray(folder, items);
  for (const TPidl& i : items) {
    TPidl abs = JoinPidls(folder, i.Get());
    std::string path = PidlToPath(abs.Get());
    if (!path.empty()) paths_.push_back(std::move(path));
    absolute_.push_back(std::move(abs));
  }
  uriList_ = BuildUriList(paths_);
  if (!items.empty()) formats_.push_back(CFSTR_SHELLIDLIST);
  if (!paths_.empty()) formats_.push_back(CFSTR_URILIST);
}

bool TShellDataObject::QueryGetData(std::string_view format) const {
  return std::find(formats_.begin(), formats_.end(), format) != formats_.end();
}

std::string TShellDataObject::GetData(std::string_view format) const {
  if (!QueryGetData(format)) return {};
  return format == CFSTR_SHELLIDLIST ? idList_ : uriList_;
}

// ---- file operations ---------------------------------------------------------

namespace {

std::string joinPath(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string baseName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string normalPath(const std::string& path) {
  std::string p = std::filesystem::path(ExpandFileName(path)).lexically_normal().native();
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string realPathOf(const std::string& path) {
  char* r = ::realpath(path.c_str(), nullptr);
  if (r == nullptr) return normalPath(path);
  std::string s(r);
  std::free(r);
  return s;
}

// Creates the next free name with create(); create answers 0, EEXIST (try
// the next name) or another errno.
template <class F>
int claimFreeName(const std::string& folder, const std::string& name, std::string& claimed,
                  F create) {
  for (int attempt = 0; attempt < 10000; ++attempt) {
    claimed = joinPath(folder, FreeItemName(folder, name));
    const int e = create(claimed);
    if (e != EEXIST) return e;
  }
  return EEXIST;
}

int copyFileData(int in, int out) {
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 20, 0);
    if (n == 0) return 0;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return errno;
    break;  // fall back to read and write
  }
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf + done, static_cast<std::size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
}

// Copies one item (a file, a link or a whole folder) into a folder under
// the next free name; final receives the path made.
int copyTree(const std::string& src, const std::string& folder, const std::string& name,
             std::string& final) {
  struct stat st {};
  if (::lstat(src.c_str(), &st) != 0) return errno;
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(src.c_str(), target.data(), target.size());
    if (n < 0) return errno;
    target.resize(static_cast<std::size_t>(n));
    return claimFreeName(folder, name, final, [&](const std::string& p) {
      return ::symlink(target.c_str(), p.c_str()) == 0 ? 0 : errno;
    });
  }
  if (S_ISDIR(st.st_mode)) {
    const int e = claimFreeName(folder, name, final, [&](const std::string& p) {
      return ::mkdir(p.c_str(), 0700) == 0 ? 0 : errno;
    });
    if (e != 0) return e;
    DIR* d = ::opendir(src.c_str());
    if (d == nullptr) return errno;
    int result = 0;
    while (dirent* ent = ::readdir(d)) {
      const std::string child = ent->d_name;
      if (child == "." || child == "..") continue;
      std::string made;
      result = copyTree(joinPath(src, child), final, child, made);
      if (result != 0) break;
    }
    ::closedir(d);
    ::chmod(final.c_str(), st.st_mode & 07777);
    return result;
  }
  if (!S_ISREG(st.st_mode)) return ENOTSUP;
  const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  std::string temp = joinPath(folder, ".qv-copy-XXXXXX");
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    const int e = errno;
    ::close(in);
    return e;
  }
  int e = copyFileData(in, out);
  if (e == 0 && ::fchmod(out, st.st_mode & 07777) != 0) e = errno;
  if (e == 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  ::close(in);
  if (::close(out) != 0 && e == 0) e = errno;
  if (e == 0) {
    e = claimFreeName(folder, name, final, [&](const std::string& p) {
      return ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, p.c_str(), RENAME_NOREPLACE) == 0
                 ? 0
                 : errno;
    });
  }
  if (e != 0) ::unlink(temp.c_str());
  return e;
}

std::string opMessage(bool move, const std::string& name, const std::string& reason) {
  return Format("Cannot %s \"%s\": %s", move ? "move" : "copy", DisplayNameFromNative(name),
                reason);
}

}  // namespace

std::string FreeItemName(const std::string& folder, const std::string& name) {
  if (!exists(joinPath(folder, name))) return name;
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos) dot = name.size();
  const std::string stem = name.substr(0, dot), ext = name.substr(dot);
  for (int n = 2;; ++n) {
    std::string candidate = stem + " (" + std::to_string(n) + ")" + ext;
    if (!exists(joinPath(folder, candidate))) return candidate;
  }
}

TShellOpResult TransferItems(const std::vector<std::string>& sources, const std::string& folder,
                             bool move) {
  TShellOpResult r;
  const std::string dest = realPathOf(folder);
  for (const std::string& s : sources) {
    const std::string src = normalPath(s);
    const std::string name = baseName(src);
    struct stat st {};
    if (name.empty() || src == "/") {
      r = {false, opMessage(move, src, SysErrorMessage(EINVAL)), r.Created};
      return r;
    }
    if (::lstat(src.c_str(), &st) != 0) {
      r = {false, opMessage(move, name, SysErrorMessage(errno)), r.Created};
      return r;
    }
    if (S_ISDIR(st.st_mode)) {
      const std::string realSrc = realPathOf(src);
      if (dest == realSrc || dest.rfind(realSrc + "/", 0) == 0) {
        r = {false, opMessage(move, name, "The destination folder is inside the source folder."),
             r.Created};
        return r;
      }
    }
    if (move && realPathOf(ExtractFileDir(src)) == dest) continue;  // already there
    std::string final;
    int e = 0;
    if (move) {
      e = claimFreeName(dest, name, final, [&](const std::string& p) {
        return ::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, p.c_str(), RENAME_NOREPLACE) == 0
                   ? 0
                   : errno;
      });
      if (e == EXDEV) {
        e = copyTree(src, dest, name, final);
        if (e == 0) {
          std::error_code ec;
          std::filesystem::remove_all(src, ec);
          if (ec) e = ec.value();
        } else if (!final.empty()) {
          std::error_code ec;
          std::filesystem::remove_all(final, ec);
          final.clear();
        }
      }
    } else {
      e = copyTree(src, dest, name, final);
      if (e != 0 && !final.empty() && final != src) {
        std::error_code ec;
        std::filesystem::remove_all(final, ec);
        final.clear();
      }
    }
    if (e != 0) {
      r = {false, opMessage(move, name, SysErrorMessage(e)), r.Created};
      return r;
    }
    r.Created.push_back(final);
  }
  return r;
}

std::string HomeTrashDir() { return DataHomeDir() + "Trash"; }

namespace {

int makeDirs(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) return ec.value();
  ::chmod(path.c_str(), 0700);
  return 0;
}

// The top directory of the file system holding path.
std::string mountTop(const std::string& path, dev_t dev) {
  std::string top = path;
  for (;;) {
    const std::string parent = ExtractFileDir(top);
    if (parent.empty() || parent == top) return top;
    struct stat st {};
    if (::stat(parent.c_str(), &st) != 0 || st.st_dev != dev) return top;
    top = parent;
  }
}

// The trash for an item and the path written into its info file.
int trashFor(const std::string& path, dev_t dev, std::string& trash, std::string& infoPath) {
  const std::string home = HomeTrashDir();
  if (const int e = makeDirs(home)) return e;
  struct stat hs {};
  if (::stat(home.c_str(), &hs) == 0 && hs.st_dev == dev) {
    trash = home;
    infoPath = path;
    return 0;
  }
  const std::string top = mountTop(ExtractFileDir(path), dev);
  const std::string uid = std::to_string(::getuid());
  const std::string shared = joinPath(top, ".Trash");
  struct stat st {};
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
    const std::string mine = joinPath(shared, uid);
    if (makeDirs(mine) == 0) trash = mine;
  }
  if (trash.empty()) {
    const std::string own = joinPath(top, ".Trash-" + uid);
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (::lstat(own.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
      return EPERM;
    trash = own;
  }
  infoPath = path.substr(top == "/" ? 1 : top.size() + 1);
  return 0;
}

}  // namespace

TShellOpResult MoveToTrash(const std::vector<std::string>& paths) {
  TShellOpResult r;
  for (const std::string& p : paths) {
    const std::string path = normalPath(p);
    const std::string name = baseName(path);
    auto fail = [&](int e) {
      r.Ok = false;
      r.Message = Format("Cannot move \"%s\" to the trash: %s", DisplayNameFromNative(name),
                         SysErrorMessage(e));
      return r;
    };
    struct stat st {};
    if (path == "/" || ::lstat(path.c_str(), &st) != 0) return fail(path == "/" ? EINVAL : errno);
    std::string trash, infoPath;
    if (const int e = trashFor(path, st.st_dev, trash, infoPath)) return fail(e);
    const std::string files = trash + "/files", info = trash + "/info";
    if (const int e = makeDirs(files)) return fail(e);
    if (const int e = makeDirs(info)) return fail(e);

    // Claim a name: the info file is created exclusively first.
    std::string trashName, infoFile;
    int fd = -1;
    for (int n = 1; n < 100000 && fd < 0; ++n) {
      trashName = n == 1 ? name : name + "." + std::to_string(n);
      infoFile = info + "/" + trashName + ".trashinfo";
      if (exists(files + "/" + trashName)) continue;
      fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0 && errno != EEXIST) return fail(errno);
    }
    if (fd < 0) return fail(EEXIST);
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
    const std::string text =
        "[Trash Info]\nPath=" + percentEncode(infoPath) + "\nDeletionDate=" + date + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int writeError = errno;
    ::close(fd);
    if (!written) {
      ::unlink(infoFile.c_str());
      return fail(writeError);
    }
    if (::rename(path.c_str(), (files + "/" + trashName).c_str()) != 0) {
      const int e = errno;
      ::unlink(infoFile.c_str());
      return fail(e);
    }
    r.Created.push_back(files + "/" + trashName);
  }
  return r;
}

// The effect of dropping paths into a folder: nothing for items already
// there (or the folder itself), else a move within one file system and a
// copy across; Ctrl copies, Shift moves.
std::uint32_t ShellDropEffect(const std::vector<std::string>& paths, const std::string& folder,
                              TShiftState shift) {
  if (folder.empty() || paths.empty()) return DROPEFFECT_NONE;
  struct stat target {};
  if (::stat(folder.c_str(), &target) != 0) return DROPEFFECT_NONE;
  bool any = false, sameDevice = true;
  for (const std::string& p : paths) {
    if (p == folder) return DROPEFFECT_NONE;
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) continue;
    if (ExtractFileDir(p) != folder) any = true;
    sameDevice = sameDevice && st.st_dev == target.st_dev;
  }
  if (shift & ssCtrl) return DROPEFFECT_COPY;
  if (!any) return DROPEFFECT_NONE;
  if (shift & ssShift) return DROPEFFECT_MOVE;
  return sameDevice ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

// ---- opening ---------------------------------------------------------------

int ShellExecuteOpen(const std::string& file, const std::string& folder,
                     std::function<void(int code)> onFailure) {
  if (!folder.empty() && !DirectoryExists(folder)) return 3;
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == EACCES) return 5;
    return DirectoryExists(ExtractFileDir(ExpandFileName(file))) ? 2 : 3;
  }
  if (::access(file.c_str(), R_OK) != 0) return 5;
  // The opener's exit status 2 says the file was not found; any other
  // failure is taken as no application for the file.
  std::function<void(int)> report;
  if (onFailure)
    report = [onFailure = std::move(onFailure)](int exitCode) {
      onFailure(exitCode == 2 ? 2 : 31);
    };
  return StartShellOpener(file, folder, std::move(report)) == 0 ? 42 : 31;
}

std::string ShellExecuteErrorMessage(int code) {
  switch (code) {
    case 0:
      return "The operating system is out of memory or resources.";
    case 2:
      return "The specified file was not found.";
    case 3:
      return "The specified path was not found.";
    case 5:
      return "The operating system denied access to the specified file.";
    case 8:
      return "There was not enough memory to complete the operation.";
    case 11:
      return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
    case 26:
      return "A sharing violation occurred.";
    case 27:
      return "The filename association is incomplete or invalid.";
    case 28:
      return "The DDE transaction could not be completed because the request timed out.";
    case 29:
      return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not be completed because other DDE transactions were "
             "being processed.";
    case 31:
      return "There is no application associated with the given filename extension.";
    case 32:
      return "The specified dynamic-link library was not found.";
    default:
      return {};
  }
}

// ---- clipboard -------------------------------------------------------------

void SetShellClipboard(const TShellDataObject& data, bool cut) {
  TClipboardData d;
  d.Formats[CFSTR_SHELLIDLIST] = data.GetData(CFSTR_SHELLIDLIST);
  std::string effect(4, '\0');
  putU32(effect, 0, cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK);
  d.Formats[CFSTR_PREFERREDDROPEFFECT] = effect;
  std::string text;
  for (const std::string& p : data.Paths()) text += p + "\n";
  d.Text = text;
  Clipboard().SetData(d);
}

bool GetShellClipboard(std::vector<std::string>& paths, bool& cut) {
  paths.clear();
  cut = false;
  const TClipboardData d = Clipboard().GetData();
  const auto list = d.Formats.find(CFSTR_SHELLIDLIST);
  if (list == d.Formats.end()) return false;
  for (const TPidl& p : AbsoluteItemsOfIdListArray(list->second)) {
    std::string path = PidlToPath(p.Get());
    if (!path.empty()) paths.push_back(std::move(path));
  }
  const auto effect = d.Formats.find(CFSTR_PREFERREDDROPEFFECT);
  if (effect != d.Formats.end() && effect->second.size() >= 4)
    cut = (getU32(effect->second, 0) & DROPEFFECT_MOVE) != 0;
  return !paths.empty();
}

}  // namespace qv
