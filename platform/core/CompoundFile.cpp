#include "platform/core/CompoundFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/core/Codepage.h"

namespace qv {

namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kHeaderSize = 512;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kEntrySize = 128;
constexpr int kHeaderDifatEntries = 109;
constexpr int kMaxStorageDepth = 256;
constexpr std::uint64_t kMaxStreamSize = 0x80000000u;  // version 3 limit

[[noreturn]] void damaged(const std::string& what) {
  throw ECompoundFileError("Compound file is damaged: " + what);
}

std::uint32_t u32(const std::uint8_t* p) { return readLE<std::uint32_t>(p); }
std::uint16_t u16(const std::uint8_t* p) { return readLE<std::uint16_t>(p); }

// The upper case of a UTF-16 unit as the directory compares names: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic letters.
char16_t upperUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return (c & 1) != 0 ? static_cast<char16_t>(c - 1) : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) == 0 ? static_cast<char16_t>(c - 1) : c;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

std::u16string upperName(std::string_view utf8) {
  std::u16string u = Utf8ToUtf16(utf8);
  for (char16_t& c : u) c = upperUnit(c);
  return u;
}

// The directory order: shorter names first, then the upper-cased units.
int compareNames(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

// ---------------------------------------------------------------------------
// Items.

TCompoundItem TCompoundItem::Stream(std::string name, std::string data) {
  TCompoundItem i;
  i.Name = std::move(name);
  i.Data = std::move(data);
  return i;
}

TCompoundItem TCompoundItem::Storage(std::string name, std::vector<TCompoundItem> items) {
  TCompoundItem i;
  i.Name = std::move(name);
  i.IsStorage = true;
  i.Items = std::move(items);
  return i;
}

const TCompoundItem* TCompoundItem::Find(std::string_view name) const {
  const std::u16string key = upperName(name);
  for (const TCompoundItem& i : Items)
    if (compareNames(upperName(i.Name), key) == 0) return &i;
  return nullptr;
}

TCompoundItem* TCompoundItem::Find(std::string_view name) {
  return const_cast<TCompoundItem*>(std::as_const(*this).Find(name));
}

bool IsCompoundFile(std::string_view bytes) {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

bool IsCompoundFileName(const std::string& fileName) {
  try {
    TFileStream f(fileName, fmOpenRead | fmShareDenyNone);
    char head[8];
    return f.Read(head, 8) == 8 && IsCompoundFile(std::string_view(head, 8));
  } catch (const Exception&) {
    return false;
  }
}

// ---------------------------------------------------------------------------
// Reading.

TCompoundFile TCompoundFile::LoadFromFile(const std::string& fileName) {
  return TCompoundFile(readFileBytes(fileName));
}

const std::uint8_t* TCompoundFile::sector(std::uint32_t index) const {
  return reinterpret_cast<const std::uint8_t*>(data_.data()) +
         static_cast<size_t>(index + 1) * sectorSize_;
}

std::vector<std::uint32_t> TCompoundFile::chain(std::uint32_t start, std::uint64_t bytes, bool mini,
                                                const std::string& what) const {
  const std::vector<std::uint32_t>& table = mini ? miniFat_ : fat_;
  const std::uint64_t present =
      mini ? miniStream_.size() / kMiniSectorSize : static_cast<std::uint64_t>(sectorCount_);
  const std::uint32_t unit = mini ? kMiniSectorSize : sectorSize_;
  const bool toEnd = bytes == UINT64_MAX;
  const std::uint64_t needed = toEnd ? UINT64_MAX : (bytes + unit - 1) / unit;
  if (!toEnd && needed > present) damaged(what + " is longer than the file");
  std::vector<std::uint32_t> out;
  std::vector<bool> seen(table.size());
  std::uint32_t s = start;
  while (out.size() < needed) {
    if (s == kEndOfChain) {
      if (toEnd) break;
      damaged(what + " is longer than its sector chain");
    }
    if (s > kMaxRegSect || s >= table.size() || s >= present)
      damaged("sector index " + IntToStr(s) + " out of range in " + what);
    if (seen[s]) damaged("the sector chain of " + what + " loops");
    seen[s] = true;
    out.push_back(s);
    s = table[s];
  }
  return out;
}

std::string TCompoundFile::readChain(std::uint32_t start, std::uint64_t size, bool mini,
                                     const std::string& what) const {
  const std::vector<std::uint32_t> sectors = chain(start, size, mini, what);
  std::string out;
  out.reserve(static_cast<size_t>(size));
  const std::uint32_t unit = mini ? kMiniSectorSize : sectorSize_;
  for (std::uint32_t s : sectors) {
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(unit, size - out.size()));
    if (mini)
      out.append(miniStream_, static_cast<size_t>(s) * kMiniSectorSize, n);
    else
      out.append(reinterpret_cast<const char*>(sector(s)), n);
  }
  return out;
}

TCompoundFile::TCompoundFile(std::string bytes) : data_(std::move(bytes)) {
  if (!IsCompoundFile(data_)) throw ECompoundFileError("Not a compound file");
  if (data_.size() < kHeaderSize) damaged("the file is shorter than its header");
  const auto* h = reinterpret_cast<const std::uint8_t*>(data_.data());
  if (u16(h + 28) != 0xFFFE) damaged("wrong byte order mark");
  const std::uint16_t major = u16(h + 26);
  const std::uint16_t shift = u16(h + 30);
  if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
    damaged("unsupported version " + IntToStr(major) + " with sector shift " + IntToStr(shift));
  if (u16(h + 32) != 6) damaged("wrong mini sector size");
  if (u32(h + 56) != kMiniStreamCutoff) damaged("wrong mini stream cutoff");
  sectorSize_ = 1u << shift;
  if (data_.size() < sectorSize_) damaged("the file is shorter than its header");
  // The sectors after the header; a partial last sector reads as zeros.
  const std::uint64_t whole = (data_.size() + sectorSize_ - 1) / sectorSize_;
  if (whole - 1 > kMaxRegSect) damaged("the file is too large");
  sectorCount_ = static_cast<std::uint32_t>(whole - 1);
  data_.resize(static_cast<size_t>(whole) * sectorSize_, '\0');
  h = reinterpret_cast<const std::uint8_t*>(data_.data());

  // The FAT sectors: the header's list, then the DIFAT chain.
  const std::uint32_t fatCount = u32(h + 44);
  if (fatCount > sectorCount_) damaged("more FAT sectors than the file holds");
  std::vector<std::uint32_t> fatSectors;
  for (int i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i)
    fatSectors.push_back(u32(h + 76 + 4 * i));
  {
    std::vector<bool> seen(sectorCount_);
    std::uint32_t s = u32(h + 68);
    const std::uint32_t perSector = sectorSize_ / 4 - 1;
    while (fatSectors.size() < fatCount) {
      if (s >= sectorCount_) damaged("DIFAT sector index " + IntToStr(s) + " out of range");
      if (seen[s]) damaged("the DIFAT chain loops");
      seen[s] = true;
      const std::uint8_t* p = sector(s);
      for (std::uint32_t i = 0; i < perSector && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(u32(p + 4 * i));
      s = u32(p + 4 * perSector);
    }
  }
  fat_.reserve(static_cast<size_t>(fatCount) * (sectorSize_ / 4));
  for (std::uint32_t fs : fatSectors) {
    if (fs >= sectorCount_) damaged("FAT sector index " + IntToStr(fs) + " out of range");
    const std::uint8_t* p = sector(fs);
    for (std::uint32_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(u32(p + 4 * i));
  }

  // The directory.
  const std::vector<std::uint32_t> dirSectors =
      chain(u32(h + 48), UINT64_MAX, false, "the directory");
  const std::uint32_t perDirSector = sectorSize_ / kEntrySize;
  const size_t entryCount = dirSectors.size() * perDirSector;
  if (entryCount == 0) damaged("the directory is empty");
  entries_.resize(entryCount);
  std::vector<std::uint32_t> left(entryCount), right(entryCount), child(entryCount);
  for (size_t id = 0; id < entryCount; ++id) {
    const std::uint8_t* e =
        sector(dirSectors[id / perDirSector]) + (id % perDirSector) * kEntrySize;
    TCompoundEntry& entry = entries_[id];
    const std::uint8_t type = e[66];
    entry.Type = (type == cetStorage || type == cetStream || type == cetRoot)
                     ? static_cast<TCompoundEntryType>(type)
                     : cetEmpty;
    if (entry.Type == cetEmpty) continue;
    const std::uint16_t nameBytes = u16(e + 64);
    if (nameBytes > 64 || nameBytes % 2 != 0)
      damaged("directory entry " + IntToStr(id) + " has a bad name length");
    std::u16string name;
    for (unsigned i = 0; i + 2 < nameBytes; i += 2) name.push_back(u16(e + i));
    entry.Name = Utf16ToUtf8(name);
    left[id] = u32(e + 68);
    right[id] = u32(e + 72);
    child[id] = u32(e + 76);
    std::memcpy(entry.Clsid.data(), e + 80, 16);
    entry.StateBits = u32(e + 96);
    entry.CreationTime = readLE<std::uint64_t>(e + 100);
    entry.ModifiedTime = readLE<std::uint64_t>(e + 108);
    entry.StartSector = u32(e + 116);
    // Version 3 files may carry garbage in the high half of the size.
    entry.Size = major == 3 ? u32(e + 120) : readLE<std::uint64_t>(e + 120);
  }
  if (entries_[0].Type != cetRoot) damaged("the first directory entry is no root");

  // The tree of each storage, walked without recursion; every entry may be
  // reached once only.
  children_.resize(entryCount);
  std::vector<bool> reached(entryCount);
  reached[0] = true;
  std::vector<std::pair<std::uint32_t, int>> storages{{0, 0}};
  for (size_t q = 0; q < storages.size(); ++q) {
    const auto [storage, depth] = storages[q];
    if (depth > kMaxStorageDepth) damaged("storages are nested too deeply");
    std::vector<std::uint32_t> stack;
    std::uint32_t cur = child[storage];
    while (cur != kNoStream || !stack.empty()) {
      while (cur != kNoStream) {
        if (cur >= entryCount) damaged("directory entry index " + IntToStr(cur) + " out of range");
        if (reached[cur]) damaged("the directory tree loops at entry " + IntToStr(cur));
        if (entries_[cur].Type != cetStorage && entries_[cur].Type != cetStream)
          damaged("directory entry " + IntToStr(cur) + " is no storage or stream");
        reached[cur] = true;
        stack.push_back(cur);
        cur = left[cur];
      }
      cur = stack.back();
      stack.pop_back();
      children_[storage].push_back(static_cast<int>(cur));
      if (entries_[cur].Type == cetStorage) storages.push_back({cur, depth + 1});
      cur = right[cur];
    }
  }

  // The mini FAT and the mini stream.
  const std::uint32_t miniFatStart = u32(h + 60);
  if (miniFatStart != kEndOfChain && miniFatStart != kFreeSect) {
    for (std::uint32_t s : chain(miniFatStart, UINT64_MAX, false, "the mini FAT")) {
      const std::uint8_t* p = sector(s);
      for (std::uint32_t i = 0; i < sectorSize_ / 4; ++i) miniFat_.push_back(u32(p + 4 * i));
    }
  }
  const TCompoundEntry& root = entries_[0];
  if (root.Size > 0 && root.StartSector != kEndOfChain)
    miniStream_ = readChain(root.StartSector, root.Size, false, "the mini stream");
}

const TCompoundEntry& TCompoundFile::Entry(int id) const {
  if (id < 0 || static_cast<size_t>(id) >= entries_.size())
    throw ECompoundFileError("Compound file entry " + IntToStr(id) + " does not exist");
  return entries_[static_cast<size_t>(id)];
}

const std::vector<int>& TCompoundFile::Children(int storage) const {
  Entry(storage);
  return children_[static_cast<size_t>(storage)];
}

int TCompoundFile::Find(int storage, std::string_view name) const {
  const std::u16string key = upperName(name);
  for (int id : Children(storage))
    if (compareNames(upperName(entries_[static_cast<size_t>(id)].Name), key) == 0) return id;
  return -1;
}

std::string TCompoundFile::ReadStream(int id) const {
  const TCompoundEntry& e = Entry(id);
  if (e.Type != cetStream) throw ECompoundFileError(quoted(e.Name) + " is no stream");
  if (e.Size == 0) return {};
  const std::string what = "stream " + quoted(e.Name);
  if (e.Size > data_.size()) damaged(what + " is longer than the file");
  return readChain(e.StartSector, e.Size, e.Size < miniCutoff_, what);
}

TCompoundItem TCompoundFile::CopyStorage(int id) const {
  const TCompoundEntry& e = Entry(id);
  if (e.Type != cetStorage && e.Type != cetRoot)
    throw ECompoundFileError(quoted(e.Name) + " is no storage");
  TCompoundItem item = TCompoundItem::Storage(e.Name);
  item.Clsid = e.Clsid;
  item.StateBits = e.StateBits;
  item.CreationTime = e.CreationTime;
  item.ModifiedTime = e.ModifiedTime;
  for (int c : Children(id)) {
    const TCompoundEntry& ce = entries_[static_cast<size_t>(c)];
    if (ce.Type == cetStorage)
      item.Items.push_back(CopyStorage(c));
    else
      item.Items.push_back(TCompoundItem::Stream(ce.Name, ReadStream(c)));
  }
  return item;
}

// ---------------------------------------------------------------------------
// Writing.

namespace {

struct OutEntry {
  const TCompoundItem* item = nullptr;
  std::u16string name;
  std::u16string upper;
  std::uint8_t type = cetEmpty;
  std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  std::uint32_t start = kEndOfChain;
  std::uint64_t size = 0;
};

void checkName(const TCompoundItem& item, const std::u16string& name) {
  if (name.empty() || name.size() > 31)
    throw ECompoundFileError("Invalid compound file element name " + quoted(item.Name) +
                             ": 1 to 31 characters are allowed");
  for (char16_t c : name)
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!')
      throw ECompoundFileError("Invalid compound file element name " + quoted(item.Name) +
                               ": it holds one of / \\ : !");
}

}  // namespace

std::string WriteCompoundFile(const TCompoundItem& root) {
  // The directory: the root first, then each storage's elements together,
  // each storage's siblings as a balanced tree in name order.
  std::vector<OutEntry> entries(1);
  entries[0].item = &root;
  entries[0].name = u"Root Entry";
  entries[0].type = cetRoot;
  std::vector<std::pair<size_t, int>> queue{{0, 0}};
  for (size_t q = 0; q < queue.size(); ++q) {
    const auto [parent, depth] = queue[q];
    if (depth > kMaxStorageDepth)
      throw ECompoundFileError("Compound file storages are nested too deeply");
    const TCompoundItem& storage = *entries[parent].item;
    std::vector<size_t> ids;
    for (const TCompoundItem& it : storage.Items) {
      OutEntry e;
      e.item = &it;
      e.name = Utf8ToUtf16(it.Name);
      checkName(it, e.name);
      e.upper = e.name;
      for (char16_t& c : e.upper) c = upperUnit(c);
      e.type = it.IsStorage ? cetStorage : cetStream;
      if (!it.IsStorage) {
        if (it.Data.size() > kMaxStreamSize)
          throw ECompoundFileError("Stream " + quoted(it.Name) + " is larger than 2 GB");
        e.size = it.Data.size();
      }
      ids.push_back(entries.size());
      entries.push_back(std::move(e));
    }
    std::sort(ids.begin(), ids.end(), [&](size_t a, size_t b) {
      return compareNames(entries[a].upper, entries[b].upper) < 0;
    });
    for (size_t i = 1; i < ids.size(); ++i)
      if (compareNames(entries[ids[i - 1]].upper, entries[ids[i]].upper) == 0)
        throw ECompoundFileError("Two elements of a storage are named " +
                                 quoted(entries[ids[i]].item->Name));
    std::function<std::uint32_t(size_t, size_t)> build = [&](size_t lo, size_t hi) {
      if (lo >= hi) return kNoStream;
      const size_t mid = lo + (hi - lo) / 2;
      OutEntry& node = entries[ids[mid]];
      node.left = build(lo, mid);
      node.right = build(mid + 1, hi);
      return static_cast<std::uint32_t>(ids[mid]);
    };
    entries[parent].child = build(0, ids.size());
    for (size_t id : ids)
      if (entries[id].type == cetStorage) queue.push_back({id, depth + 1});
  }

  // Small streams go to the mini stream, the others to sectors of their own.
  std::string miniStream;
  std::vector<std::uint32_t> miniFat;
  std::uint64_t bigSectors = 0;
  for (OutEntry& e : entries) {
    if (e.type != cetStream || e.size == 0) continue;
    if (e.size < kMiniStreamCutoff) {
      const auto first = static_cast<std::uint32_t>(miniFat.size());
      const auto count =
          static_cast<std::uint32_t>((e.size + kMiniSectorSize - 1) / kMiniSectorSize);
      for (std::uint32_t i = 0; i < count; ++i)
        miniFat.push_back(i + 1 < count ? first + i + 1 : kEndOfChain);
      e.start = first;
      miniStream += e.item->Data;
      miniStream.resize(static_cast<size_t>(first + count) * kMiniSectorSize, '\0');
    } else {
      bigSectors += (e.size + kHeaderSize - 1) / kHeaderSize;
    }
  }
  const std::uint64_t dirSectors = (entries.size() * kEntrySize + kHeaderSize - 1) / kHeaderSize;
  const std::uint64_t miniFatSectors = (miniFat.size() * 4 + kHeaderSize - 1) / kHeaderSize;
  const std::uint64_t miniStreamSectors = (miniStream.size() + kHeaderSize - 1) / kHeaderSize;
  const std::uint64_t base = dirSectors + miniFatSectors + miniStreamSectors + bigSectors;
  // The FAT covers every sector, itself and the DIFAT included.
  constexpr std::uint64_t perFat = kHeaderSize / 4;
  constexpr std::uint64_t perDifat = perFat - 1;
  std::uint64_t fatSectors = 0, difatSectors = 0;
  while (true) {
    const std::uint64_t f = (base + fatSectors + difatSectors + perFat - 1) / perFat;
    const std::uint64_t d =
        f > kHeaderDifatEntries ? (f - kHeaderDifatEntries + perDifat - 1) / perDifat : 0;
    if (f == fatSectors && d == difatSectors) break;
    fatSectors = f;
    difatSectors = d;
  }
  const std::uint64_t total = base + fatSectors + difatSectors;
  if (total > kMaxRegSect) throw ECompoundFileError("Compound file too large");

  // Sector layout: FAT, DIFAT, directory, mini FAT, mini stream, streams.
  std::vector<std::uint32_t> fat(static_cast<size_t>(fatSectors * perFat), kFreeSect);
  std::uint32_t next = 0;
  auto place = [&](std::uint64_t count) {
    const std::uint32_t first = next;
    for (std::uint64_t i = 0; i < count; ++i, ++next)
      fat[next] = i + 1 < count ? next + 1 : kEndOfChain;
    return count == 0 ? kEndOfChain : first;
  };
  for (std::uint64_t i = 0; i < fatSectors; ++i) fat[next++] = kFatSect;
  const std::uint32_t firstDifat = difatSectors > 0 ? next : kEndOfChain;
  for (std::uint64_t i = 0; i < difatSectors; ++i) fat[next++] = kDifSect;
  const std::uint32_t firstDir = place(dirSectors);
  const std::uint32_t firstMiniFat = place(miniFatSectors);
  entries[0].start = place(miniStreamSectors);
  entries[0].size = miniStream.size();
  for (OutEntry& e : entries)
    if (e.type == cetStream && e.size >= kMiniStreamCutoff)
      e.start = place((e.size + kHeaderSize - 1) / kHeaderSize);

  std::string out(static_cast<size_t>((total + 1) * kHeaderSize), '\0');
  auto* o = reinterpret_cast<std::uint8_t*>(out.data());
  auto at = [&](std::uint64_t sectorIndex) { return o + (sectorIndex + 1) * kHeaderSize; };

  // Header.
  std::memcpy(o, kSignature, 8);
  writeLE<std::uint16_t>(o + 24, 0x003E);
  writeLE<std::uint16_t>(o + 26, 3);
  writeLE<std::uint16_t>(o + 28, 0xFFFE);
  writeLE<std::uint16_t>(o + 30, 9);
  writeLE<std::uint16_t>(o + 32, 6);
  writeLE<std::uint32_t>(o + 44, static_cast<std::uint32_t>(fatSectors));
  writeLE<std::uint32_t>(o + 48, firstDir);
  writeLE<std::uint32_t>(o + 56, kMiniStreamCutoff);
  writeLE<std::uint32_t>(o + 60, firstMiniFat);
  writeLE<std::uint32_t>(o + 64, static_cast<std::uint32_t>(miniFatSectors));
  writeLE<std::uint32_t>(o + 68, firstDifat);
  writeLE<std::uint32_t>(o + 72, static_cast<std::uint32_t>(difatSectors));
  for (int i = 0; i < kHeaderDifatEntries; ++i)
    writeLE<std::uint32_t>(o + 76 + 4 * i, static_cast<std::uint64_t>(i) < fatSectors
                                               ? static_cast<std::uint32_t>(i)
                                               : kFreeSect);
  // DIFAT sectors: the FAT sectors after the first 109, then the next one.
  for (std::uint64_t d = 0; d < difatSectors; ++d) {
    std::uint8_t* p = at(fatSectors + d);
    for (std::uint64_t i = 0; i < perDifat; ++i) {
      const std::uint64_t fs = kHeaderDifatEntries + d * perDifat + i;
      writeLE<std::uint32_t>(p + 4 * i,
                             fs < fatSectors ? static_cast<std::uint32_t>(fs) : kFreeSect);
    }
    writeLE<std::uint32_t>(p + 4 * perDifat, d + 1 < difatSectors
                                                 ? firstDifat + static_cast<std::uint32_t>(d + 1)
                                                 : kEndOfChain);
  }
  // FAT.
  for (size_t i = 0; i < fat.size(); ++i)
    writeLE<std::uint32_t>(at(i / perFat) + 4 * (i % perFat), fat[i]);
  // Directory (free entries have no siblings or child).
  for (size_t i = 0; i < dirSectors * (kHeaderSize / kEntrySize); ++i) {
    std::uint8_t* e = at(firstDir + i / 4) + (i % 4) * kEntrySize;
    if (i >= entries.size()) {
      writeLE<std::uint32_t>(e + 68, kNoStream);
      writeLE<std::uint32_t>(e + 72, kNoStream);
      writeLE<std::uint32_t>(e + 76, kNoStream);
      continue;
    }
    const OutEntry& en = entries[i];
    for (size_t k = 0; k < en.name.size(); ++k) writeLE<std::uint16_t>(e + 2 * k, en.name[k]);
    writeLE<std::uint16_t>(e + 64, static_cast<std::uint16_t>((en.name.size() + 1) * 2));
    e[66] = en.type;
    e[67] = 1;  // black
    writeLE<std::uint32_t>(e + 68, en.left);
    writeLE<std::uint32_t>(e + 72, en.right);
    writeLE<std::uint32_t>(e + 76, en.child);
    if (en.type != cetStream) {
      std::memcpy(e + 80, en.item->Clsid.data(), 16);
      writeLE<std::uint32_t>(e + 96, en.item->StateBits);
    }
    if (en.type == cetStorage) {
      writeLE<std::uint64_t>(e + 100, en.item->CreationTime);
      writeLE<std::uint64_t>(e + 108, en.item->ModifiedTime);
    }
    writeLE<std::uint32_t>(e + 116, en.type == cetStorage ? 0 : en.start);
    writeLE<std::uint64_t>(e + 120, en.size);
  }
  // Mini FAT, mini stream, streams.
  for (size_t i = 0; i < miniFat.size(); ++i)
    writeLE<std::uint32_t>(at(firstMiniFat + i / perFat) + 4 * (i % perFat), miniFat[i]);
  for (size_t i = miniFat.size(); i < miniFatSectors * perFat; ++i)
    writeLE<std::uint32_t>(at(firstMiniFat + i / perFat) + 4 * (i % perFat), kFreeSect);
  if (!miniStream.empty()) std::memcpy(at(entries[0].start), miniStream.data(), miniStream.size());
  for (const OutEntry& e : entries)
    if (e.type == cetStream && e.size >= kMiniStreamCutoff)
      std::memcpy(at(e.start), e.item->Data.data(), e.item->Data.size());
  return out;
}

void SaveCompoundFile(const std::string& fileName, const TCompoundItem& root) {
  writeFileAtomic(fileName, WriteCompoundFile(root));
}

}  // namespace qv
