#include "controls/UiShellUtils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/core/Codepage.h"

namespace qv {

void RaiseShellError(int error) { throw EUiShellError(SysErrorMessage(error)); }

// ---- arithmetic ------------------------------------------------------------

TPidl CopyPidl(PCItemIDList p) { return TPidl::Copy(p); }

TPidl JoinPidls(PCItemIDList a, PCItemIDList b) {
  const std::size_t sa = a ? PidlSize(a) - 2 : 0;
  const std::size_t sb = b ? PidlSize(b) - 2 : 0;
  std::string bytes;
  bytes.reserve(sa + sb + 2);
  if (sa) bytes.append(reinterpret_cast<const char*>(a), sa);
  if (sb) bytes.append(reinterpret_cast<const char*>(b), sb);
  bytes.append(2, '\0');
  return TPidl::FromValidBytes(std::move(bytes));
}

int ComparePidls(PCItemIDList a, PCItemIDList b) {
  if (a == nullptr || b == nullptr) return (a == nullptr && b == nullptr) ? 0 : -1;
  const bool ea = PidlIdSize(a) == 0, eb = PidlIdSize(b) == 0;
  if (ea || eb) return (ea && eb) ? 0 : -1;
  return DesktopFolder()->CompareIDs(0, a, b);
}

TPidl TUiIdListArray::Item(int i) const {
  if (pidl_ == nullptr) return {};
  if (i == 0 && count_ == 0) return TPidl::Empty();
  if (i < 0 || i >= count_) return {};
  PCItemIDList p = pidl_;
  for (int k = 0; k < i; ++k) p = PidlNext(p);
  return PidlPrefix(p, 1);
}

TPidl TUiIdListArray::Parent(int n) const {
  if (n < 0 || n > count_) return {};
  return PidlPrefix(pidl_, count_ - n);
}

// ---- namespace access ------------------------------------------------------

int BindToFolder(PCItemIDList pidl, TShellFolderPtr& folder) {
  if (pidl == nullptr || PidlIdSize(pidl) == 0) {
    folder = DesktopFolder();
    return 0;
  }
  return DesktopFolder()->BindToObject(pidl, folder);
}

namespace {

// Whether path is root or lies below it ("/a" holds "/a/b", not "/ab").
bool pathUnder(const std::string& path, const std::string& root) {
  if (root == "/") return true;
  return path.size() >= root.size() && path.compare(0, root.size(), root) == 0 &&
         (path.size() == root.size() || path[root.size()] == '/');
}

}  // namespace

int PathToPidl(const std::string& path, TPidl& pidl) {
  pidl.Reset();
  if (path.empty() || path.find('\0') != std::string::npos) return EINVAL;
  std::filesystem::path p(path);
  if (!p.is_absolute()) p = std::filesystem::path(GetCurrentDir()) / p;
  std::string norm = p.lexically_normal().native();
  while (norm.size() > 1 && norm.back() == '/') norm.pop_back();

  // The root item: the longest of the home folder and the mounts that
  // holds the path, else the file system.
  std::uint8_t sub = kRootFileSystem;
  std::string root = "/";
  const std::string home = HomePath();
  if (home.size() > 1 && pathUnder(norm, home)) {
    sub = kRootHome;
    root = home;
  }
  for (const TMountEntry& m : DesktopFolder()->Mounts()) {
    if (m.MountPoint.size() > root.size() && pathUnder(norm, m.MountPoint)) {
      sub = kRootMount;
      root = m.MountPoint;
    }
  }
  struct stat st {};
  if (::stat(root.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;

  std::string bytes = MakeRootId(sub, root).Bytes();
  bytes.resize(bytes.size() - 2);
  std::string prefix = root;
  std::size_t pos = root.size() == 1 ? 1 : root.size() + 1;
  while (pos < norm.size()) {
    std::size_t end = norm.find('/', pos);
    if (end == std::string::npos) end = norm.size();
    const std::string name = norm.substr(pos, end - pos);
    pos = end + 1;
    if (!ValidItemName(name)) return EINVAL;
    if (prefix.back() != '/') prefix.push_back('/');
    prefix += name;
    if (::lstat(prefix.c_str(), &st) != 0) return errno;
    const bool link = S_ISLNK(st.st_mode);
    bool folder = S_ISDIR(st.st_mode);
    if (link) {
      struct stat target {};
      folder = ::stat(prefix.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    if (end < norm.size() && !folder) return ENOTDIR;
    const TPidl id = MakeFileId(name, folder, link);
    bytes.append(id.Bytes(), 0, id.Size() - 2);
  }
  bytes.append(2, '\0');
  pidl = TPidl::FromValidBytes(std::move(bytes));
  return 0;
}

std::string PidlToPath(PCItemIDList pidl) {
  std::uint8_t sub = 0;
  std::string_view root;
  if (pidl == nullptr || !SplitRootId(pidl, sub, root)) return {};
  std::string path(root);
  for (PCItemIDList q = PidlNext(pidl); PidlIdSize(q) != 0; q = PidlNext(q)) {
    std::uint8_t kind = 0;
    std::string_view name;
    if (!SplitFileId(q, kind, name)) return {};
    if (path.back() != '/') path.push_back('/');
    path.append(name);
  }
  return path;
}

unsigned DisplayNameFlags(TUiDisplayNameKind kind) {
  switch (kind) {
    case dnInFolder:
      return SHGDN_INFOLDER;
    case dnForParsing:
      return SHGDN_FORPARSING;
    case dnForEditing:
      return SHGDN_INFOLDER | SHGDN_FOREDITING;
    default:
      return SHGDN_NORMAL;
  }
}

std::string GetDisplayName(TShellFolder* folder, PCItemIDList rel, TUiDisplayNameKind kind) {
  if (folder == nullptr) folder = DesktopFolder().get();
  return folder->GetDisplayNameOf(rel, DisplayNameFlags(kind));
}

std::string GetAbsoluteDisplayName(PCItemIDList pidl, TUiDisplayNameKind kind) {
  const int count = PidlCount(pidl);
  if (count > 1) {
    TShellFolderPtr parent;
    if (BindToFolder(PidlPrefix(pidl, count - 1).Get(), parent) != 0) return {};
    return GetDisplayName(parent.get(), PidlLast(pidl), kind);
  }
  return GetDisplayName(nullptr, pidl, kind);
}

std::string SpecialFolderPath(int csidl) { return PidlToPath(SpecialFolderLocation(csidl).Get()); }

TPidl SpecialFolderLocation(int csidl) {
  std::string path;
  switch (csidl & 127) {
    case CSIDL_DESKTOP:
    case CSIDL_DRIVES:
      return TPidl::Empty();
    case CSIDL_PROFILE:
      path = HomePath();
      break;
    case CSIDL_PERSONAL:
      path = XdgUserDir("DOCUMENTS");
      break;
    case CSIDL_DESKTOPDIRECTORY:
      path = XdgUserDir("DESKTOP");
      break;
    case CSIDL_MYMUSIC:
      path = XdgUserDir("MUSIC");
      break;
    case CSIDL_MYVIDEO:
      path = XdgUserDir("VIDEOS");
      break;
    case CSIDL_MYPICTURES:
      path = XdgUserDir("PICTURES");
      break;
    case CSIDL_TEMPLATES:
      path = XdgUserDir("TEMPLATES");
      break;
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA: {
      const char* var = (csidl & 127) == CSIDL_APPDATA ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME";
      const char* v = std::getenv(var);
      const std::string home = HomePath();
      if (v != nullptr && v[0] == '/')
        path = v;
      else if (!home.empty())
        path = home + ((csidl & 127) == CSIDL_APPDATA ? "/.config" : "/.local/share");
      break;
    }
    default:
      return {};
  }
  TPidl pidl;
  if (path.empty() || PathToPidl(path, pidl) != 0) return {};
  return pidl;
}

int SpecialFolderOf(PCItemIDList pidl) {
  for (int csidl = 0; csidl < CSIDL_NONE; ++csidl) {
    const TPidl loc = SpecialFolderLocation(csidl);
    if (loc && ComparePidls(loc.Get(), pidl) == 0) return csidl;
  }
  return CSIDL_NONE;
}

namespace {
int& driveSuppression() {
  static int n = 0;
  return n;
}
}  // namespace

void InvalidateDriveInfo() {
  if (driveSuppression() == 0) DesktopFolder()->ReloadMounts();
}
void SuppressDriveInfoInvalidation() { ++driveSuppression(); }
void AllowDriveInfoInvalidation() {
  if (driveSuppression() > 0) --driveSuppression();
}

// ---- icons -----------------------------------------------------------------

int SystemIconIndex(PCItemIDList pidl, unsigned flags) {
  if (pidl == nullptr || PidlIdSize(pidl) == 0) return siComputer;
  const PCItemIDList last = PidlLast(pidl);
  std::uint8_t sub = 0;
  std::string_view path;
  if (last == pidl && SplitRootId(pidl, sub, path)) {
    if (sub == kRootHome) return siHome;
    if (sub == kRootFileSystem) return siDrive;
    for (const TMountEntry& m : DesktopFolder()->Mounts()) {
      if (m.MountPoint != path) continue;
      if (MountIsNetwork(m)) return siNetwork;
      if (MountIsOptical(m)) return siOptical;
      if (MountIsRemovable(m)) return siRemovable;
    }
    return siDrive;
  }
  std::uint8_t kind = 0;
  std::string_view name;
  if (!SplitFileId(last, kind, name)) return siDocument;
  if ((kind & ~kIdLinkBit) == kIdFolder) return (flags & SHGFI_OPENICON) ? siFolderOpen : siFolder;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return siDocument;
  const std::string ext = LowerCase(name.substr(dot));
  if (ext == ".mff") return siModel;
  if (ext == ".ssf" || ext == ".ogy" || ext == ".xls") return siSheet;
  if (ext == ".txt" || ext == ".csv" || ext == ".prn") return siText;
  return siDocument;
}

// ---- path routines ---------------------------------------------------------

std::string AppendDelimiter(std::string_view s, char delim) {
  if (s.empty() || s.back() == delim) return std::string(s);
  std::string r(s);
  r.push_back(delim);
  return r;
}

void CopyCharAt(std::string_view src, std::size_t& index, std::string& dst) {
  if (index >= src.size()) return;
  const std::size_t start = index;
  (void)Utf8Next(src, index);
  dst.append(src.substr(start, index - start));
}

// ---- shortcuts -------------------------------------------------------------

int ReadShortcut(const std::string& fileName, TUiShortcutInfo& info, bool wantPidl) {
  std::string target(PATH_MAX, '\0');
  const ssize_t n = ::readlink(fileName.c_str(), target.data(), target.size());
  if (n < 0) return errno;
  if (static_cast<std::size_t>(n) >= target.size()) return ENAMETOOLONG;
  target.resize(static_cast<std::size_t>(n));
  std::filesystem::path t(target);
  if (t.is_relative()) t = std::filesystem::path(ExtractFileDir(ExpandFileName(fileName))) / t;
  std::string path = t.lexically_normal().native();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (info.ResolveMode == 1) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return errno;
    path = real;
    std::free(real);
  }
  info.Path = path;
  info.Arguments.clear();
  info.Description.clear();
  info.IconLocation.clear();
  info.IconIndex = 0;
  info.WorkingDirectory = ExtractFileDir(path);
  info.ShowCmd = 1;
  info.HotKey = 0;
  struct stat st {};
  info.Target = {};
  if (::stat(path.c_str(), &st) == 0) {
    info.Target.Found = true;
    info.Target.Directory = S_ISDIR(st.st_mode);
    info.Target.Size = static_cast<std::int64_t>(st.st_size);
    info.Target.MTime = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    info.Target.CTime = static_cast<std::int64_t>(st.st_ctim.tv_sec);
  }
  info.Pidl.Reset();
  if (wantPidl) return PathToPidl(path, info.Pidl);
  return 0;
}

// ---- TUiPidlList -----------------------------------------------------------

int TUiPidlList::compare(PCItemIDList a, PCItemIDList b) const {
  if (compareFolder_) {
    const int c = compareFolder_->CompareIDs(0, a, b);
    return c == kNotComparable ? -1 : c;
  }
  const std::size_t sa = PidlSize(a), sb = PidlSize(b);
  const std::size_t n = std::min(sa, sb);
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
  return static_cast<int>(sa) - static_cast<int>(sb);
}

bool TUiPidlList::find(PCItemIDList pidl, int& index) const {
  int low = 0, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int probe = (low + high) / 2;
    const int c = compare(entries_[static_cast<std::size_t>(probe)].Get(), pidl);
    if (c < 0) {
      low = probe + 1;
    } else {
      high = probe - 1;
      if (c == 0) {
        found = true;
        if (Duplicates != dupAccept) low = probe;
      }
    }
  }
  index = low;
  return found;
}

int TUiPidlList::insert(TEntry entry) {
  if (!sorted_) {
    entries_.push_back(std::move(entry));
    return Count() - 1;
  }
  int index = 0;
  if (find(entry.Get(), index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) throw EUiPidlListError("TUiPidlList: Duplicate PIDL");
  }
  entries_.insert(entries_.begin() + index, std::move(entry));
  return index;
}

int TUiPidlList::AddObject(TPidl pidl, void* object) {
  TEntry e;
  e.Owned = std::move(pidl);
  e.Object = object;
  return insert(std::move(e));
}

int TUiPidlList::AddObject(PCItemIDList pidl, void* object) {
  TEntry e;
  e.View = pidl;
  e.Object = object;
  return insert(std::move(e));
}

int TUiPidlList::IndexOf(PCItemIDList pidl) const {
  if (sorted_) {
    int index = 0;
    return find(pidl, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (compare(entries_[static_cast<std::size_t>(i)].Get(), pidl) == 0) return i;
  return -1;
}

void TUiPidlList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
}

TPidl TUiPidlList::TakePidl(int index) {
  return std::move(entries_.at(static_cast<std::size_t>(index)).Owned);
}

void TUiPidlList::SetSorted(bool sorted) {
  if (sorted && !sorted_) {
    std::stable_sort(entries_.begin(), entries_.end(), [this](const TEntry& a, const TEntry& b) {
      return compare(a.Get(), b.Get()) < 0;
    });
  }
  sorted_ = sorted;
}

// ---- device changes ---------------------------------------------------------

TUiDeviceChangeHandler& TUiDeviceChangeHandler::Instance() {
  static TUiDeviceChangeHandler handler;
  return handler;
}

void TUiDeviceChangeHandler::Register(const void* owner, THandler handler) {
  handlers_.push_back({owner, std::move(handler), ++serial_});
}

void TUiDeviceChangeHandler::Unregister(const void* owner) {
  std::erase_if(handlers_, [owner](const TEntry& e) { return e.Owner == owner; });
}

void TUiDeviceChangeHandler::Notify(int event, const std::string& mountPoint) {
  if (!Enabled) return;
  // Handlers may register or unregister while they run: walk the serials of
  // those present now and call each one that is still there.
  std::vector<std::uint64_t> serials;
  serials.reserve(handlers_.size());
  for (const TEntry& e : handlers_) serials.push_back(e.Serial);
  for (std::uint64_t s : serials) {
    auto it = std::find_if(handlers_.begin(), handlers_.end(),
                           [s](const TEntry& e) { return e.Serial == s; });
    if (it == handlers_.end()) continue;
    THandler h = it->Handler;  // a copy: the entry may go while it runs
    h(event, mountPoint);
  }
}

void TUiDeviceChangeHandler::CheckMounts() {
  std::vector<TMountEntry> now = ReadUserMounts();
  if (!read_) {
    last_ = std::move(now);
    read_ = true;
    return;
  }
  std::vector<std::pair<int, std::string>> events;
  for (const TMountEntry& m : last_)
    if (std::find(now.begin(), now.end(), m) == now.end())
      events.emplace_back(DBT_DEVICEREMOVECOMPLETE, m.MountPoint);
  for (const TMountEntry& m : now)
    if (std::find(last_.begin(), last_.end(), m) == last_.end())
      events.emplace_back(DBT_DEVICEARRIVAL, m.MountPoint);
  last_ = std::move(now);
  for (const auto& [event, point] : events) Notify(event, point);
}

}  // namespace qv
