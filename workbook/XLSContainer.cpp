#include "workbook/XLSContainer.h"

#include "platform/core/CompoundFile.h"

namespace qv {

bool IsCompoundDocument(std::string_view fileBytes) { return IsCompoundFile(fileBytes); }

std::string ReadWorkbookStream(std::string fileBytes, TExtraObjects* keep) {
  try {
    TCompoundFile doc{std::move(fileBytes)};
    int book = -1, workbook = -1;
    for (int id : doc.Children(doc.Root())) {
      const TCompoundEntry& e = doc.Entry(id);
      if (e.Type == cetStream && SameText(e.Name, "Book")) {
        book = id;
      } else if (e.Type == cetStream && SameText(e.Name, "Workbook")) {
        workbook = id;
      } else if (e.Type == cetStorage && keep) {
        keep->Add(doc.CopyStorage(id));
      }
    }
    if (book < 0 && workbook < 0) throw EXLSError("File is not a Excel Workbook");
    return doc.ReadStream(workbook >= 0 ? workbook : book);
  } catch (const ECompoundFileError& e) {
    throw EXLSError(e.Message());
  }
}

std::string WriteWorkbookDocument(const std::string& streamName, std::string_view records,
                                  const TExtraObjects* extra) {
  TCompoundItem root = TCompoundItem::Storage("Root Entry");
  root.Items.push_back(TCompoundItem::Stream(streamName, std::string(records)));
  if (extra)
    for (const TCompoundItem& s : extra->Items()) root.Items.push_back(s);
  return WriteCompoundFile(root);
}

}  // namespace qv
