// Text readers of the platform layer on arbitrary bytes: INI files, string
// list text, number and date parsing, picture formatting, code pages.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Codepage.h"
#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string in(reinterpret_cast<const char*>(data), size);
  const auto part = [&](size_t pos, size_t n) {
    return pos < in.size() ? in.substr(pos, n) : std::string();
  };
  FormatSettings() = TFormatSettings::Invariant();

  static const std::string path = [] {
    const std::string dir = std::filesystem::temp_directory_path().string() + "/qv-fuzz-core-" +
                            std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    return dir + "/fuzz.ini";
  }();
  {
    TFileStream f(path, fmCreate);  // plain write: no flush to disk per input
    f.WriteString(in);
  }
  {
    TIniFile ini(path);
    TStringList sections, values;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count() && i < 8; ++i) {
      ini.ReadSectionValues(sections[i], values);
      ini.ReadInteger(sections[i], "x", 0);
    }
    if (size % 16 == 0) {  // writing flushes to disk: only for some inputs
      ini.WriteString("Fuzz", part(0, 16), part(16, 64));
      ini.EraseSection(sections.Count() ? sections[0] : "none");
    }
  }

  TStringList l;
  l.SetText(in);
  l.SetCommaText(in);
  (void)l.Text();

  double d;
  int n;
  TDateTime t;
  TryStrToFloat(in, d);
  TryStrToInt(in, n);
  TryStrToDateTime(in, t);
  (void)FormatFloat(in.substr(0, 40), 1234.5678);
  (void)FormatFloat(in.substr(0, 40), -0.001);
  (void)FormatDateTime(in.substr(0, 40), 38000.5);
  try {
    (void)Format(in.substr(0, 40), 1, 2.5, "s");
  } catch (const EConvertError&) {
  }
  (void)Utf8ToCp1252(in);
  (void)Cp1252ToUtf8(in);
  (void)Utf16ToUtf8(Utf8ToUtf16(in));
  return 0;
}

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back("[Main]\r\nName = \"quoted\" \r\nNormPos(1920x1080)=1,2,3,4\r\n");
  seeds->push_back("#,##0.###;(0.00);'zero'");
  seeds->push_back("hh:nn:ss:zz dddd mmmm yyyy am/pm");
  seeds->push_back("%0.7g %6d:%3d %-5s %.*n %1:s");
  seeds->push_back("07/03/2005 14:05:09");
  seeds->push_back("\"a b\",c,\"d\"\"e\"");
}
