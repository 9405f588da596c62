// LZH (lh5) coder: round trips, the exact empty form, damaged input, and
// interoperability with the lh5 programs of the system (lhasa, jlha).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Process.h"
#include "support/NamedStreamRoutines.h"
#include "tests/main/PeerTools.h"

namespace qv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(g());
  return b;
}

Bytes TextBytes() {
  std::string s;
  for (int i = 0; i < 400; ++i) {
    s += "Title \"Curve " + std::to_string(i) + "\";\r\nParameters b1, b2, b3;\r\n";
    s += "Function y = b1*exp(-b2*x) + b3*sin(" + std::to_string(i % 17) + "*x);\r\n";
  }
  return Bytes(s.begin(), s.end());
}

// An 8192-byte random block repeated: matches lie exactly one window back.
Bytes WindowPeriodic() {
  Bytes block = RandomBytes(8192, 7), b;
  for (int i = 0; i < 5; ++i) b.insert(b.end(), block.begin(), block.end());
  return b;
}

// Random bytes with repeated runs of all lengths: many blocks and long
// and short matches of every distance class.
Bytes Mixed(size_t n) {
  std::mt19937 g(11);
  Bytes b;
  while (b.size() < n) {
    if (b.size() > 300 && g() % 2) {
      size_t dist = 1 + g() % std::min<size_t>(b.size(), 8192);
      size_t len = 3 + g() % 300;
      for (size_t k = 0; k < len; ++k) b.push_back(b[b.size() - dist]);
    } else {
      for (int k = g() % 40; k >= 0; --k) b.push_back(static_cast<uint8_t>(g() % 64));
    }
  }
  b.resize(n);
  return b;
}

struct Sample {
  const char* name;
  Bytes data;
};

std::vector<Sample> Samples() {
  return {
      {"empty", {}},
      {"one byte", {0x42}},
      {"three bytes", {'a', 'b', 'c'}},
      {"70000 zero bytes", Bytes(70000, 0)},
      {"100 KB random", RandomBytes(100 * 1024, 1)},
      {"text", TextBytes()},
      {"period of one window", WindowPeriodic()},
      {"mixed runs", Mixed(200000)},
  };
}

TEST(Lzh, RoundTrips) {
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    const Bytes packed = LzhCompressBytes(s.data);
    ASSERT_GE(packed.size(), 4u);
    EXPECT_EQ(readLE<uint32_t>(packed.data()), s.data.size());
    EXPECT_EQ(LzhExpandBytes(packed), s.data);
  }
  // Repetitive data shrink.
  EXPECT_LT(LzhCompressBytes(Bytes(70000, 0)).size(), 200u);
  EXPECT_LT(LzhCompressBytes(TextBytes()).size(), TextBytes().size() / 4);
}

// Empty input: the length 0, one block of no codes, the completing zero
// bits; all of it zero bytes.
TEST(Lzh, EmptyInputForm) {
  EXPECT_EQ(LzhCompressBytes({}), Bytes(11, 0));
  EXPECT_TRUE(LzhExpandBytes(Bytes(11, 0)).empty());
  EXPECT_TRUE(LzhExpandBytes(Bytes(4, 0)).empty());
}

TEST(Lzh, StreamFormsWorkFromThePositions) {
  const Bytes text = TextBytes();
  TMemoryStream in;
  in.WriteString("skip");
  in.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  in.SetPosition(4);
  TMemoryStream packed;
  packed.WriteString("HDR");
  LzhCompress(in, packed);
  packed.SetPosition(3);
  TMemoryStream out;
  out.WriteString("front");
  LzhExpand(packed, out);
  EXPECT_EQ(out.View(), "front" + std::string(text.begin(), text.end()));
}

// A hand-made bit stream for damaged-table cases.
class Bits {
 public:
  Bits& Put(int n, unsigned v) {
    for (int i = n - 1; i >= 0; --i) bits_.push_back((v >> i) & 1);
    return *this;
  }
  Bytes Stream(uint32_t length) const {
    Bytes b(4);
    writeLE<uint32_t>(b.data(), length);
    for (size_t i = 0; i < bits_.size(); i += 8) {
      uint8_t v = 0;
      for (size_t k = 0; k < 8; ++k)
        v = static_cast<uint8_t>(v << 1 | (i + k < bits_.size() ? bits_[i + k] : 0));
      b.push_back(v);
    }
    return b;
  }

 private:
  std::vector<int> bits_;
};

void ExpectCorrupt(const Bytes& in) {
  try {
    LzhExpandBytes(in);
    ADD_FAILURE() << "expanded without error";
  } catch (const ECorruptFile& e) {
    EXPECT_EQ(e.Message(), "Compressed file is corrupt");
  }
}

TEST(Lzh, DamagedInputIsCorrupt) {
  const Bytes text = TextBytes();
  const Bytes packed = LzhCompressBytes(text);
  Bytes truncated(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
  Bytes longer = packed;
  writeLE<uint32_t>(longer.data(), static_cast<uint32_t>(text.size() + 5000));
  Bytes run = LzhCompressBytes(Bytes(300, 'a'));  // literal, then a 256-byte match
  writeLE<uint32_t>(run.data(), 5);
  Bytes huge = LzhCompressBytes(Bytes(10, 'x'));
  writeLE<uint32_t>(huge.data(), 0xFFFFFFFFu);  // declared 4 GB, code for 10 bytes
  struct Case {
    const char* what;
    Bytes in;
  };
  const Case cases[] = {
      {"no length", {1, 0}},
      {"code cut in half", truncated},
      {"declared length beyond the code", longer},
      {"declared length 4 GB", huge},
      {"match past the declared length", run},
      {"block of no codes mid-stream", Bits().Put(16, 0).Stream(10)},
      {"code-length count beyond 19", Bits().Put(16, 1).Put(5, 20).Stream(10)},
      {"over-full code-length code",
       Bits().Put(16, 1).Put(5, 3).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Stream(10)},
      {"incomplete code-length code",
       Bits().Put(16, 1).Put(5, 3).Put(3, 2).Put(3, 2).Put(3, 2).Put(2, 0).Stream(10)},
      {"code length above 16", Bits().Put(16, 1).Put(5, 1).Put(16, 0xFFFF).Stream(10)},
      {"zero run after the third length past the count",
       Bits().Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 0).Put(2, 3).Stream(10)},
      {"single code-length symbol out of range", Bits().Put(16, 1).Put(5, 0).Put(5, 19).Stream(10)},
      {"character count beyond 510", Bits().Put(16, 1).Put(5, 0).Put(5, 3).Put(9, 511).Stream(10)},
      {"single character out of range",
       Bits().Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 510).Stream(10)},
      // Code-length tree: symbol 2 only (long zero runs); run of 20 + 500
      // zeros is past a count of 300.
      {"zero run past the character count",
       Bits().Put(16, 1).Put(5, 0).Put(5, 2).Put(9, 300).Put(9, 500).Stream(10)},
      {"single position class out of range",
       Bits().Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 65).Put(4, 0).Put(4, 14).Stream(10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectCorrupt(c.in);
  }
}

// Flipping any single bit either fails as corrupt or still yields exactly
// the declared number of bytes; it never reads or writes out of bounds.
TEST(Lzh, BitFlipsNeverEscape) {
  const Bytes packed = LzhCompressBytes(Mixed(5000));
  for (size_t bit = 32; bit < packed.size() * 8; bit += 3) {
    Bytes d = packed;
    d[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    try {
      EXPECT_EQ(LzhExpandBytes(d).size(), 5000u);
    } catch (const ECorruptFile&) {
    }
  }
}

// ---------------------------------------------------------------------------
// Interoperability with the system's lh5 programs.

// The CRC of LHA headers: reflected polynomial 0xA001, start 0.
uint16_t Crc16(const Bytes& d) {
  uint16_t crc = 0;
  for (uint8_t b : d) {
    crc ^= b;
    for (int k = 0; k < 8; ++k)
      crc =
          (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}

std::filesystem::path WorkDir(const std::string& name) {
  std::filesystem::path d = std::filesystem::path(QV_BINARY_DIR) / "lzh-peers" / name;
  std::filesystem::remove_all(d);
  std::filesystem::create_directories(d);
  return d;
}

void WriteFile(const std::filesystem::path& p, const Bytes& b) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Our code bits in an LHA archive with one level-0 "-lh5-" member.
Bytes LhaArchive(const std::string& fileName, const Bytes& original) {
  const Bytes packed = LzhCompressBytes(original);
  const Bytes code(packed.begin() + 4, packed.end());
  Bytes h;
  for (char c : std::string("-lh5-")) h.push_back(static_cast<uint8_t>(c));
  auto le32 = [&](uint32_t v) {
    for (int k = 0; k < 4; ++k) h.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  le32(static_cast<uint32_t>(code.size()));
  le32(static_cast<uint32_t>(original.size()));
  le32(0x00210000);   // 1 January 1980, 00:00
  h.push_back(0x20);  // attribute
  h.push_back(0);     // header level
  h.push_back(static_cast<uint8_t>(fileName.size()));
  h.insert(h.end(), fileName.begin(), fileName.end());
  const uint16_t crc = Crc16(original);
  h.push_back(static_cast<uint8_t>(crc));
  h.push_back(static_cast<uint8_t>(crc >> 8));
  uint8_t sum = 0;
  for (uint8_t b : h) sum = static_cast<uint8_t>(sum + b);
  Bytes a{static_cast<uint8_t>(h.size()), sum};
  a.insert(a.end(), h.begin(), h.end());
  a.insert(a.end(), code.begin(), code.end());
  a.push_back(0);  // end of archive
  return a;
}

TEST(LzhPeers, LhasaTestsOurStreams) {
  const std::string lhasa = test::FindPeerProgram("lhasa");
  QV_REQUIRE_PEER(!lhasa.empty(), "lhasa");
  const std::filesystem::path dir = WorkDir("lhasa");
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    const std::filesystem::path archive = dir / "member.lzh";
    WriteFile(archive, LhaArchive("member.bin", s.data));
    TProcessResult r = RunProcess(lhasa, {"t", archive.string()}, 60000, dir.string());
    EXPECT_TRUE(r.Succeeded()) << r.Error << r.StdOut << r.StdErr;
    EXPECT_EQ(r.StdOut.find("CRC"), std::string::npos) << r.StdOut;
    EXPECT_NE(r.StdOut.find("Tested"), std::string::npos) << r.StdOut;
  }
  // A damaged CRC is noticed, so the check above means something.
  Bytes bad = LhaArchive("member.bin", TextBytes());
  bad[bad.size() - 2] ^= 0xFF;
  WriteFile(dir / "bad.lzh", bad);
  TProcessResult r = RunProcess(lhasa, {"t", (dir / "bad.lzh").string()}, 60000, dir.string());
  EXPECT_FALSE(r.Succeeded() && r.StdOut.find("CRC") == std::string::npos) << r.StdOut;
}

// The first member of an LHA archive (header level 0, 1 or 2): method,
// original size, and the code bytes.
struct Member {
  std::string method;
  uint32_t originalSize = 0;
  Bytes code;
};

Member FirstMember(const Bytes& a) {
  Member m;
  if (a.size() < 22) return m;
  m.method.assign(a.begin() + 2, a.begin() + 7);
  uint32_t packedSize = readLE<uint32_t>(a.data() + 7);
  m.originalSize = readLE<uint32_t>(a.data() + 11);
  const int level = a[20];
  size_t start = 0;
  if (level == 2) {
    start = readLE<uint16_t>(a.data());
  } else {
    start = 2 + a[0];
    if (level == 1) {  // extended headers follow and count in the packed size
      size_t next = readLE<uint16_t>(a.data() + start - 2);
      while (next != 0 && start + next <= a.size()) {
        packedSize -= static_cast<uint32_t>(next);
        start += next;
        next = readLE<uint16_t>(a.data() + start - 2);
      }
    }
  }
  if (start + packedSize <= a.size())
    m.code.assign(a.begin() + static_cast<long>(start),
                  a.begin() + static_cast<long>(start + packedSize));
  return m;
}

TEST(LzhPeers, ExpandsJlhaMembers) {
  const std::string jlha = test::FindPeerProgram("jlha");
  QV_REQUIRE_PEER(!jlha.empty(), "jlha");
  const std::filesystem::path dir = WorkDir("jlha");
  const Sample samples[] = {
      {"text", TextBytes()},
      {"mixed runs", Mixed(150000)},
      {"70000 zero bytes", Bytes(70000, 0)},
      {"100 KB random", RandomBytes(100 * 1024, 3)},
  };
  int expanded = 0;
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.name);
    WriteFile(dir / "input.bin", s.data);
    std::filesystem::remove(dir / "out.lzh");
    TProcessResult r = RunProcess(jlha, {"ao5", "out.lzh", "input.bin"}, 120000, dir.string());
    ASSERT_TRUE(r.Succeeded()) << r.Error << r.StdOut << r.StdErr;
    const Member m = FirstMember(ReadFile(dir / "out.lzh"));
    if (m.method == "-lh0-") continue;  // stored: jlha found nothing to gain
    ASSERT_EQ(m.method, "-lh5-");
    ASSERT_EQ(m.originalSize, s.data.size());
    Bytes stream(4);
    writeLE<uint32_t>(stream.data(), m.originalSize);
    stream.insert(stream.end(), m.code.begin(), m.code.end());
    TMemoryStream in(std::string_view(reinterpret_cast<const char*>(stream.data()), stream.size()));
    TMemoryStream out;
    LzhExpand(in, out);
    EXPECT_TRUE(out.View() ==
                std::string_view(reinterpret_cast<const char*>(s.data.data()), s.data.size()));
    ++expanded;
  }
  EXPECT_GE(expanded, 3);  // only random data may be stored plain
}

}  // namespace
}  // namespace qv
