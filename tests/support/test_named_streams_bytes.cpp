// The stored bytes of collections and model files, worked out by hand from
// the format: lh5 block layouts of tiny inputs, a model file taken apart
// layer by layer, the order of the program's stream names, and a file
// enciphered under a weak key by an earlier version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NamedStreamsTestSupport.h"
#include "platform/core/Classes.h"
#include "support/ModelFile.h"
#include "support/NamedStreamCol.h"

namespace qv {
namespace {

using namespace streamtest;

using Bytes = std::vector<uint8_t>;

// lh5 code bits of inputs small enough to encode by hand. Each holds one
// block: the 16-bit code count, the code-length tree (5-bit count, 3-bit
// lengths, a 2-bit zero count after the third), the character lengths
// (9-bit count, zero runs of 20 or more as code 2 + 9 bits), the position
// tree, the codes, and zero bits completing the last byte.
TEST(NamedStreamsBytes, Lh5LayoutOfTinyInputs) {
  struct Case {
    const char* what;
    std::string input;
    Bytes code;  // after the 32-bit length
  };
  const Case cases[] = {
      // One character code only: zero counts name it in the trees, and the
      // code itself takes no bits.
      {"one literal", "A", {0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}},
      // Two literals of length 1: code-length tree of 4 entries (0, 0, 1,
      // [no zeros], 1); 67 character lengths, 65 zeros as one run of 20+.
      {"two literals", "AB", {0x00, 0x02, 0x20, 0x04, 0x24, 0x30, 0xB7, 0x00, 0x40}},
      // "aaaa": a literal, then a 3-byte match one byte back (length code
      // 256, position code 0, the only position class, so no bits).
      {"literal and match", "aaaa", {0x00, 0x02, 0x20, 0x04, 0x30, 0x11, 0x36, 0x45, 0x40, 0x10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes in(c.input.begin(), c.input.end());
    const Bytes packed = LzhCompressBytes(in);
    ASSERT_GE(packed.size(), 4u);
    EXPECT_EQ(readLE<uint32_t>(packed.data()), in.size());
    EXPECT_EQ(Bytes(packed.begin() + 4, packed.end()), c.code);
    Bytes stored(4);
    writeLE<uint32_t>(stored.data(), static_cast<uint32_t>(in.size()));
    stored.insert(stored.end(), c.code.begin(), c.code.end());
    EXPECT_EQ(LzhExpandBytes(stored), in);
  }
}

// A model file taken apart: the flags "&*", Blowfish blocks of two
// little-endian words under the model key, the padding, the 32-bit length
// in front of the lh5 code, and the body with "headfile" before
// "quorvanefile", each a list of CR LF lines.
TEST(NamedStreamsBytes, ModelFileLayers) {
  const std::string dir = ::testing::TempDir() + "stream_bytes_model/";
  ForceDirectories(dir);
  const std::string file = dir + "m.mff";
  TStringList lines;
  lines.Add("Title \"Decay\";");
  lines.Add("Parameters b1, b2;");
  lines.Add("Function b1*exp(-b2*x);");
  SaveModelFile(file, lines);
  const std::string bytes = readFileBytes(file);
  ASSERT_GE(bytes.size(), 2u + 16u);
  EXPECT_EQ(bytes.substr(0, 2), "&*");
  ASSERT_EQ((bytes.size() - 2) % 8, 0u);

  TBlowfishState st;
  ASSERT_TRUE(
      BlowfishInitKey(st, reinterpret_cast<const uint8_t*>("blorvintaxeq"), 12, nullptr, 16));
  Bytes plain(bytes.begin() + 2, bytes.end());
  for (size_t off = 0; off < plain.size(); off += 8) {
    uint32_t L = readLE<uint32_t>(plain.data() + off), R = readLE<uint32_t>(plain.data() + off + 4);
    BlowfishDecryptBlock(st, L, R);
    writeLE<uint32_t>(plain.data() + off, L);
    writeLE<uint32_t>(plain.data() + off + 4, R);
  }
  const size_t pad = plain.back();
  ASSERT_GE(pad, 1u);
  ASSERT_LE(pad, 8u);
  for (size_t i = plain.size() - 1 - pad; i < plain.size() - 1; ++i) EXPECT_EQ(plain[i], 1) << i;
  plain.resize(plain.size() - 1 - pad);
  EXPECT_EQ(pad, 8 - (plain.size() + 1) % 8);

  const std::string head = "Quorvane File\r\nVersion 1.0\r\n";
  const std::string text = "Title \"Decay\";\r\nParameters b1, b2;\r\nFunction b1*exp(-b2*x);\r\n";
  const std::string body =
      kSignature + Le32(2) +                                                   //
      Le16(8) + "headfile" + Le32(static_cast<int32_t>(head.size())) + head +  //
      Le16(12) + "quorvanefile" + Le32(static_cast<int32_t>(text.size())) + text;
  ASSERT_GE(plain.size(), 4u);
  EXPECT_EQ(readLE<uint32_t>(plain.data()), body.size());
  const Bytes expanded = LzhExpandBytes(plain);
  EXPECT_EQ(std::string(expanded.begin(), expanded.end()), body);

  TStringList back;
  EXPECT_TRUE(LoadModelFile(file, back));
  EXPECT_EQ(back.ToVector(), lines.ToVector());
}

// The stream names of the data sheet documents are saved in the order of
// their names without regard to case: digits before letters, "Sheet10"
// right after "Sheet1".
TEST(NamedStreamsBytes, ProgramStreamNamesOrder) {
  TNamedStreams ns;
  ns.Compressed = false;
  const char* added[] = {"StateID_Data",   "Sheet2",       "sheet10",
                         "SheetTree_Data", "ImageID_Data", "Sheet1"};
  for (const char* name : added) {
    TMemoryStream ms(std::string_view("x"));
    ns.AddStream(name, &ms);
  }
  TMemoryStream out;
  ns.SaveToStream(out);
  std::string expected = "  " + kSignature + Le32(6);
  for (const char* name :
       {"ImageID_Data", "Sheet1", "sheet10", "Sheet2", "SheetTree_Data", "StateID_Data"})
    expected += Le16(static_cast<uint16_t>(std::string(name).size())) + name + Le32(1) + "x";
  EXPECT_EQ(std::string(out.View()), expected);
}

// Earlier versions saved under a weak key with the cipher flag set and the
// payload left plain; such a file loads back with that key, and the flags
// read from it are kept.
TEST(NamedStreamsBytes, WeakKeyFileOfAnEarlierVersionLoads) {
  const std::string weak("\xC7\x19\x00\x00", 4);  // an S-box repeats a word under it
  const std::string body = kSignature + Le32(1) + Le16(4) + "item" + Le32(3) + "abc";
  const Bytes packed = LzhCompressBytes(Bytes(body.begin(), body.end()));
  struct Case {
    const char* what;
    std::string file;
    bool compressed;
  };
  const Case cases[] = {
      {"compressed", "&*" + std::string(packed.begin(), packed.end()), true},
      {"not compressed", " *" + body, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TNamedStreams ns;
    ns.Key = weak;
    TMemoryStream in(c.file);
    ns.LoadFromStream(in);
    TMemoryStream item;
    ns.GetStream("ITEM", item);
    EXPECT_EQ(item.View(), "abc");
    EXPECT_EQ(ns.Compressed, c.compressed);
    EXPECT_TRUE(ns.Encrypted);
  }
}

}  // namespace
}  // namespace qv
