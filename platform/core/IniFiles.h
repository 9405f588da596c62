// INI files with the semantics of the Windows profile functions, and the
// settings folder of the program.
//
// Reading: sections "[name]" and keys "name=value" are matched without
// regard to case; the first matching section and, inside it, the first
// matching key win; the value is everything after the first "=", with outer
// blanks removed and one pair of matching quotes ('' or "") stripped. Lines
// that are neither a section, a key line nor a comment (";" or "#") are
// tolerated: they are kept when the file is written back and never match.
//
// Writing: an existing key line is replaced in place (other lines,
// comments and order stay as they were); a new key is appended after the
// last key line of its section; a new section is appended at the end of
// the file after an empty line. Values whose outer blanks or quotes would
// be lost on reading are written inside an extra pair of double quotes,
// and line breaks inside values are written as blanks, so every written
// value reads back as it was written (except for line breaks).
//
// TIniFile writes through to disk on every change (as the profile functions
// do), atomically; TMemIniFile collects changes until UpdateFile. Both
// re-read the file when it changed on disk since they last looked (another
// inode, size or modification time, or a save by another object of this
// process).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

QV_DECLARE_EXCEPTION(EIniFileException, Exception)

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName, bool writeThrough);
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;
  virtual ~TCustomIniFile();

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) const;
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  // Decimal or hexadecimal ("0x1F", "$1F"); the default when absent or not a number.
  int ReadInteger(std::string_view section, std::string_view ident, int def) const;
  void WriteInteger(std::string_view section, std::string_view ident, int value);
  // Any non-zero integer is true; written as "1" or "0".
  bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
  void WriteBool(std::string_view section, std::string_view ident, bool value);
  // Written with "." as decimal separator and 15 significant digits; read
  // with "." and, failing that, with the locale's separator.
  double ReadFloat(std::string_view section, std::string_view ident, double def) const;
  void WriteFloat(std::string_view section, std::string_view ident, double value);

  // Keys of a section in file order (first occurrence of each).
  void ReadSection(std::string_view section, TStrings& strings) const;
  // Section names in file order (first occurrence of each).
  void ReadSections(TStrings& strings) const;
  // "key=value" lines of a section, values as ReadString gives them.
  void ReadSectionValues(std::string_view section, TStrings& strings) const;
  // Removes every section of that name with all its lines.
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view ident);
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;

  // Writes pending changes (TMemIniFile); raises EFCreateError/EWriteError
  // when the file cannot be written, the old file staying as it was.
  void UpdateFile();
  // Forgets unsaved changes and reads the file again.
  void Reload();

 private:
  struct Line {
    std::string text;  // the line as it stands in the file
    int kind;          // 0 other, 1 section, 2 key, 3 comment or blank
    std::string name;  // section name or key, trimmed
  };
  void refresh() const;
  void changed();
  int findSection(std::string_view section) const;             // line index of header, -1
  int findKey(int sectionLine, std::string_view ident) const;  // line index, -1
  int sectionEnd(int sectionLine) const;                       // first line after the section
  static Line parseLine(std::string text);
  static std::string valueOf(const Line& line);

  std::string fileName_;
  bool writeThrough_;
  mutable std::vector<Line> lines_;
  mutable std::string lineBreak_ = "\r\n";
  mutable bool loaded_ = false;
  mutable int64_t stampSize_ = -1;
  mutable int64_t stampTime_ = -1;
  mutable uint64_t stampInode_ = 0;
  mutable uint64_t stampGeneration_ = 0;
  bool dirty_ = false;
};

// Every write goes to disk at once.
class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(std::string fileName) : TCustomIniFile(std::move(fileName), true) {}
};

// Changes stay in memory until UpdateFile (also called by the destructor,
// which swallows a failure; call UpdateFile yourself to see errors).
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName), false) {}
  ~TMemIniFile() override;
};

// The program's settings folder: $XDG_CONFIG_HOME/quorvane, or
// ~/.config/quorvane when XDG_CONFIG_HOME is unset or not absolute;
// created when missing. Returned with a trailing '/'.
std::string SettingsDir();
// SettingsDir() + "Quorvane.INI".
std::string SettingsFileName();
// $XDG_CACHE_HOME/quorvane/ (default ~/.cache/quorvane/), created on demand.
std::string CacheDir();
// $XDG_DATA_HOME (default ~/.local/share/), with trailing '/'; not created.
std::string DataHomeDir();

// Registry roots.
enum class TRootKey { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS };

// The registry stand-in: an INI file "registry.ini" in SettingsDir() (or a
// given file). A key path such as "Software\Quorvane\Explorer" is a
// section; keys under HKEY_CURRENT_USER use the path as it stands, keys of
// other roots are prefixed with the root's name ("HKEY_CLASSES_ROOT\.mff").
// The default value of a key (empty name) is stored under "@". Binary data
// is stored as upper-case hexadecimal.
class TRegistryStore {
 public:
  TRegistryStore();
  explicit TRegistryStore(std::string fileName);

  TRootKey RootKey = TRootKey::HKEY_CURRENT_USER;

  // Leading and trailing backslashes are ignored; a key opened without
  // canCreate must exist (have been created or hold values).
  bool OpenKey(std::string_view key, bool canCreate);
  bool OpenKeyReadOnly(std::string_view key) { return OpenKey(key, false); }
  void CloseKey() { current_.clear(); }
  const std::string& CurrentPath() const { return current_; }
  bool KeyExists(std::string_view key) const;
  // Removes the key, its values and every key below it.
  bool DeleteKey(std::string_view key);

  bool ValueExists(std::string_view name) const;
  bool DeleteValue(std::string_view name);
  // Missing values read as "" / 0 / false, as the stand-in has no types.
  std::string ReadString(std::string_view name) const;
  void WriteString(std::string_view name, std::string_view value);
  int ReadInteger(std::string_view name) const;
  void WriteInteger(std::string_view name, int value);
  bool ReadBool(std::string_view name) const;
  void WriteBool(std::string_view name, bool value);
  std::string ReadBinaryData(std::string_view name) const;
  void WriteBinaryData(std::string_view name, std::string_view bytes);
  void GetValueNames(TStrings& names) const;
  void GetKeyNames(TStrings& names) const;  // direct sub-keys of the open key

 private:
  std::string sectionOf(std::string_view key) const;
  std::string current_;  // section of the open key, "" when none
  TIniFile ini_;
};

}  // namespace qv
