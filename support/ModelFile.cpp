#include "support/ModelFile.h"

#include "platform/core/Classes.h"
#include "platform/core/Codepage.h"

namespace qv {
namespace {

// The lines of a list, each ended by CR LF, whatever the list's own break.
std::string CrLfText(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    text += lines[i];
    text += "\r\n";
  }
  return text;
}

void LoadText(TStrings& lines, std::string_view bytes) {
  TMemoryStream ms(ToUtf8Guess(bytes));
  lines.LoadFromStream(ms);
}

}  // namespace

void SetupModelCollection(TNamedStreams& Collection) {
  Collection.Compressed = true;
  Collection.Encrypted = true;
  Collection.Key = ModelFileKey;
  Collection.OnAskForKey = [](TNamedStreams&, std::string& key) { key = ModelFileKey; };
}

void SaveModelFile(TNamedStreams& Collection, const std::string& FileName, const TStrings& Lines) {
  Collection.Clear();
  TStringList head;
  head.Add("Quorvane File");
  head.Add("Version 1.0");
  TMemoryStream ms(CrLfText(head));
  Collection.AddStream("headfile", &ms);
  ms.Clear();
  ms.WriteString(CrLfText(Lines));
  Collection.AddStream("quorvanefile", &ms);
  Collection.SaveToFile(FileName);
}

void SaveModelFile(const std::string& FileName, const TStrings& Lines) {
  TNamedStreams collection;
  SetupModelCollection(collection);
  SaveModelFile(collection, FileName, Lines);
}

bool LoadModelFile(TNamedStreams& Collection, const std::string& FileName, TStrings& Lines) {
  const std::string bytes = readFileBytes(FileName);
  if (!TNamedStreams::HasCollectionHeader(bytes)) {
    LoadText(Lines, bytes);
    return false;
  }
  Collection.Clear();
  TMemoryStream file(bytes);
  Collection.LoadFromStream(file);

  TMemoryStream head;
  Collection.GetStream("headfile", head);
  TStringList headLines;
  headLines.LoadFromStream(head);
  // The two header lines are not compared with anything, but a collection
  // without them is not a model file.
  if (headLines.Count() < 2) {
    if (Collection.OnCorrupt) Collection.OnCorrupt(Collection);
    throw ECorruptFile(SFileCorrupt);
  }
  TMemoryStream model;
  Collection.GetStream("quorvanefile", model);
  LoadText(Lines, model.View());
  return true;
}

bool LoadModelFile(const std::string& FileName, TStrings& Lines) {
  TNamedStreams collection;
  SetupModelCollection(collection);
  return LoadModelFile(collection, FileName, Lines);
}

}  // namespace qv
