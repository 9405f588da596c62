#include "app/AppPaths.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <ctime>

namespace qv {

std::string ProgramFile() {
  const QString f = QCoreApplication::applicationFilePath();
  return f.toStdString();
}

std::string ProgramFolder() {
  return IncludeTrailingPathDelimiter(QCoreApplication::applicationDirPath().toStdString());
}

std::string ExamplesFolder() {
  const std::string program = ProgramFolder();
  const std::string candidates[] = {
      program + "examples",
      program + "../share/quorvane/examples",
#ifdef QV_EXAMPLES_DIR
      QV_EXAMPLES_DIR,
#endif
  };
  for (const std::string& c : candidates)
    if (DirectoryExists(c)) return IncludeTrailingPathDelimiter(ExpandFileName(c));
  return {};
}

std::string ModelFolder() {
  const std::string examples = ExamplesFolder();
  if (!examples.empty()) return ExcludeTrailingPathDelimiter(examples);
  return QDir::homePath().toStdString();
}

TDateTime FileModifiedTime(const std::string& FileName) {
  struct stat st {};
  if (::stat(FileName.c_str(), &st) != 0) return 0;
  std::tm local{};
  const std::time_t t = st.st_mtime;
  localtime_r(&t, &local);
  TDateTime date = 0, time = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0, time);
  return date + time;
}

}  // namespace qv
