#include "controls/UiShellNamespace.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/core/Codepage.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

std::string& mountInfoFile() {
  static std::string f = "/proc/self/mountinfo";
  return f;
}

// Decodes the octal escapes (\040 and the like) of a mountinfo field.
std::string decodeMountField(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool networkFsType(std::string_view t) {
  static const char* const kinds[] = {"nfs",   "nfs4",       "cifs",       "smb3",
                                      "smbfs", "fuse.sshfs", "davfs",      "fuse.davfs2",
                                      "afs",   "9p",         "fuse.rclone"};
  return std::any_of(std::begin(kinds), std::end(kinds), [&](const char* k) { return t == k; });
}

bool readWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  text = ss.str();
  return true;
}

// The rank of a root sub-kind: the home folder, the file system, mounts.
int rootRank(std::uint8_t subKind) {
  switch (subKind) {
    case kRootHome:
      return 0;
    case kRootFileSystem:
      return 1;
    default:
      return 2;
  }
}

// An absolute path in normal form: "/" or "/a/b" without empty, "." or
// ".." parts and without NUL.
bool normalAbsolutePath(std::string_view p) {
  if (p.empty() || p[0] != '/') return false;
  if (p.find('\0') != std::string_view::npos) return false;
  if (p.size() == 1) return true;
  if (p.back() == '/') return false;
  std::size_t pos = 1;
  while (pos <= p.size()) {
    std::size_t end = p.find('/', pos);
    if (end == std::string_view::npos) end = p.size();
    std::string_view part = p.substr(pos, end - pos);
    if (part.empty() || part == "." || part == "..") return false;
    pos = end + 1;
  }
  return true;
}

std::string joinPath(const std::string& dir, std::string_view name) {
  std::string p = dir;
  if (p.empty() || p.back() != '/') p.push_back('/');
  p.append(name);
  return p;
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int statDirectory(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Whether a directory holds a sub-directory (links to directories count).
bool hasSubFolder(const std::string& path, bool includeHidden) {
  DIR* d = ::opendir(path.c_str());
  if (d == nullptr) return false;
  bool found = false;
  while (dirent* e = ::readdir(d)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    if (n[0] == '.' && !includeHidden) continue;
    if (e->d_type == DT_DIR) {
      found = true;
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st {};
      found = ::fstatat(::dirfd(d), n, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (found) break;
  }
  ::closedir(d);
  return found;
}

// Text of a byte count as the shell shows it: "512 bytes", "1.81 TB",
// "74.5 GB", "931 GB" (three significant digits, truncated).
std::string formatByteSize(std::uint64_t n) {
  if (n < 1024) return Format("%d bytes", static_cast<std::int64_t>(n));
  static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double v = static_cast<double>(n) / 1024.0;
  int u = 0;
  while (v >= 1000.0 && u < 5) {
    v /= 1024.0;
    ++u;
  }
  const int decimals = v < 10 ? 2 : v < 100 ? 1 : 0;
  double scale = decimals == 2 ? 100 : decimals == 1 ? 10 : 1;
  v = static_cast<double>(static_cast<std::int64_t>(v * scale)) / scale;
  return Format("%.*f %s", decimals, v, units[u]);
}

TShellTypeNameProvider& typeNameProvider() {
  static TShellTypeNameProvider p = nullptr;
  return p;
}

// The natural comparison without the byte tie-break.
int compareNaturalFold(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned char ca = static_cast<unsigned char>(a[i]);
    const unsigned char cb = static_cast<unsigned char>(b[j]);
    const bool da = ca >= '0' && ca <= '9';
    const bool db = cb >= '0' && cb <= '9';
    if (da && db) {
      std::size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      std::size_t ei = si, ej = sj;
      while (ei < a.size() && a[ei] >= '0' && a[ei] <= '9') ++ei;
      while (ej < b.size() && b[ej] >= '0' && b[ej] <= '9') ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      const int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (c != 0) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const unsigned char fa = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
    const unsigned char fb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
    if (fa != fb) return fa < fb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

int sign(std::int64_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Column-0 order of two chains of file-system IDs: folders first, then the
// names; the shorter chain first when one continues the other.
int compareFileChains(PCItemIDList a, PCItemIDList b) {
  for (;;) {
    const bool endA = PidlIdSize(a) == 0, endB = PidlIdSize(b) == 0;
    if (endA || endB) return endA == endB ? 0 : endA ? -1 : 1;
    std::uint8_t ka = 0, kb = 0;
    std::string_view na, nb;
    if (!SplitFileId(a, ka, na) || !SplitFileId(b, kb, nb)) return kNotComparable;
    const bool fa = (ka & ~kIdLinkBit) == kIdFolder, fb = (kb & ~kIdLinkBit) == kIdFolder;
    if (fa != fb) return fa ? -1 : 1;
    int c = CompareNamesNatural(na, nb);
    if (c == 0 && ka != kb) c = ka < kb ? -1 : 1;
    if (c != 0) return c;
    a = PidlNext(a);
    b = PidlNext(b);
  }
}

std::string rootDisplayName(std::uint8_t subKind, std::string_view path) {
  switch (subKind) {
    case kRootHome:
      return "Home";
    case kRootFileSystem:
      return "File System";
    default: {
      const std::size_t slash = path.rfind('/');
      std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
      return base.empty() ? std::string("Disk") : DisplayNameFromNative(base);
    }
  }
}

// A dangling or unreadable item still lists; only its stat says "not found".
TShellItemStat statItem(const std::string& path) {
  TShellItemStat s;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) return s;
  s.Found = true;
  s.Directory = S_ISDIR(st.st_mode);
  s.Size = static_cast<std::int64_t>(st.st_size);
  s.MTime = static_cast<std::int64_t>(st.st_mtim.tv_sec);
  s.CTime = static_cast<std::int64_t>(st.st_ctim.tv_sec);
  return s;
}

}  // namespace

// ---- mounts ----------------------------------------------------------------

const std::string& MountInfoFile() { return mountInfoFile(); }

void SetMountInfoFile(const std::string& path) {
  mountInfoFile() = path.empty() ? std::string("/proc/self/mountinfo") : path;
}

std::vector<TMountEntry> ParseUserMounts(const std::string& text) {
  std::vector<TMountEntry> result;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string_view> f;
    std::string_view rest(line);
    while (!rest.empty()) {
      const std::size_t sp = rest.find(' ');
      f.push_back(rest.substr(0, sp));
      if (sp == std::string_view::npos) break;
      rest.remove_prefix(sp + 1);
    }
    // id parent dev root mount-point options [optional...] - type source super
    auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
    if (f.size() < 5 || dash == f.end() || f.end() - dash < 3 || dash - f.begin() < 6) continue;
    TMountEntry m;
    m.MountPoint = decodeMountField(f[4]);
    m.FsType = decodeMountField(*(dash + 1));
    m.Source = decodeMountField(*(dash + 2));
    if (!normalAbsolutePath(m.MountPoint)) continue;
    const bool place = startsWith(m.MountPoint, "/media/") ||
                       startsWith(m.MountPoint, "/run/media/") ||
                       startsWith(m.MountPoint, "/mnt/") || m.MountPoint == "/mnt";
    const bool kind = startsWith(m.Source, "/dev/") || networkFsType(m.FsType);
    if (!place || !kind) continue;
    // A later mount on the same point hides the earlier one.
    std::erase_if(result, [&](const TMountEntry& e) { return e.MountPoint == m.MountPoint; });
    result.push_back(std::move(m));
  }
  std::sort(result.begin(), result.end(),
            [](const TMountEntry& a, const TMountEntry& b) { return a.MountPoint < b.MountPoint; });
  return result;
}

std::vector<TMountEntry> ReadUserMounts() {
  std::string text;
  if (!readWholeFile(MountInfoFile(), text)) return {};
  return ParseUserMounts(text);
}

bool MountIsRemovable(const TMountEntry& m) {
  return startsWith(m.MountPoint, "/media/") || startsWith(m.MountPoint, "/run/media/");
}
bool MountIsNetwork(const TMountEntry& m) { return networkFsType(m.FsType); }
bool MountIsOptical(const TMountEntry& m) { return m.FsType == "iso9660" || m.FsType == "udf"; }

// ---- home and user folders -------------------------------------------------

std::string HomePath() {
  const char* h = std::getenv("HOME");
  if (h == nullptr || h[0] != '/') return {};
  std::string p(h);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string XdgUserDir(std::string_view name) {
  const std::string home = HomePath();
  if (home.empty()) return {};
  std::string config;
  const char* xch = std::getenv("XDG_CONFIG_HOME");
  config = (xch != nullptr && xch[0] == '/') ? std::string(xch) : home + "/.config";
  std::string text, value;
  if (readWholeFile(config + "/user-dirs.dirs", text)) {
    const std::string key = "XDG_" + std::string(name) + "_DIR=";
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      std::string_view l = TrimView(line);
      if (!startsWith(l, key)) continue;
      std::string_view v = l.substr(key.size());
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      if (startsWith(v, "$HOME"))
        value = home + std::string(v.substr(5));
      else if (startsWith(v, "/"))
        value = std::string(v);
    }
  }
  if (value.empty()) {
    static const std::pair<const char*, const char*> defaults[] = {
        {"DESKTOP", "Desktop"},   {"DOCUMENTS", "Documents"}, {"MUSIC", "Music"},
        {"PICTURES", "Pictures"}, {"VIDEOS", "Videos"},       {"TEMPLATES", "Templates"},
        {"DOWNLOAD", "Downloads"}};
    for (const auto& [k, d] : defaults)
      if (name == k) value = home + "/" + d;
  }
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  return !value.empty() && isDirectory(value) ? value : std::string();
}

// ---- IDs -------------------------------------------------------------------

bool ValidItemName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

bool SplitFileId(PCItemIDList p, std::uint8_t& kind, std::string_view& name) {
  if (p == nullptr) return false;
  const std::string_view payload = PidlPayload(p);
  if (payload.size() < 2) return false;
  kind = static_cast<std::uint8_t>(payload[0]);
  const std::uint8_t base = kind & ~kIdLinkBit;
  if (base != kIdFolder && base != kIdFile) return false;
  name = payload.substr(1);
  return ValidItemName(name);
}

TPidl MakeFileId(std::string_view name, bool folder, bool link) {
  std::string payload;
  payload.reserve(name.size() + 1);
  payload.push_back(static_cast<char>((folder ? kIdFolder : kIdFile) | (link ? kIdLinkBit : 0)));
  payload.append(name);
  return TPidl::MakeId(payload);
}

TPidl MakeRootId(std::uint8_t subKind, std::string_view path) {
  std::string payload;
  payload.push_back(static_cast<char>(kIdRoot));
  payload.push_back(static_cast<char>(subKind));
  payload.append(path);
  return TPidl::MakeId(payload);
}

bool SplitRootId(PCItemIDList p, std::uint8_t& subKind, std::string_view& path) {
  if (p == nullptr) return false;
  const std::string_view payload = PidlPayload(p);
  if (payload.size() < 3 || static_cast<std::uint8_t>(payload[0]) != kIdRoot) return false;
  subKind = static_cast<std::uint8_t>(payload[1]);
  if (subKind != kRootHome && subKind != kRootFileSystem && subKind != kRootMount) return false;
  path = payload.substr(2);
  if (!normalAbsolutePath(path)) return false;
  return subKind != kRootFileSystem || path == "/";
}

// ---- names -----------------------------------------------------------------

int CompareNamesNatural(std::string_view a, std::string_view b) {
  const int c = compareNaturalFold(a, b);
  if (c != 0) return c;
  const int d = a.compare(b);
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

std::string DisplayNameFromNative(std::string_view name) {
  if (IsValidUtf8(name)) return std::string(name);
  std::string out;
  std::size_t pos = 0;
  while (pos < name.size()) Utf8Append(out, Utf8Next(name, pos));
  return out;
}

std::string ShellTypeName(const std::string& path, bool directory) {
  if (directory) return "File Folder";
  if (TShellTypeNameProvider p = typeNameProvider()) {
    std::string t = p(path);
    if (!t.empty()) return t;
  }
  const std::string name = ExtractFileName(path);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return "File";
  return DisplayNameFromNative(UpperCase(name.substr(dot + 1))) + " File";
}

void SetShellTypeNameProvider(TShellTypeNameProvider provider) { typeNameProvider() = provider; }

// ---- file-system folders ---------------------------------------------------

TFileSystemFolder::TFileSystemFolder(TPidl absolute, std::string path)
    : TShellFolder(std::move(absolute)), path_(std::move(path)) {}

int TFileSystemFolder::EnumObjects(unsigned flags, std::vector<TPidl>& items) {
  cache_.clear();
  writable_ = -1;
  const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    const int e = errno;
    ::close(fd);
    return e;
  }
  const bool wantFolders = (flags & SHCONTF_FOLDERS) != 0;
  const bool wantFiles = (flags & SHCONTF_NONFOLDERS) != 0;
  const bool hidden = (flags & SHCONTF_INCLUDEHIDDEN) != 0;
  int result = 0;
  for (;;) {
    errno = 0;
    dirent* e = ::readdir(d);
    if (e == nullptr) {
      result = errno;
      break;
    }
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    if (n[0] == '.' && !hidden) continue;
    bool folder = false, link = false;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      folder = true;
    } else if (type == DT_LNK) {
      link = true;
      struct stat st {};
      folder = ::fstatat(fd, n, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (folder ? !wantFolders : !wantFiles) continue;
    items.push_back(MakeFileId(n, folder, link));
  }
  ::closedir(d);
  return result;
}

std::uint32_t TFileSystemFolder::GetAttributesOf(PCItemIDList rel, std::uint32_t mask) {
  std::uint8_t kind = 0;
  std::string_view name;
  if (!SplitFileId(rel, kind, name)) return 0;
  if (PidlIdSize(PidlNext(rel)) != 0) {
    // A deeper item: ask its own folder.
    TShellFolderPtr parent;
    if (BindToObject(PidlPrefix(rel, 1).Get(), parent) != 0) return 0;
    return parent->GetAttributesOf(PidlNext(rel), mask);
  }
  const bool folder = (kind & ~kIdLinkBit) == kIdFolder;
  std::uint32_t a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
  if (folder) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
  if (kind & kIdLinkBit) a |= SFGAO_LINK;
  if (name[0] == '.') a |= SFGAO_GHOSTED;
  if (mask & (SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE)) {
    if (writable_ < 0) writable_ = ::access(path_.c_str(), W_OK) == 0 ? 1 : 0;
    if (writable_ == 1) a |= SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE;
  }
  if ((mask & SFGAO_READONLY) && ::access(joinPath(path_, name).c_str(), W_OK) != 0)
    a |= SFGAO_READONLY;
  if ((mask & SFGAO_HASSUBFOLDER) && folder && hasSubFolder(joinPath(path_, name), false))
    a |= SFGAO_HASSUBFOLDER;
  return a & mask;
}

TFileSystemFolder::TCacheEntry& TFileSystemFolder::entry(std::string_view name) {
  auto it = cache_.find(name);
  if (it == cache_.end()) it = cache_.emplace(std::string(name), TCacheEntry{}).first;
  return it->second;
}

const TShellItemStat& TFileSystemFolder::StatOf(PCItemIDList rel) {
  static const TShellItemStat none;
  std::uint8_t kind = 0;
  std::string_view name;
  if (!SplitFileId(rel, kind, name)) return none;
  TCacheEntry& e = entry(name);
  if (!e.StatRead) {
    e.Stat = statItem(joinPath(path_, name));
    e.StatRead = true;
  }
  return e.Stat;
}

std::string TFileSystemFolder::ItemPath(PCItemIDList rel) const {
  std::string p = path_;
  bool any = false;
  for (PCItemIDList q = rel; q != nullptr && PidlIdSize(q) != 0; q = PidlNext(q)) {
    std::uint8_t kind = 0;
    std::string_view name;
    if (!SplitFileId(q, kind, name)) return {};
    p = joinPath(p, name);
    any = true;
  }
  return any ? p : std::string();
}

const std::string& TFileSystemFolder::TypeNameOf(PCItemIDList rel) {
  static const std::string none;
  std::uint8_t kind = 0;
  std::string_view name;
  if (!SplitFileId(rel, kind, name)) return none;
  TCacheEntry& e = entry(name);
  if (!e.TypeName)
    e.TypeName = ShellTypeName(joinPath(path_, name), (kind & ~kIdLinkBit) == kIdFolder);
  return *e.TypeName;
}

int TFileSystemFolder::CompareIDs(int column, PCItemIDList a, PCItemIDList b) {
  std::uint8_t ka = 0, kb = 0;
  std::string_view na, nb;
  if (!SplitFileId(a, ka, na) || !SplitFileId(b, kb, nb)) return kNotComparable;
  if (column <= 0 || column > 3) return compareFileChains(a, b);
  const bool fa = (ka & ~kIdLinkBit) == kIdFolder, fb = (kb & ~kIdLinkBit) == kIdFolder;
  if (fa != fb) return fa ? -1 : 1;
  int c = 0;
  if (column == 1) {
    if (!fa) c = sign(StatOf(a).Size - StatOf(b).Size);
  } else if (column == 2) {
    c = CompareText(TypeNameOf(a), TypeNameOf(b));
    c = c < 0 ? -1 : c > 0 ? 1 : 0;
  } else {
    c = sign(StatOf(a).MTime - StatOf(b).MTime);
  }
  return c != 0 ? c : compareFileChains(a, b);
}

std::string TFileSystemFolder::GetDisplayNameOf(PCItemIDList rel, unsigned flags) {
  const std::string path = ItemPath(rel);
  if (path.empty()) return {};
  if ((flags & SHGDN_FORPARSING) && !(flags & SHGDN_INFOLDER)) return path;
  std::uint8_t kind = 0;
  std::string_view name;
  SplitFileId(PidlLast(rel), kind, name);
  if (flags & SHGDN_FORPARSING) return std::string(name);
  return DisplayNameFromNative(name);
}

int TFileSystemFolder::BindToObject(PCItemIDList rel, TShellFolderPtr& folder) {
  const std::string path = ItemPath(rel);
  if (path.empty()) return EINVAL;
  if (const int e = statDirectory(path)) return e;
  const std::string relBytes(reinterpret_cast<const char*>(rel), PidlSize(rel));
  std::string abs = AbsolutePidl().Bytes();
  abs.resize(abs.size() - 2);
  abs += relBytes;
  folder = std::make_shared<TFileSystemFolder>(TPidl::FromValidBytes(std::move(abs)), path);
  return 0;
}

int TFileSystemFolder::SetNameOf(PCItemIDList rel, const std::string& name, TPidl& newRel) {
  std::uint8_t kind = 0;
  std::string_view oldName;
  if (!SplitFileId(rel, kind, oldName) || PidlIdSize(PidlNext(rel)) != 0) return EINVAL;
  if (!ValidItemName(name)) return EINVAL;
  if (name == oldName) {
    newRel = TPidl::Copy(rel);
    return 0;
  }
  const std::string from = joinPath(path_, oldName), to = joinPath(path_, name);
  // Never replaces: renameat2 with no-replace; where the file system cannot
  // do that, a hard link claims the name (files) or the name is checked
  // just before (directories).
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    int e = errno;
    if (e == EEXIST) {
      // The same file under another letter case on a case-folding file system.
      struct stat a {
      }, b{};
      if (::lstat(from.c_str(), &a) == 0 && ::lstat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
          a.st_ino == b.st_ino && ::rename(from.c_str(), to.c_str()) == 0) {
        e = 0;
      }
    } else if (e == EINVAL || e == ENOSYS || e == ENOTSUP) {
      struct stat st {};
      if (::lstat(from.c_str(), &st) != 0) {
        e = errno;
      } else if (!S_ISDIR(st.st_mode) && ::link(from.c_str(), to.c_str()) == 0) {
        e = ::unlink(from.c_str()) == 0 ? 0 : errno;
      } else if (::lstat(to.c_str(), &st) == 0) {
        e = EEXIST;
      } else {
        e = ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
      }
    }
    if (e != 0) return e;
  }
  if (auto it = cache_.find(oldName); it != cache_.end()) cache_.erase(it);
  newRel = MakeFileId(name, (kind & ~kIdLinkBit) == kIdFolder, (kind & kIdLinkBit) != 0);
  return 0;
}

// ---- the desktop -----------------------------------------------------------

TDesktopFolder::TDesktopFolder() : TShellFolder(TPidl::Empty()) {}

const std::vector<TMountEntry>& TDesktopFolder::Mounts() {
  if (!mountsRead_) ReloadMounts();
  return mounts_;
}

void TDesktopFolder::ReloadMounts() {
  mounts_ = ReadUserMounts();
  mountsRead_ = true;
}

int TDesktopFolder::EnumObjects(unsigned flags, std::vector<TPidl>& items) {
  if (!(flags & SHCONTF_FOLDERS)) return 0;
  const std::string home = HomePath();
  if (home.size() > 1 && isDirectory(home)) items.push_back(MakeRootId(kRootHome, home));
  items.push_back(MakeRootId(kRootFileSystem, "/"));
  for (const TMountEntry& m : Mounts()) items.push_back(MakeRootId(kRootMount, m.MountPoint));
  return 0;
}

std::uint32_t TDesktopFolder::GetAttributesOf(PCItemIDList rel, std::uint32_t mask) {
  std::uint8_t sub = 0;
  std::string_view path;
  if (!SplitRootId(rel, sub, path)) return 0;
  if (PidlIdSize(PidlNext(rel)) != 0) {
    TShellFolderPtr parent;
    if (BindToObject(PidlPrefix(rel, 1).Get(), parent) != 0) return 0;
    return parent->GetAttributesOf(PidlNext(rel), mask);
  }
  std::uint32_t a = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER |
                    SFGAO_DROPTARGET;
  if (sub == kRootMount) {
    for (const TMountEntry& m : Mounts())
      if (m.MountPoint == path && MountIsRemovable(m)) a |= SFGAO_REMOVABLE;
  }
  return a & mask;
}

int TDesktopFolder::CompareIDs(int column, PCItemIDList a, PCItemIDList b) {
  if (a == nullptr || b == nullptr) return kNotComparable;
  const bool endA = PidlIdSize(a) == 0, endB = PidlIdSize(b) == 0;
  if (endA || endB) return endA == endB ? 0 : endA ? -1 : 1;
  std::uint8_t sa = 0, sb = 0;
  std::string_view pa, pb;
  if (!SplitRootId(a, sa, pa) || !SplitRootId(b, sb, pb)) return kNotComparable;
  const bool single = PidlIdSize(PidlNext(a)) == 0 && PidlIdSize(PidlNext(b)) == 0;
  int c = 0;
  if (single && column >= 1 && column <= 3) {
    TShellDetails da, db;
    GetDetailsOf(a, column, da);
    GetDetailsOf(b, column, db);
    if (column == 1) {
      c = CompareText(da.Text, db.Text);
    } else {
      struct statvfs va {
      }, vb{};
      const bool oka = ::statvfs(std::string(pa).c_str(), &va) == 0;
      const bool okb = ::statvfs(std::string(pb).c_str(), &vb) == 0;
      const auto value = [column](bool ok, const struct statvfs& v) -> std::uint64_t {
        if (!ok) return 0;
        return static_cast<std::uint64_t>(column == 2 ? v.f_blocks : v.f_bavail) * v.f_frsize;
      };
      const std::uint64_t x = value(oka, va), y = value(okb, vb);
      c = x < y ? -1 : x > y ? 1 : 0;
    }
    c = c < 0 ? -1 : c > 0 ? 1 : 0;
    if (c != 0) return c;
  }
  if (rootRank(sa) != rootRank(sb)) return rootRank(sa) < rootRank(sb) ? -1 : 1;
  c = CompareNamesNatural(pa, pb);
  if (c == 0 && sa != sb) c = sa < sb ? -1 : 1;
  if (c != 0) return c;
  return compareFileChains(PidlNext(a), PidlNext(b));
}

std::string TDesktopFolder::GetDisplayNameOf(PCItemIDList rel, unsigned flags) {
  if (rel == nullptr || PidlIdSize(rel) == 0)
    return (flags & SHGDN_FORPARSING) ? std::string() : std::string("Computer");
  std::uint8_t sub = 0;
  std::string_view path;
  if (!SplitRootId(rel, sub, path)) return {};
  if (PidlIdSize(PidlNext(rel)) != 0) {
    TShellFolderPtr root;
    if (BindToObject(PidlPrefix(rel, 1).Get(), root) != 0) return {};
    return root->GetDisplayNameOf(PidlNext(rel), flags);
  }
  if ((flags & SHGDN_FORPARSING) && !(flags & SHGDN_INFOLDER)) return std::string(path);
  return rootDisplayName(sub, path);
}

int TDesktopFolder::BindToObject(PCItemIDList rel, TShellFolderPtr& folder) {
  std::uint8_t sub = 0;
  std::string_view rootPath;
  if (!SplitRootId(rel, sub, rootPath)) return EINVAL;
  auto root = std::make_shared<TFileSystemFolder>(PidlPrefix(rel, 1), std::string(rootPath));
  PCItemIDList rest = PidlNext(rel);
  if (PidlIdSize(rest) == 0) {
    if (const int e = statDirectory(std::string(rootPath))) return e;
    folder = root;
    return 0;
  }
  return root->BindToObject(rest, folder);
}

int TDesktopFolder::GetDefaultColumnState(int column, unsigned& state) {
  if (column < 0 || column > 3) return EINVAL;
  state = SHCOLSTATE_ONBYDEFAULT;
  return 0;
}

int TDesktopFolder::GetDetailsOf(PCItemIDList rel, int column, TShellDetails& details) {
  static const struct {
    const char* Caption;
    int Fmt;
    int CxChar;
  } columns[] = {{"Name", LVCFMT_LEFT, 20},
                 {"Type", LVCFMT_LEFT, 18},
                 {"Total Size", LVCFMT_RIGHT, 12},
                 {"Free Space", LVCFMT_RIGHT, 12}};
  if (column < 0 || column > 3) return EINVAL;
  details.Fmt = columns[column].Fmt;
  details.CxChar = columns[column].CxChar;
  if (rel == nullptr) {
    details.Text = columns[column].Caption;
    return 0;
  }
  std::uint8_t sub = 0;
  std::string_view path;
  if (!SplitRootId(rel, sub, path) || PidlIdSize(PidlNext(rel)) != 0) return EINVAL;
  const TMountEntry* mount = nullptr;
  if (sub == kRootMount) {
    for (const TMountEntry& m : Mounts())
      if (m.MountPoint == path) mount = &m;
  }
  switch (column) {
    case 0:
      details.Text = rootDisplayName(sub, path);
      break;
    case 1:
      if (sub == kRootHome)
        details.Text = "Home Folder";
      else if (mount && MountIsNetwork(*mount))
        details.Text = "Network Drive";
      else if (mount && MountIsOptical(*mount))
        details.Text = "CD Drive";
      else if (mount && MountIsRemovable(*mount))
        details.Text = "Removable Disk";
      else
        details.Text = "Local Disk";
      break;
    default: {
      struct statvfs v {};
      details.Text.clear();
      if (::statvfs(std::string(path).c_str(), &v) == 0) {
        const std::uint64_t blocks = column == 2 ? v.f_blocks : v.f_bavail;
        details.Text = formatByteSize(static_cast<std::uint64_t>(blocks) * v.f_frsize);
      }
      break;
    }
  }
  return 0;
}

const std::shared_ptr<TDesktopFolder>& DesktopFolder() {
  static const std::shared_ptr<TDesktopFolder> desktop = std::make_shared<TDesktopFolder>();
  return desktop;
}

}  // namespace qv
