#include "platform/core/IniFiles.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/core/Codepage.h"

namespace qv {

namespace {

bool sameName(std::string_view a, std::string_view b) { return AnsiSameText(a, b); }

// A value as it must be written so that reading gives it back.
std::string encodeValue(std::string_view value) {
  std::string v(value);
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  if (v.empty()) return v;
  const unsigned char f = static_cast<unsigned char>(v.front());
  const unsigned char l = static_cast<unsigned char>(v.back());
  const bool blanks = f <= ' ' || l <= ' ';
  const bool quoted = v.size() >= 2 && (f == '"' || f == '\'') && l == f;
  if (blanks || quoted) return "\"" + v + "\"";
  return v;
}

// The list replaced by the texts, under one update.
void replaceStrings(TStrings& strings, const std::vector<std::string>& texts) {
  strings.BeginUpdate();
  try {
    strings.Clear();
    for (const std::string& t : texts) strings.Add(t);
  } catch (...) {
    strings.EndUpdate();
    throw;
  }
  strings.EndUpdate();
}

// Adds the name unless one of the same name, whatever its letter case, is
// there already.
void addNameOnce(std::vector<std::string>& names, const std::string& name) {
  if (std::none_of(names.begin(), names.end(),
                   [&](const std::string& n) { return sameName(n, name); }))
    names.push_back(name);
}

enum { kOther = 0, kSection = 1, kKey = 2, kBlank = 3 };

// Saves counted per file name within this process, so that an object sees
// another object's save even when size and time stamp did not change.
std::mutex gGenerationMutex;
std::map<std::string, uint64_t> gGenerations;

uint64_t generationOf(const std::string& file) {
  std::lock_guard<std::mutex> lock(gGenerationMutex);
  auto it = gGenerations.find(file);
  return it == gGenerations.end() ? 0 : it->second;
}

uint64_t bumpGeneration(const std::string& file) {
  std::lock_guard<std::mutex> lock(gGenerationMutex);
  return ++gGenerations[file];
}

}  // namespace

TCustomIniFile::TCustomIniFile(std::string fileName, bool writeThrough)
    : fileName_(std::move(fileName)), writeThrough_(writeThrough) {}

TCustomIniFile::~TCustomIniFile() = default;

TCustomIniFile::Line TCustomIniFile::parseLine(std::string text) {
  Line line{std::move(text), kOther, {}};
  const std::string_view t = TrimView(line.text);
  if (t.empty() || t[0] == ';') {
    line.kind = kBlank;
  } else if (t[0] == '[') {
    const size_t close = t.find(']');
    line.kind = kSection;
    line.name = std::string(TrimView(
        t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
  } else {
    const size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
      line.kind = kKey;
      line.name = std::string(TrimView(t.substr(0, eq)));
    }
  }
  return line;
}

std::string TCustomIniFile::valueOf(const Line& line) {
  const std::string_view t(line.text);
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view v = TrimView(t.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

void TCustomIniFile::refresh() const {
  struct stat st;
  const bool exists = ::stat(fileName_.c_str(), &st) == 0;
  const int64_t size = exists ? static_cast<int64_t>(st.st_size) : -1;
  const int64_t time =
      exists ? static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
  const uint64_t inode = exists ? static_cast<uint64_t>(st.st_ino) : 0;
  const uint64_t generation = generationOf(fileName_);
  if (loaded_ && (dirty_ || (size == stampSize_ && time == stampTime_ && inode == stampInode_ &&
                             generation == stampGeneration_)))
    return;
  lines_.clear();
  lineBreak_ = "\r\n";
  loaded_ = true;
  stampSize_ = size;
  stampTime_ = time;
  stampInode_ = inode;
  stampGeneration_ = generation;
  if (!exists || !S_ISREG(st.st_mode)) return;
  std::string bytes;
  try {
    bytes = readFileBytes(fileName_);
  } catch (const Exception&) {
    return;  // an unreadable file reads as empty: every value is its default
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  const std::string text = ToUtf8Guess(bytes);
  bool breakSeen = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines_.push_back(parseLine(text.substr(start, i - start)));
    const bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (!breakSeen) {
      lineBreak_ = crlf ? "\r\n" : std::string(1, c);
      breakSeen = true;
    }
    if (crlf) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines_.push_back(parseLine(text.substr(start)));
}

int TCustomIniFile::findSection(std::string_view section) const {
  const std::string_view s = TrimView(section);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == kSection && sameName(lines_[i].name, s)) return static_cast<int>(i);
  return -1;
}

int TCustomIniFile::sectionEnd(int sectionLine) const {
  size_t i = static_cast<size_t>(sectionLine) + 1;
  while (i < lines_.size() && lines_[i].kind != kSection) ++i;
  return static_cast<int>(i);
}

int TCustomIniFile::findKey(int sectionLine, std::string_view ident) const {
  if (sectionLine < 0) return -1;
  const std::string_view k = TrimView(ident);
  const int end = sectionEnd(sectionLine);
  for (int i = sectionLine + 1; i < end; ++i)
    if (lines_[static_cast<size_t>(i)].kind == kKey &&
        sameName(lines_[static_cast<size_t>(i)].name, k))
      return i;
  return -1;
}

void TCustomIniFile::changed() {
  dirty_ = true;
  if (writeThrough_) UpdateFile();
}

void TCustomIniFile::UpdateFile() {
  if (!dirty_) return;
  std::string text;
  for (const Line& l : lines_) {
    text += l.text;
    text += lineBreak_;
  }
  try {
    writeFileAtomic(fileName_, text);
  } catch (const Exception& e) {
    throw EIniFileException("Unable to write to " + fileName_ + " (" + e.Message() + ")");
  }
  dirty_ = false;
  stampGeneration_ = bumpGeneration(fileName_);
  struct stat st;
  if (::stat(fileName_.c_str(), &st) == 0) {
    stampSize_ = static_cast<int64_t>(st.st_size);
    stampTime_ = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stampInode_ = static_cast<uint64_t>(st.st_ino);
  }
}

void TCustomIniFile::Reload() {
  dirty_ = false;
  loaded_ = false;
  refresh();
}

std::string TCustomIniFile::ReadString(std::string_view section, std::string_view ident,
                                       std::string_view def) const {
  refresh();
  const int k = findKey(findSection(section), ident);
  return k < 0 ? std::string(def) : valueOf(lines_[static_cast<size_t>(k)]);
}

void TCustomIniFile::WriteString(std::string_view section, std::string_view ident,
                                 std::string_view value) {
  refresh();
  std::string key(TrimView(ident));
  for (char& c : key)
    if (c == '\r' || c == '\n') c = ' ';
  const std::string line = key + "=" + encodeValue(value);
  const int s = findSection(section);
  if (s < 0) {
    if (!lines_.empty() && lines_.back().kind != kBlank) lines_.push_back(parseLine(""));
    lines_.push_back(parseLine("[" + std::string(TrimView(section)) + "]"));
    lines_.push_back(parseLine(line));
  } else {
    const int k = findKey(s, ident);
    if (k >= 0) {
      if (lines_[static_cast<size_t>(k)].text == line) return;
      lines_[static_cast<size_t>(k)] = parseLine(line);
    } else {
      int at = s + 1;
      const int end = sectionEnd(s);
      for (int i = s + 1; i < end; ++i)
        if (!TrimView(lines_[static_cast<size_t>(i)].text).empty()) at = i + 1;
      lines_.insert(lines_.begin() + at, parseLine(line));
    }
  }
  changed();
}

int TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) const {
  return StrToIntDef(ReadString(section, ident, ""), def);
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(std::string_view section, std::string_view ident,
                                 double def) const {
  const std::string s = ReadString(section, ident, "");
  double v;
  if (TryStrToFloat(s, v, TFormatSettings::Invariant())) return v;
  if (TryStrToFloat(s, v, FormatSettings())) return v;
  return def;
}

void TCustomIniFile::WriteFloat(std::string_view section, std::string_view ident, double value) {
  WriteString(section, ident, FloatToStr(value, TFormatSettings::Invariant()));
}

void TCustomIniFile::ReadSection(std::string_view section, TStrings& strings) const {
  refresh();
  std::vector<std::string> names;
  const int s = findSection(section);
  if (s >= 0) {
    const int end = sectionEnd(s);
    for (int i = s + 1; i < end; ++i) {
      const Line& l = lines_[static_cast<size_t>(i)];
      if (l.kind == kKey && !l.name.empty()) addNameOnce(names, l.name);
    }
  }
  replaceStrings(strings, names);
}

void TCustomIniFile::ReadSections(TStrings& strings) const {
  refresh();
  std::vector<std::string> names;
  for (const Line& l : lines_)
    if (l.kind == kSection) addNameOnce(names, l.name);
  replaceStrings(strings, names);
}

void TCustomIniFile::ReadSectionValues(std::string_view section, TStrings& strings) const {
  TStringList keys;
  ReadSection(section, keys);
  std::vector<std::string> pairs;
  for (int i = 0; i < keys.Count(); ++i)
    pairs.push_back(keys[i] + "=" + ReadString(section, keys[i], ""));
  replaceStrings(strings, pairs);
}

void TCustomIniFile::EraseSection(std::string_view section) {
  refresh();
  bool any = false;
  for (int s = findSection(section); s >= 0; s = findSection(section)) {
    lines_.erase(lines_.begin() + s, lines_.begin() + sectionEnd(s));
    any = true;
  }
  if (any) changed();
}

void TCustomIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  refresh();
  const int k = findKey(findSection(section), ident);
  if (k < 0) return;
  lines_.erase(lines_.begin() + k);
  changed();
}

bool TCustomIniFile::SectionExists(std::string_view section) const {
  TStringList keys;
  ReadSection(section, keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  refresh();
  return findKey(findSection(section), ident) >= 0;
}

TMemIniFile::~TMemIniFile() {
  try {
    UpdateFile();
  } catch (...) {
    // destructors do not throw; callers who care call UpdateFile first
  }
}

// ---------------------------------------------------------------------------
// Folders

namespace {

std::string homeDir() {
  const char* h = std::getenv("HOME");
  if (h && *h) return h;
  if (const passwd* pw = ::getpwuid(::getuid())) {
    if (pw->pw_dir) return pw->pw_dir;
  }
  return "/tmp";
}

std::string xdgDir(const char* var, const char* fallback) {
  const char* v = std::getenv(var);
  if (v && v[0] == '/') return IncludeTrailingPathDelimiter(v);
  return IncludeTrailingPathDelimiter(homeDir()) + fallback;
}

}  // namespace

std::string SettingsDir() {
  const std::string dir = xdgDir("XDG_CONFIG_HOME", ".config/") + "quorvane/";
  ForceDirectories(dir);
  return dir;
}

std::string SettingsFileName() { return SettingsDir() + "Quorvane.INI"; }

std::string CacheDir() {
  const std::string dir = xdgDir("XDG_CACHE_HOME", ".cache/") + "quorvane/";
  ForceDirectories(dir);
  return dir;
}

std::string DataHomeDir() { return xdgDir("XDG_DATA_HOME", ".local/share/"); }

// ---------------------------------------------------------------------------
// TRegistryStore

namespace {

std::string cleanKey(std::string_view key) {
  std::string k(TrimView(key));
  while (!k.empty() && k.front() == '\\') k.erase(k.begin());
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return k;
}

std::string valueName(std::string_view name) {
  return name.empty() ? std::string("@") : std::string(name);
}

}  // namespace

TRegistryStore::TRegistryStore() : ini_(SettingsDir() + "registry.ini") {}
TRegistryStore::TRegistryStore(std::string fileName) : ini_(std::move(fileName)) {}

std::string TRegistryStore::sectionOf(std::string_view key) const {
  std::string path;
  const std::string k = cleanKey(key);
  if (!key.empty() && TrimView(key).front() == '\\') {
    path = k;  // absolute
  } else {
    // relative to the open key
    std::string cur = current_;
    static const char* roots[] = {"HKEY_CLASSES_ROOT\\", "HKEY_CURRENT_USER\\",
                                  "HKEY_LOCAL_MACHINE\\", "HKEY_USERS\\"};
    for (const char* r : roots)
      if (StartsText(r, cur)) cur.erase(0, std::strlen(r));
    path = cur.empty() ? k : (k.empty() ? cur : cur + "\\" + k);
  }
  switch (RootKey) {
    case TRootKey::HKEY_CURRENT_USER:
      return path;
    case TRootKey::HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT\\" + path;
    case TRootKey::HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE\\" + path;
    case TRootKey::HKEY_USERS:
      return "HKEY_USERS\\" + path;
  }
  return path;
}

bool TRegistryStore::KeyExists(std::string_view key) const {
  const std::string sec = sectionOf(key);
  TStringList sections;
  ini_.ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string s = sections[i];
    if (SameText(s, sec) || StartsText(sec + "\\", s)) return true;
  }
  return false;
}

bool TRegistryStore::OpenKey(std::string_view key, bool canCreate) {
  const std::string sec = sectionOf(key);
  if (!canCreate && !KeyExists(key)) return false;
  current_ = sec;
  return true;
}

bool TRegistryStore::DeleteKey(std::string_view key) {
  const std::string sec = sectionOf(key);
  TStringList sections;
  ini_.ReadSections(sections);
  bool any = false;
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string s = sections[i];
    if (SameText(s, sec) || StartsText(sec + "\\", s)) {
      ini_.EraseSection(s);
      any = true;
    }
  }
  return any;
}

bool TRegistryStore::ValueExists(std::string_view name) const {
  return !current_.empty() && ini_.ValueExists(current_, valueName(name));
}

bool TRegistryStore::DeleteValue(std::string_view name) {
  if (!ValueExists(name)) return false;
  ini_.DeleteKey(current_, valueName(name));
  return true;
}

std::string TRegistryStore::ReadString(std::string_view name) const {
  if (current_.empty()) return {};
  return ini_.ReadString(current_, valueName(name), "");
}

void TRegistryStore::WriteString(std::string_view name, std::string_view value) {
  if (current_.empty()) throw EIniFileException("No registry key is open");
  ini_.WriteString(current_, valueName(name), value);
}

int TRegistryStore::ReadInteger(std::string_view name) const {
  return StrToIntDef(ReadString(name), 0);
}
void TRegistryStore::WriteInteger(std::string_view name, int value) {
  WriteString(name, IntToStr(value));
}
bool TRegistryStore::ReadBool(std::string_view name) const { return ReadInteger(name) != 0; }
void TRegistryStore::WriteBool(std::string_view name, bool value) {
  WriteString(name, value ? "1" : "0");
}

std::string TRegistryStore::ReadBinaryData(std::string_view name) const {
  const std::string hex = ReadString(name);
  std::string out;
  auto nib = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int a = nib(hex[i]), b = nib(hex[i + 1]);
    if (a < 0 || b < 0) return {};
    out += static_cast<char>(a * 16 + b);
  }
  return out;
}

void TRegistryStore::WriteBinaryData(std::string_view name, std::string_view bytes) {
  std::string hex;
  for (char c : bytes) hex += IntToHex(static_cast<unsigned char>(c), 2);
  WriteString(name, hex);
}

void TRegistryStore::GetValueNames(TStrings& names) const {
  names.Clear();
  if (current_.empty()) return;
  TStringList keys;
  ini_.ReadSection(current_, keys);
  for (int i = 0; i < keys.Count(); ++i) names.Add(keys[i] == "@" ? std::string() : keys[i]);
}

void TRegistryStore::GetKeyNames(TStrings& names) const {
  names.Clear();
  const std::string prefix = current_.empty() ? std::string() : current_ + "\\";
  TStringList sections;
  ini_.ReadSections(sections);
  TStringList found;
  found.SetSorted(false);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string s = sections[i];
    if (!StartsText(prefix, s) || s.size() == prefix.size()) continue;
    std::string rest = s.substr(prefix.size());
    const size_t p = rest.find('\\');
    if (p != std::string::npos) rest.resize(p);
    if (found.IndexOf(rest) < 0) found.Add(rest);
  }
  names.AddStrings(found);
}

}  // namespace qv
