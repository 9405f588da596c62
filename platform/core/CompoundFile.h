// Compound documents (OLE structured storage): a file system in one file,
// made of storages (folders) and streams (byte sequences). Excel workbooks
// of Excel 5 and later keep their records in the stream "Workbook" or
// "Book" of such a document.
//
// Format (all integers little-endian): a 512-byte header, then sectors of
// 512 bytes (version 3; version 4 files with 4096-byte sectors are read
// too). The FAT chains sectors together (a sector index per sector; ENDOF-
// CHAIN ends a chain); the FAT's own sectors are listed in the header (the
// first 109) and in DIFAT sectors (127 more each, chained). The directory is
// a chain of 128-byte entries: name (UTF-16, at most 31 units), type,
// colour, left and right sibling and child ids, CLSID, state bits, times,
// start sector and size. The elements of a storage form a red-black tree of
// siblings ordered by name length, then by the upper-cased names. Streams
// under 4096 bytes live in the mini stream (64-byte mini sectors chained by
// the mini FAT), which is itself held in the root entry's sector chain.
//
// Reading: TCompoundFile takes the whole file and checks the header, the
// FAT, the directory and the tree when it is made, and each stream's chain
// when it is read. A damaged file fails with ECompoundFileError: "Not a
// compound file", or "Compound file is damaged: " and what is wrong (a
// sector index outside the file or the FAT, a chain or tree that loops, a
// stream longer than its chain, a bad directory entry). Nothing is
// allocated beyond what the file holds.
//
// Writing: WriteCompoundFile builds a version 3 document from a tree of
// TCompoundItem (the root's own name is not used): streams under 4096 bytes
// go to the mini stream, the FAT grows DIFAT sectors when it needs more than
// 109 sectors (files over about 7 MB), the siblings of each storage form a
// balanced tree with every node black. SaveCompoundFile writes it to a file
// atomically (a failed save leaves the old file as it was).
//
//   TCompoundItem root;
//   root.Items.push_back(TCompoundItem::Stream("Workbook", biff));
//   root.Items.push_back(file.CopyStorage(file.Find(file.Root(), "_VBA_PROJECT_CUR")));
//   SaveCompoundFile("out.xls", root);
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"

namespace qv {

QV_DECLARE_EXCEPTION(ECompoundFileError, EStreamError)

enum TCompoundEntryType : std::uint8_t {
  cetEmpty = 0,
  cetStorage = 1,
  cetStream = 2,
  cetRoot = 5,
};

using TClsid = std::array<std::uint8_t, 16>;

// An element of a document in memory: a stream with its bytes, or a storage
// with its elements (in any order; the file orders them itself).
struct TCompoundItem {
  std::string Name;  // UTF-8; at most 31 UTF-16 units, none of / \ : !
  bool IsStorage = false;
  std::string Data;                  // a stream's bytes
  std::vector<TCompoundItem> Items;  // a storage's elements
  TClsid Clsid{};                    // storages
  std::uint32_t StateBits = 0;       // storages
  std::uint64_t CreationTime = 0;    // storages: FILETIME, 100 ns since 1601
  std::uint64_t ModifiedTime = 0;

  static TCompoundItem Stream(std::string name, std::string data);
  static TCompoundItem Storage(std::string name, std::vector<TCompoundItem> items = {});
  // The element of that name (compared as the file compares names: without
  // regard to case), or nullptr.
  const TCompoundItem* Find(std::string_view name) const;
  TCompoundItem* Find(std::string_view name);
};

// A directory entry as the file holds it.
struct TCompoundEntry {
  std::string Name;  // UTF-8
  TCompoundEntryType Type = cetEmpty;
  std::uint64_t Size = 0;  // streams (root: the mini stream)
  std::uint32_t StartSector = 0;
  TClsid Clsid{};
  std::uint32_t StateBits = 0;
  std::uint64_t CreationTime = 0;
  std::uint64_t ModifiedTime = 0;
};

class TCompoundFile {
 public:
  // Parses and checks the document; ECompoundFileError when it is none or
  // damaged.
  explicit TCompoundFile(std::string bytes);
  // EFOpenError when the file cannot be read.
  static TCompoundFile LoadFromFile(const std::string& fileName);

  TCompoundFile(TCompoundFile&&) noexcept = default;
  TCompoundFile& operator=(TCompoundFile&&) noexcept = default;
  TCompoundFile(const TCompoundFile&) = delete;
  TCompoundFile& operator=(const TCompoundFile&) = delete;

  // Entry ids: the root storage is 0.
  int Root() const { return 0; }
  const TCompoundEntry& Entry(int id) const;
  // The elements of a storage in the file's order (name length, then the
  // upper-cased names); empty for a stream.
  const std::vector<int>& Children(int storage) const;
  // The element of a storage with that name (without regard to case), or -1.
  int Find(int storage, std::string_view name) const;
  // A stream's bytes; ECompoundFileError for a damaged chain or an entry
  // that is no stream.
  std::string ReadStream(int id) const;
  // A storage with everything in it, streams read.
  TCompoundItem CopyStorage(int id) const;

 private:
  std::vector<std::uint32_t> chain(std::uint32_t start, std::uint64_t bytes, bool mini,
                                   const std::string& what) const;
  std::string readChain(std::uint32_t start, std::uint64_t size, bool mini,
                        const std::string& what) const;
  const std::uint8_t* sector(std::uint32_t index) const;

  std::string data_;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t sectorCount_ = 0;  // sectors present in the file (the last may be partial)
  std::uint32_t miniCutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::string miniStream_;
  std::vector<TCompoundEntry> entries_;
  std::vector<std::vector<int>> children_;
};

// Whether the bytes, or the file's first bytes, carry the signature of a
// compound document (D0 CF 11 E0 A1 B1 1A E1).
bool IsCompoundFile(std::string_view bytes);
bool IsCompoundFileName(const std::string& fileName);

// The document of root's elements. ECompoundFileError for a bad or repeated
// name in a storage, or a stream over 2 GB.
std::string WriteCompoundFile(const TCompoundItem& root);
void SaveCompoundFile(const std::string& fileName, const TCompoundItem& root);

}  // namespace qv
