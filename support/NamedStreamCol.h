// TNamedStreams: a set of named binary streams held in memory and saved
// together as one stream or file, optionally compressed (LZH, lh5) and
// enciphered (Blowfish). The main window keeps its model files in one, the
// data sheet window its sheet documents.
//
// Saved form (integers little-endian):
//   byte 0   '&' when the payload is compressed, else ' '
//   byte 1   '*' when it is enciphered, else ' '
//   payload  the body; compressed (32-bit length, then the lh5 code) when
//            flagged; then padded and enciphered in 8-byte blocks when
//            flagged (see NamedStreamRoutines.h)
//   body     signature 01 02 03 04 05 06 07 08, a signed 32-bit item
//            count, then per item a 16-bit name length, the name bytes, a
//            signed 32-bit data size and the data.
// On reading, a first byte other than '&' means "not compressed" and a
// second byte other than '*' "not enciphered".
//
// Items are kept, and saved, in ascending order of their names compared
// case-insensitively with a fixed ASCII fold (the same on every machine,
// whatever the user's locale); names that differ only in case are one item,
// spelled as first added. Names are stored as their bytes (UTF-8 in memory).
//
// Failures: loading never changes the collection unless the whole input
// parses. A damaged input, a wrong or empty key, or input that is no
// collection at all calls OnCorrupt and raises ECorruptFile "File is
// corrupt."; every count, length and size is checked against the bytes
// that remain before it is used. Saving builds the whole output before it
// writes anything, and SaveToFile replaces the file atomically, so a failed
// save (a weak key, a full disk) leaves the old file as it was.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/NamedStreamRoutines.h"

namespace qv {

class TStream;

class TNamedStreams {
 public:
  // Asked for the key when an enciphered collection is loaded; the handler
  // sees the current Key and may change it.
  using TOnAskForKey = std::function<void(TNamedStreams& Sender, std::string& Key)>;
  using TCorruptEvent = std::function<void(TNamedStreams& Sender)>;

  TNamedStreams();
  ~TNamedStreams();
  TNamedStreams(const TNamedStreams&) = delete;
  TNamedStreams& operator=(const TNamedStreams&) = delete;

  // Compress on save; set from the file on load.
  bool Compressed = true;
  // Encipher on save (only with a non-empty Key); set from the file on load.
  bool Encrypted = false;
  // The cipher key; its bytes are the key material.
  std::string Key;
  TOnAskForKey OnAskForKey;
  // Told before ECorruptFile is raised.
  TCorruptEvent OnCorrupt;

  // Copies the whole content of Stream, from its first byte, under Name;
  // an existing item of that name (any case) gets the new data and keeps
  // its spelling. Nothing happens for an empty name or a null stream.
  // Names longer than 65535 bytes and data longer than 2^31-1 bytes raise
  // EInvalidOperation, as the saved form cannot hold them.
  void AddStream(const std::string& Name, TStream* Stream);
  // Appends the item's data to Dest at its position (nothing when there is
  // no such item), then rewinds Dest. An empty name does nothing at all.
  void GetStream(const std::string& Name, TStream& Dest) const;
  // Removes every item; Key and the flags stay.
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }

  // Writes the flags and payload at Dest's position. Raises Exception for
  // a weak key instead of writing plain data under the cipher flag.
  void SaveToStream(TStream& Dest) const;
  // Reads Source from its first byte to its end and replaces the items.
  // When all of it parses, Key becomes the key used (the one OnAskForKey
  // gave), and Compressed and Encrypted follow the file's flags.
  void LoadFromStream(TStream& Source);
  // Atomic replacement of the file; EFCreateError/EWriteError on failure.
  void SaveToFile(const std::string& FileName) const;
  // EFOpenError when the file cannot be read, before anything changes.
  void LoadFromFile(const std::string& FileName);

  // True when Bytes start the way a saved collection starts: a known
  // compression or cipher flag, or two blanks followed by the signature.
  // Input without such a header is not a collection (a plain text file).
  static bool HasCollectionHeader(std::string_view Bytes);

 private:
  struct Item {
    std::string name;
    std::string data;
  };
  using Items = std::vector<Item>;
  std::string SaveToBytes() const;
  void LoadFromBytes(std::string_view bytes);
  static void Put(Items& items, const std::string& name, std::string data);
  const Item* Find(const std::string& name) const;
  [[noreturn]] void Corrupt();

  Items items_;
};

}  // namespace qv
