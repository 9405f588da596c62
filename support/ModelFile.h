// The model file (".mff"): a stream collection, compressed and enciphered
// with the model key, holding the streams "headfile" (the lines
// "Quorvane File" and "Version 1.0") and "quorvanefile" (the model text),
// each a list of lines ended by CR LF. The main window and the engine test
// driver both read and write model files through these functions.
#pragma once

#include <string>

#include "support/NamedStreamCol.h"

namespace qv {

class TStrings;

// The key of the main window's collection; the key handler of that
// collection answers with the same key, so such files always open.
inline constexpr const char* ModelFileKey = "blorvintaxeq";

// Sets a collection up as the main window's: compressed, enciphered with
// ModelFileKey, and an OnAskForKey handler that gives ModelFileKey.
void SetupModelCollection(TNamedStreams& Collection);

// Saves Lines as a model file through Collection (cleared first), which
// must be set up as above. The file is replaced atomically: on failure the
// old file stays as it was and the error (EFCreateError, EWriteError)
// passes to the caller.
void SaveModelFile(TNamedStreams& Collection, const std::string& FileName, const TStrings& Lines);
void SaveModelFile(const std::string& FileName, const TStrings& Lines);

// Reads a model file into Lines and returns true. A file without a
// collection header is read as plain text instead (returning false). A
// file that has the header but does not load (damaged, enciphered with
// another key, or without a "headfile" of two lines) raises ECorruptFile
// "File is corrupt." and leaves Lines as they were; a file that cannot be
// read raises EFOpenError. A collection without "quorvanefile" gives no
// lines. Text that is not valid UTF-8 is taken as Windows-1252.
bool LoadModelFile(TNamedStreams& Collection, const std::string& FileName, TStrings& Lines);
bool LoadModelFile(const std::string& FileName, TStrings& Lines);

}  // namespace qv
