#include "app/FileTypes.h"

#include <sstream>
#include <vector>

#include "app/AppPaths.h"
#include "platform/core/Classes.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Process.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

std::string ReadAll(const std::string& file) {
  try {
    TStringList l;
    l.LoadFromFile(file);
    return l.Text();
  } catch (const std::exception&) {
    return {};
  }
}

// Writes a file when its content differs from Text; true when it wrote.
bool WriteIfChanged(const std::string& file, const std::string& text) {
  if (FileExists(file) && ReadAll(file) == text) return false;
  ForceDirectories(ExtractFileDir(file));
  writeFileAtomic(file, text);
  return true;
}

// A default value of a key, written only when it differs.
void WriteDefault(TRegistryStore& reg, const std::string& key, const std::string& value) {
  reg.CloseKey();  // keys open relative to an open one
  if (!reg.OpenKey(key, true)) return;
  if (!reg.ValueExists("") || reg.ReadString("") != value) reg.WriteString("", value);
}

std::string XmlEscape(const std::string& s) {
  std::string r;
  for (char c : s) {
    switch (c) {
      case '&':
        r += "&amp;";
        break;
      case '<':
        r += "&lt;";
        break;
      case '>':
        r += "&gt;";
        break;
      case '"':
        r += "&quot;";
        break;
      default:
        r += c;
    }
  }
  return r;
}

// A desktop entry's Exec argument: quoted, with the characters the entry
// format reserves escaped.
std::string DesktopQuote(const std::string& s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') r += '\\';
    r += c;
  }
  return r + "\"";
}

void WriteDesktopEntry(const std::string& exe, const std::string& mime) {
  const std::string file = DataHomeDir() + "applications/quorvane.desktop";
  // Keep the MIME types registered before.
  std::vector<std::string> types;
  std::istringstream in(ReadAll(file));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("MimeType=", 0) != 0) continue;
    std::istringstream list(line.substr(9));
    for (std::string t; std::getline(list, t, ';');)
      if (!t.empty()) types.push_back(t);
  }
  bool known = false;
  for (const auto& t : types) known |= t == mime;
  if (!known) types.push_back(mime);
  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Quorvane\n"
      "Comment=Curve fitting and global optimisation\n"
      "Exec=" +
      DesktopQuote(exe) + " %f\nTerminal=false\nCategories=Science;Math;\nMimeType=";
  for (const auto& t : types) text += t + ";";
  text += "\n";
  WriteIfChanged(file, text);
}

}  // namespace

std::string FileTypeMime(const std::string& TypeName) {
  return "application/x-" + LowerCase(TypeName);
}

void RegisterFileType(const std::string& Ext, const std::string& TypeName,
                      const std::string& Description, const std::string& OpenCommandExe,
                      const std::string& IconValue) {
  const std::string bare = StringReplace(Ext, ".", "", rfReplaceAll);
  if (bare.empty() || OpenCommandExe.empty()) return;
  const std::string ext = "." + bare;
  const std::string type = TypeName.empty() ? bare + "_auto_file" : TypeName;
  try {
    TRegistryStore reg;
    reg.RootKey = TRootKey::HKEY_CLASSES_ROOT;
    WriteDefault(reg, ext, type);
    WriteDefault(reg, type, Description);
    if (!IconValue.empty()) WriteDefault(reg, type + "\\DefaultIcon", IconValue);
    WriteDefault(reg, type + "\\shell\\open\\command", OpenCommandExe + " %1");
  } catch (const std::exception&) {
  }
  try {
    const std::string mime = FileTypeMime(type);
    const std::string package =
        DataHomeDir() + "mime/packages/quorvane-" + LowerCase(type) + ".xml";
    const bool changed = WriteIfChanged(
        package,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
            XmlEscape(mime) + "\">\n    <comment>" + XmlEscape(Description) +
            "</comment>\n    <glob pattern=\"*" + XmlEscape(LowerCase(ext)) +
            "\"/>\n  </mime-type>\n</mime-info>\n");
    WriteDesktopEntry(OpenCommandExe, mime);
    // The desktop reads the packages through its cache.
    if (changed) RunProcess("update-mime-database", {DataHomeDir() + "mime"}, 20000);
  } catch (const std::exception&) {
  }
}

void RegisterLegacyFileType() {
  try {
    TRegistryStore reg;
    reg.RootKey = TRootKey::HKEY_CLASSES_ROOT;
    WriteDefault(reg, "QuorvaneFiles", "Quorvane Files");
    // The extension itself is given to "QuorvaneFile" by RegisterFileType.
    WriteDefault(reg, "QuorvaneFiles\\Shell\\open\\command", ProgramFile() + " %1");
  } catch (const std::exception&) {
  }
}

}  // namespace qv
