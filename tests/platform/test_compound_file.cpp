// Compound documents: our writer's output read back by us, by olefile and
// by gsf; documents written by gsf, LibreOffice and gnumeric read by us; the
// DIFAT of a file over 7 MB; the directory order; damaged files failing
// with a clear message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>

#include "platform/core/CompoundFile.h"
#include "platform/core/Process.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::string kDataDir = QV_TEST_DATA_DIR;

std::string workDir() {
  const fs::path dir = fs::path(QV_BINARY_DIR) / "compound";
  fs::create_directories(dir);
  return dir.string();
}

std::uint32_t crc32(std::string_view data) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::string hexOf(std::string_view s) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

std::string clsidText(const TClsid& c) {
  if (std::all_of(c.begin(), c.end(), [](std::uint8_t b) { return b == 0; })) return "-";
  char head[32];
  std::snprintf(head, sizeof head, "%08X-%04X-%04X-", readLE<std::uint32_t>(c.data()),
                unsigned{readLE<std::uint16_t>(c.data() + 4)},
                unsigned{readLE<std::uint16_t>(c.data() + 6)});
  return head + UpperCase(hexOf(std::string_view(reinterpret_cast<const char*>(c.data()) + 8, 2))) +
         "-" + UpperCase(hexOf(std::string_view(reinterpret_cast<const char*>(c.data()) + 10, 6)));
}

// Our reading in the form of olefile_list.py.
void listInto(const TCompoundFile& f, int storage, const std::string& prefix,
              std::vector<std::string>& lines) {
  for (int id : f.Children(storage)) {
    const TCompoundEntry& e = f.Entry(id);
    const std::string path = prefix + e.Name;
    if (e.Type == cetStorage) {
      lines.push_back("storage " + hexOf(path) + " " + clsidText(e.Clsid));
      listInto(f, id, path + "/", lines);
    } else {
      const std::string data = f.ReadStream(id);
      char tail[40];
      std::snprintf(tail, sizeof tail, " %zu %08x", data.size(), crc32(data));
      lines.push_back("stream " + hexOf(path) + tail);
    }
  }
}

std::vector<std::string> ourListing(const TCompoundFile& f) {
  std::vector<std::string> lines;
  listInto(f, f.Root(), "", lines);
  lines.push_back("root " + clsidText(f.Entry(f.Root()).Clsid));
  lines.push_back("issues 0");
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return out;
}

// Runs a peer; a missing peer fails the test.
std::string peer(const std::string& exe, const std::vector<std::string>& args) {
  const TProcessResult r = RunProcess(exe, args, 120000);
  EXPECT_TRUE(r.Succeeded()) << exe << " " << (args.empty() ? "" : args[0]) << ": " << r.Error
                             << r.StdErr;
  return r.StdOut;
}

std::vector<std::string> olefileListing(const std::string& file) {
  return splitLines(peer("/usr/bin/python3", {kDataDir + "/olefile_list.py", file}));
}

std::string pattern(size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// A document with every size class of stream, nested storages, CLSIDs and
// names beyond ASCII.
TCompoundItem sampleDocument() {
  TCompoundItem root = TCompoundItem::Storage("");
  root.Clsid = {0x10, 0x08, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  for (size_t n : {0u, 1u, 63u, 64u, 65u, 4095u, 4096u, 4097u, 100000u})
    root.Items.push_back(TCompoundItem::Stream("S" + std::to_string(n), pattern(n, n)));
  root.Items.push_back(TCompoundItem::Stream("\x05SummaryInformation", pattern(200, 7)));
  root.Items.push_back(TCompoundItem::Stream("Ωμέγα", "greek"));
  TCompoundItem sub = TCompoundItem::Storage("_VBA_PROJECT_CUR");
  sub.Clsid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  sub.CreationTime = 0x01D9000000000000ull;
  sub.ModifiedTime = 0x01D9000000000001ull;
  sub.Items.push_back(TCompoundItem::Stream("PROJECT", pattern(5000, 3)));
  TCompoundItem inner = TCompoundItem::Storage("VBA");
  inner.Items.push_back(TCompoundItem::Stream("dir", pattern(300, 4)));
  inner.Items.push_back(TCompoundItem::Storage("Empty"));
  sub.Items.push_back(std::move(inner));
  root.Items.push_back(std::move(sub));
  return root;
}

void expectSameContent(const TCompoundItem& a, const TCompoundItem& b) {
  ASSERT_EQ(a.Items.size(), b.Items.size()) << a.Name;
  EXPECT_EQ(a.Clsid, b.Clsid) << a.Name;
  for (const TCompoundItem& x : a.Items) {
    const TCompoundItem* y = b.Find(x.Name);
    ASSERT_NE(y, nullptr) << x.Name;
    EXPECT_EQ(x.IsStorage, y->IsStorage) << x.Name;
    if (x.IsStorage) {
      EXPECT_EQ(x.CreationTime, y->CreationTime);
      EXPECT_EQ(x.ModifiedTime, y->ModifiedTime);
      expectSameContent(x, *y);
    } else {
      EXPECT_TRUE(x.Data == y->Data) << x.Name;
    }
  }
}

TEST(CompoundFile, OurDocumentsReadBack) {
  const TCompoundItem doc = sampleDocument();
  const std::string bytes = WriteCompoundFile(doc);
  EXPECT_EQ(bytes.size() % 512, 0u);
  EXPECT_TRUE(IsCompoundFile(bytes));
  TCompoundFile f{std::string(bytes)};
  const TCompoundItem back = f.CopyStorage(f.Root());
  expectSameContent(doc, back);
  EXPECT_EQ(f.Entry(f.Root()).Name, "Root Entry");
  const int sub = f.Find(f.Root(), "_vba_project_cur");
  ASSERT_GE(sub, 0);
  EXPECT_EQ(f.Entry(sub).Type, cetStorage);
  EXPECT_EQ(f.Entry(f.Find(f.Root(), "s4097")).Size, 4097u);
  EXPECT_EQ(f.Find(f.Root(), "missing"), -1);
  EXPECT_THROW(f.ReadStream(sub), ECompoundFileError);
  EXPECT_THROW(f.CopyStorage(f.Find(f.Root(), "S1")), ECompoundFileError);
  EXPECT_THROW(f.Entry(1000), ECompoundFileError);
  // Saved to a file atomically, and known by its signature.
  const std::string path = workDir() + "/sample.ole";
  SaveCompoundFile(path, doc);
  EXPECT_TRUE(IsCompoundFileName(path));
  EXPECT_FALSE(IsCompoundFileName(kDataDir + "/olefile_list.py"));
  EXPECT_FALSE(IsCompoundFileName(workDir() + "/no-such-file"));
  expectSameContent(doc, TCompoundFile::LoadFromFile(path).CopyStorage(0));
  // An empty document is a document too.
  TCompoundFile empty{WriteCompoundFile(TCompoundItem::Storage(""))};
  EXPECT_TRUE(empty.Children(empty.Root()).empty());
}

TEST(CompoundFile, SiblingsAreOrderedByLengthThenUpperCaseAndAllBlack) {
  TCompoundItem root = TCompoundItem::Storage("");
  for (const char* n : {"b", "A", "ccc", "BB", "a2", "é", "Z", "zz", "Ab"})
    root.Items.push_back(TCompoundItem::Stream(n, n));
  const std::string bytes = WriteCompoundFile(root);
  TCompoundFile f{std::string(bytes)};
  std::vector<std::string> order;
  for (int id : f.Children(0)) order.push_back(f.Entry(id).Name);
  EXPECT_EQ(order, (std::vector<std::string>{"A", "b", "Z", "é", "a2", "Ab", "BB", "zz", "ccc"}));
  // The directory sits in sector 1 here; every used entry is black.
  for (int id = 0; id < 10; ++id) EXPECT_EQ(bytes[1024 + 128 * id + 67], 1) << id;
}

TEST(CompoundFile, BadNamesAreRefusedWhenWriting) {
  struct Case {
    std::vector<std::string> names;
    const char* message;
  };
  const Case cases[] = {
      {{"Book", "BOOK"}, "Two elements of a storage are named \"BOOK\""},
      {{"Ä", "ä"}, "Two elements of a storage are named \"ä\""},
      {{std::string(32, 'x')},
       "Invalid compound file element name \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\": 1 to 31 "
       "characters are allowed"},
      {{""}, "Invalid compound file element name \"\": 1 to 31 characters are allowed"},
      {{"a/b"}, "Invalid compound file element name \"a/b\": it holds one of / \\ : !"},
  };
  for (const Case& k : cases) {
    TCompoundItem root = TCompoundItem::Storage("");
    for (const std::string& n : k.names) root.Items.push_back(TCompoundItem::Stream(n, "x"));
    try {
      WriteCompoundFile(root);
      ADD_FAILURE() << k.message;
    } catch (const ECompoundFileError& e) {
      EXPECT_EQ(e.Message(), k.message);
    }
  }
  EXPECT_NO_THROW(WriteCompoundFile(
      TCompoundItem::Storage("", {TCompoundItem::Stream(std::string(31, 'x'), "")})));
}

TEST(CompoundFile, OlefileReadsOurDocumentsWithoutDefects) {
  const std::string path = workDir() + "/for-olefile.ole";
  SaveCompoundFile(path, sampleDocument());
  EXPECT_EQ(olefileListing(path), ourListing(TCompoundFile::LoadFromFile(path)));
}

TEST(CompoundFile, GsfListsAndCatsOurStreamsByteForByte) {
  const TCompoundItem doc = sampleDocument();
  const std::string path = workDir() + "/for-gsf.ole";
  SaveCompoundFile(path, doc);
  // gsf list: one line per element, "f"/"d", the size and the path last.
  std::vector<std::string> listed;
  for (const std::string& line : splitLines(peer("gsf", {"list", path}))) {
    if (line.empty() || line.back() == ':' || line.find("*root*") != std::string::npos) continue;
    const size_t last = line.find_last_of(' ');
    listed.push_back(line.substr(0, 1) + " " + line.substr(last + 1));
  }
  std::vector<std::string> expected;
  std::function<void(const TCompoundItem&, const std::string&)> walk = [&](const TCompoundItem& s,
                                                                           const std::string& p) {
    for (const TCompoundItem& i : s.Items) {
      // gsf shows a storage without elements as "f", its own ones too.
      expected.push_back((i.IsStorage && !i.Items.empty() ? "d " : "f ") + p + i.Name);
      if (i.IsStorage) walk(i, p + i.Name + "/");
    }
  };
  walk(doc, "");
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  // gsf cat: the bytes of each stream.
  for (const char* name : {"S0", "S1", "S64", "S4095", "S4096", "S100000", "Ωμέγα",
                           "_VBA_PROJECT_CUR/PROJECT", "_VBA_PROJECT_CUR/VBA/dir"}) {
    const std::string data = peer("gsf", {"cat", path, name});
    const TCompoundItem* item = &doc;
    std::string rest = name;
    while (item != nullptr && !rest.empty()) {
      const size_t slash = rest.find('/');
      item = item->Find(rest.substr(0, slash));
      rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
    }
    ASSERT_NE(item, nullptr) << name;
    EXPECT_TRUE(data == item->Data) << name << ": " << data.size() << " bytes";
  }
}

TEST(CompoundFile, DocumentsOverSevenMegabytesUseTheDifat) {
  TCompoundItem root = TCompoundItem::Storage("");
  root.Items.push_back(TCompoundItem::Stream("Workbook", pattern(7500000, 11)));
  root.Items.push_back(TCompoundItem::Stream("Small", "tail"));
  const std::string path = workDir() + "/difat.ole";
  SaveCompoundFile(path, root);
  const std::string bytes = readFileBytes(path);
  const auto* h = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::uint32_t fatSectors = readLE<std::uint32_t>(h + 44);
  EXPECT_GT(fatSectors, 109u);
  EXPECT_EQ(readLE<std::uint32_t>(h + 72), 1u);  // one DIFAT sector
  EXPECT_EQ(readLE<std::uint32_t>(h + 68), fatSectors);
  TCompoundFile f{std::string(bytes)};
  expectSameContent(root, f.CopyStorage(0));
  EXPECT_EQ(olefileListing(path), ourListing(f));
  EXPECT_TRUE(peer("gsf", {"cat", path, "Workbook"}) == root.Items[0].Data);
}

TEST(CompoundFile, DocumentsOfGsfLibreOfficeAndGnumericReadAsTheyDo) {
  // gsf createole: two streams (one in the mini stream) and a sub-storage.
  const fs::path src = fs::path(workDir()) / "gsf-src";
  fs::remove_all(src);
  fs::create_directories(src / "Sub");
  const std::string big = pattern(5000, 21);
  writeFileAtomic((src / "Big").string(), big);
  writeFileAtomic((src / "Small").string(), "hello");
  writeFileAtomic((src / "Sub" / "Inner").string(), "inner bytes");
  const std::string made = workDir() + "/by-gsf.ole";
  fs::remove(made);
  peer("gsf", {"createole", made, (src / "Big").string(), (src / "Small").string(),
               (src / "Sub").string()});
  const TCompoundFile g = TCompoundFile::LoadFromFile(made);
  EXPECT_TRUE(g.ReadStream(g.Find(0, "Big")) == big);
  EXPECT_EQ(g.ReadStream(g.Find(0, "Small")), "hello");
  const int sub = g.Find(0, "Sub");
  ASSERT_GE(sub, 0);
  EXPECT_EQ(g.Entry(sub).Type, cetStorage);
  EXPECT_EQ(g.ReadStream(g.Find(sub, "Inner")), "inner bytes");
  EXPECT_EQ(olefileListing(made), ourListing(g));

  // Workbooks saved by LibreOffice Calc and gnumeric (see
  // data/make_compound_fixtures.sh); their streams sit in the mini stream.
  for (const char* name : {"compound_libreoffice.xls", "compound_gnumeric.xls"}) {
    const std::string file = kDataDir + "/" + name;
    const TCompoundFile x = TCompoundFile::LoadFromFile(file);
    EXPECT_EQ(olefileListing(file), ourListing(x)) << name;
    const int wb = x.Find(0, "Workbook");
    ASSERT_GE(wb, 0) << name;
    const std::string biff = x.ReadStream(wb);
    EXPECT_EQ(hexOf(biff.substr(0, 4)), "09081000") << name;  // BIFF8 BOF
    EXPECT_TRUE(peer("gsf", {"cat", file, "Workbook"}) == biff) << name;
    // A deep copy written by us reads the same in olefile.
    const std::string copy = workDir() + "/copy-of-" + name;
    SaveCompoundFile(copy, x.CopyStorage(0));
    EXPECT_EQ(olefileListing(copy), ourListing(x)) << name;
  }
}

// Offsets in a small document of our writer: FAT in sector 0 (file offset
// 512), directory in sector 1 (1024), streams of 4096 bytes and more after
// the mini stream.
struct Damage {
  const char* what;
  std::function<void(std::string&)> change;
  std::string message;
  bool atOpen;  // else when the stream "Big" is read
};

TEST(CompoundFile, DamagedDocumentsFailWithAClearMessage) {
  TCompoundItem root = TCompoundItem::Storage("");
  root.Items.push_back(TCompoundItem::Stream("Big", pattern(5000, 1)));
  root.Items.push_back(TCompoundItem::Stream("Tiny", "abc"));
  const std::string good = WriteCompoundFile(root);
  TCompoundFile probe{std::string(good)};
  const std::uint32_t bigStart = probe.Entry(probe.Find(0, "Big")).StartSector;
  const int bigId = probe.Find(0, "Big");
  auto set32 = [](std::string& s, size_t at, std::uint32_t v) {
    writeLE<std::uint32_t>(s.data() + at, v);
  };
  const size_t bigEntry = 1024 + 128 * static_cast<size_t>(bigId);
  const Damage cases[] = {
      {"no signature", [](std::string& s) { s[0] = 'X'; }, "Not a compound file", true},
      {"short header", [](std::string& s) { s.resize(300); },
       "Compound file is damaged: the file is shorter than its header", true},
      {"byte order", [&](std::string& s) { s[28] = 0; },
       "Compound file is damaged: wrong byte order mark", true},
      {"version", [&](std::string& s) { s[26] = 5; },
       "Compound file is damaged: unsupported version 5 with sector shift 9", true},
      {"FAT sector outside", [&](std::string& s) { set32(s, 76, 5000); },
       "Compound file is damaged: FAT sector index 5000 out of range", true},
      {"too many FAT sectors", [&](std::string& s) { set32(s, 44, 1000000); },
       "Compound file is damaged: more FAT sectors than the file holds", true},
      {"DIFAT loop",
       [&](std::string& s) {
         set32(s, 44, 400);  // more than the header and two DIFAT sectors list
         s.append(450 * 512, '\0');
         set32(s, 68, static_cast<std::uint32_t>(s.size() / 512 - 2));
         set32(s, s.size() - 4, static_cast<std::uint32_t>(s.size() / 512 - 2));
       },
       "Compound file is damaged: the DIFAT chain loops", true},
      {"directory start outside", [&](std::string& s) { set32(s, 48, 9999); },
       "Compound file is damaged: sector index 9999 out of range in the directory", true},
      {"tree loop",
       [&](std::string& s) { set32(s, bigEntry + 68, static_cast<std::uint32_t>(bigId)); },
       "Compound file is damaged: the directory tree loops at entry " + std::to_string(bigId),
       true},
      {"entry outside", [&](std::string& s) { set32(s, 1024 + 76, 77); },
       "Compound file is damaged: directory entry index 77 out of range", true},
      {"no root", [&](std::string& s) { s[1024 + 66] = 1; },
       "Compound file is damaged: the first directory entry is no root", true},
      {"name length", [&](std::string& s) { s[bigEntry + 64] = 65; },
       "Compound file is damaged: directory entry " + std::to_string(bigId) +
           " has a bad name length",
       true},
      {"chain loop", [&](std::string& s) { set32(s, 512 + 4 * (bigStart + 3), bigStart + 1); },
       "Compound file is damaged: the sector chain of stream \"Big\" loops", false},
      {"chain into the FAT", [&](std::string& s) { set32(s, 512 + 4 * bigStart, 0xFFFFFFFD); },
       "Compound file is damaged: sector index 4294967293 out of range in stream \"Big\"", false},
      {"chain ends early", [&](std::string& s) { set32(s, 512 + 4 * (bigStart + 2), 0xFFFFFFFE); },
       "Compound file is damaged: stream \"Big\" is longer than its sector chain", false},
      {"size beyond the file", [&](std::string& s) { set32(s, bigEntry + 120, 0x7FFFFFFF); },
       "Compound file is damaged: stream \"Big\" is longer than the file", false},
  };
  for (const Damage& d : cases) {
    std::string bad = good;
    d.change(bad);
    try {
      TCompoundFile f{std::move(bad)};
      if (d.atOpen) {
        ADD_FAILURE() << d.what << ": opened";
        continue;
      }
      f.ReadStream(f.Find(0, "Big"));
      ADD_FAILURE() << d.what << ": read";
    } catch (const ECompoundFileError& e) {
      EXPECT_EQ(e.Message(), d.message) << d.what;
    }
  }
  // Every truncation opens or fails cleanly; what opens reads or fails
  // cleanly too.
  for (size_t n = 0; n < good.size(); n += 7) {
    try {
      TCompoundFile f{good.substr(0, n)};
      for (int id : f.Children(0)) f.ReadStream(id);
    } catch (const ECompoundFileError&) {
    }
  }
}

}  // namespace
}  // namespace qv
