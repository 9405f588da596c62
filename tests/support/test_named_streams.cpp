// TNamedStreams: the saved form, item handling, keys, and the failures of
// damaged input and of saving.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "NamedStreamsTestSupport.h"
#include "platform/core/Classes.h"
#include "support/NamedStreamCol.h"

namespace qv {
namespace {

using namespace streamtest;

// A 4-byte key under which an S-box holds two equal words.
const std::string kWeakKey("\xC7\x19\x00\x00", 4);

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }
std::vector<uint8_t> Vec(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Saved(const TNamedStreams& ns) {
  TMemoryStream ms;
  ns.SaveToStream(ms);
  return std::string(ms.View());
}

void Add(TNamedStreams& ns, const std::string& name, const std::string& data) {
  TMemoryStream ms(data);
  ns.AddStream(name, &ms);
}

std::string Get(const TNamedStreams& ns, const std::string& name) {
  TMemoryStream ms;
  ns.GetStream(name, ms);
  return std::string(ms.View());
}

void Load(TNamedStreams& ns, const std::string& bytes) {
  TMemoryStream ms(bytes);
  ns.LoadFromStream(ms);
}

// The four flag combinations of an empty collection, byte for byte.
TEST(NamedStreams, EmptyCollectionForms) {
  const std::string body = kSignature + Le32(0);
  auto packed = [&] { return Bytes(LzhCompressBytes(Vec(body))); };
  auto enciphered = [&](std::string s) {
    std::vector<uint8_t> v = Vec(s);
    EncryptBytes(v, "key");
    return Bytes(v);
  };
  struct Case {
    bool compressed, encrypted;
    const char* key;
    std::string expected;
    bool loadsEncrypted;
  };
  const Case cases[] = {
      {false, false, "key", "  " + body, false},
      {true, false, "key", "& " + packed(), false},
      {false, true, "key", " *" + enciphered(body), true},
      {true, true, "key", "&*" + enciphered(packed()), true},
      {true, true, "", "& " + packed(), false},  // no key: no enciphering
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected.substr(0, 2) + c.key);
    TNamedStreams ns;
    ns.Compressed = c.compressed;
    ns.Encrypted = c.encrypted;
    ns.Key = c.key;
    const std::string saved = Saved(ns);
    EXPECT_EQ(saved, c.expected);
    EXPECT_EQ(ns.Encrypted, c.encrypted);  // saving changes no property

    TNamedStreams back;
    back.Compressed = !c.compressed;
    back.Encrypted = !c.loadsEncrypted;
    back.Key = c.key;
    Add(back, "old", "x");
    Load(back, saved);
    EXPECT_EQ(back.Count(), 0);
    EXPECT_EQ(back.Compressed, c.compressed);
    EXPECT_EQ(back.Encrypted, c.loadsEncrypted);
  }
}

// Items are saved in case-insensitive name order with their sizes; names
// differing only in case are one item spelled as first added.
TEST(NamedStreams, ItemsAndTheirOrder) {
  TNamedStreams ns;
  ns.Compressed = false;
  Add(ns, "gamma", "GGG");
  Add(ns, "Beta", "");
  Add(ns, "ALPHA", "first");
  Add(ns, "alpha", "second");
  Add(ns, "", "ignored");
  ns.AddStream("nil", nullptr);
  EXPECT_EQ(ns.Count(), 3);
  const std::string expected = "  " + kSignature + Le32(3) +             //
                               Le16(5) + "ALPHA" + Le32(6) + "second" +  //
                               Le16(4) + "Beta" + Le32(0) +              //
                               Le16(5) + "gamma" + Le32(3) + "GGG";
  EXPECT_EQ(Saved(ns), expected);

  TNamedStreams back;
  Load(back, Saved(ns));
  EXPECT_EQ(Get(back, "Alpha"), "second");
  EXPECT_EQ(Get(back, "BETA"), "");
  EXPECT_EQ(Get(back, "gamma"), "GGG");
  EXPECT_FALSE(back.Compressed);
}

TEST(NamedStreams, StreamPositions) {
  TNamedStreams ns;
  // AddStream copies from the first byte whatever the position.
  TMemoryStream src(std::string_view("abcdef"));
  src.SetPosition(4);
  ns.AddStream("s", &src);
  EXPECT_EQ(Get(ns, "s"), "abcdef");

  // GetStream appends at Dest's position and rewinds; an unknown name only
  // rewinds.
  TMemoryStream dest(std::string_view("12345"));
  dest.SetPosition(2);
  ns.GetStream("S", dest);
  EXPECT_EQ(dest.View(), "12abcdef");
  EXPECT_EQ(dest.Position(), 0);
  dest.SetPosition(3);
  ns.GetStream("unknown", dest);
  EXPECT_EQ(dest.View(), "12abcdef");
  EXPECT_EQ(dest.Position(), 0);

  // SaveToStream writes at Dest's position; LoadFromStream reads from the
  // first byte.
  TMemoryStream file;
  file.WriteString("JUNK");
  ns.SaveToStream(file);
  const std::string saved = std::string(file.View().substr(4));
  TMemoryStream again(saved);
  again.SetPosition(again.Size());
  TNamedStreams back;
  back.LoadFromStream(again);
  EXPECT_EQ(Get(back, "s"), "abcdef");
}

TEST(NamedStreams, RoundTripOfManyItemsEveryMode) {
  TNamedStreams ns;
  ns.Key = "secret";
  std::vector<std::pair<std::string, std::string>> items;
  for (int i = 0; i < 40; ++i) {
    std::string data;
    for (int k = 0; k < i * 997; ++k) data.push_back(static_cast<char>((k * k + i) % 251));
    items.push_back({"Sheet" + std::to_string(i), data});
    Add(ns, items.back().first, data);
  }
  for (int mode = 0; mode < 4; ++mode) {
    SCOPED_TRACE(mode);
    ns.Compressed = mode & 1;
    ns.Encrypted = mode & 2;
    TNamedStreams back;
    back.Key = "secret";
    Load(back, Saved(ns));
    ASSERT_EQ(back.Count(), 40);
    for (const auto& [name, data] : items) EXPECT_EQ(Get(back, name), data) << name;
  }
}

// The key handler sees the current key, may change it, and the key it
// gave is kept after a good load only.
TEST(NamedStreams, AskForKey) {
  TNamedStreams ns;
  ns.Encrypted = true;
  ns.Key = "right";
  Add(ns, "a", "data");
  const std::string saved = Saved(ns);

  TNamedStreams back;
  back.Key = "wrong";
  std::string seen;
  back.OnAskForKey = [&](TNamedStreams&, std::string& key) {
    seen = key;
    key = "right";
  };
  Load(back, saved);
  EXPECT_EQ(seen, "wrong");
  EXPECT_EQ(back.Key, "right");
  EXPECT_EQ(Get(back, "a"), "data");

  TNamedStreams failing;
  failing.Key = "mine";
  failing.OnAskForKey = [](TNamedStreams&, std::string& key) { key = "bad"; };
  EXPECT_THROW(Load(failing, saved), ECorruptFile);
  EXPECT_EQ(failing.Key, "mine");
}

// Damaged input, a wrong or empty key, or no collection at all: OnCorrupt,
// then "File is corrupt.", and the collection keeps its items, key and
// flags.
TEST(NamedStreams, CorruptInputKeepsTheCollection) {
  TNamedStreams good;
  good.Key = "k";
  good.Encrypted = true;
  Add(good, "item", "payload");
  const std::string enciphered = Saved(good);
  good.Encrypted = false;
  good.Compressed = false;
  const std::string plain = Saved(good);
  const std::string head = "  " + kSignature;

  struct Case {
    const char* what;
    std::string bytes;
    const char* key;
  };
  const Case cases[] = {
      {"nothing", "", "k"},
      {"one byte", "&", "k"},
      {"only the flags", "&*", "k"},
      {"only the flags, plain", "  ", "k"},
      {"text", "Title \"a\";\r\n", "k"},
      {"wrong signature", "  " + std::string(8, '\x01') + Le32(0), "k"},
      {"no count", head, "k"},
      {"negative count", head + Le32(-1), "k"},
      {"count beyond the bytes", head + Le32(1000000), "k"},
      {"name beyond the bytes", head + Le32(1) + Le16(200) + "abcd" + Le32(0), "k"},
      {"negative size", head + Le32(1) + Le16(1) + "a" + Le32(-5), "k"},
      {"size beyond the bytes", head + Le32(1) + Le16(1) + "a" + Le32(100) + "xyz", "k"},
      {"body ends inside an item", plain.substr(0, plain.size() - 3), "k"},
      {"wrong key", enciphered, "other"},
      {"empty key", enciphered, ""},
      {"cipher body not a multiple of 8", enciphered.substr(0, enciphered.size() - 1), "k"},
      {"cipher body cut by a block", enciphered.substr(0, enciphered.size() - 8), "k"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TNamedStreams ns;
    ns.Key = c.key;
    ns.Compressed = false;
    ns.Encrypted = false;
    Add(ns, "kept", "old data");
    int told = 0;
    ns.OnCorrupt = [&](TNamedStreams& sender) {
      EXPECT_EQ(&sender, &ns);
      ++told;
    };
    try {
      Load(ns, c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const ECorruptFile& e) {
      EXPECT_EQ(e.Message(), "File is corrupt.");
    }
    EXPECT_EQ(told, 1);
    EXPECT_EQ(ns.Count(), 1);
    EXPECT_EQ(Get(ns, "kept"), "old data");
    EXPECT_EQ(ns.Key, c.key);
    EXPECT_FALSE(ns.Compressed);
    EXPECT_FALSE(ns.Encrypted);
  }
}

// Every truncation of a compressed and enciphered collection fails as
// corrupt; bit flips either fail as corrupt or load, never anything else.
TEST(NamedStreams, TruncationsAndBitFlips) {
  TNamedStreams ns;
  ns.Encrypted = true;
  ns.Key = "blorvintaxeq";
  Add(ns, "headfile", "Quorvane File\r\nVersion 1.0\r\n");
  std::string text;
  for (int i = 0; i < 200; ++i) text += "y = b1*x + b2; // line " + std::to_string(i) + "\r\n";
  Add(ns, "quorvanefile", text);
  for (bool compressed : {true, false}) {
    ns.Compressed = compressed;
    const std::string saved = Saved(ns);
    for (size_t n = 0; n < saved.size(); ++n) {
      TNamedStreams back;
      back.Key = ns.Key;
      EXPECT_THROW(Load(back, saved.substr(0, n)), ECorruptFile) << n;
    }
    for (size_t bit = 16; bit < saved.size() * 8; bit += 5) {
      std::string d = saved;
      d[bit / 8] = static_cast<char>(d[bit / 8] ^ (1 << (bit % 8)));
      TNamedStreams back;
      back.Key = ns.Key;
      try {
        Load(back, d);
      } catch (const ECorruptFile&) {
      }
    }
  }
}

// A weak key raises instead of writing plain data under the cipher flag;
// SaveToFile then leaves the old file as it was.
TEST(NamedStreams, FailedSaveLeavesTheOldFile) {
  const std::filesystem::path dir = std::filesystem::path(QV_BINARY_DIR) / "named-streams";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "weak.bin").string();
  TNamedStreams ns;
  ns.Key = "k";
  Add(ns, "a", "first version");
  ns.SaveToFile(file);
  const std::string before = readFileBytes(file);

  Add(ns, "a", "second version");
  ns.Encrypted = true;
  ns.Key = kWeakKey;
  EXPECT_THROW(ns.SaveToFile(file), Exception);
  EXPECT_EQ(readFileBytes(file), before);
  TMemoryStream dest(std::string_view("keep"));
  dest.SetPosition(4);
  EXPECT_THROW(ns.SaveToStream(dest), Exception);
  EXPECT_EQ(dest.View(), "keep");

  ns.Key = "k";
  EXPECT_THROW(ns.SaveToFile((dir / "no-such-folder" / "x.bin").string()), EFCreateError);
  TNamedStreams other;
  Add(other, "kept", "1");
  EXPECT_THROW(other.LoadFromFile((dir / "missing.bin").string()), EFOpenError);
  EXPECT_EQ(Get(other, "kept"), "1");

  TNamedStreams back;
  back.LoadFromFile(file);
  EXPECT_EQ(Get(back, "a"), "first version");
}

// A stream that claims a size without holding the bytes.
class HugeStream : public TStream {
 public:
  explicit HugeStream(int64_t size) : size_(size) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    pos_ = (origin == soBeginning ? 0 : origin == soCurrent ? pos_ : size_) + offset;
    return pos_;
  }
  int64_t Size() override { return size_; }

 private:
  int64_t size_;
  int64_t pos_ = 0;
};

// Names beyond 65535 bytes and data beyond 2^31-1 bytes do not fit the
// saved form and are refused rather than wrapped.
TEST(NamedStreams, Limits) {
  TNamedStreams ns;
  ns.Compressed = false;
  TMemoryStream small(std::string_view("x"));
  EXPECT_THROW(ns.AddStream(std::string(65536, 'n'), &small), EInvalidOperation);
  HugeStream huge(int64_t{1} << 31);
  EXPECT_THROW(ns.AddStream("huge", &huge), EInvalidOperation);
  EXPECT_EQ(ns.Count(), 0);

  const std::string longest(65535, 'n');
  ns.AddStream(longest, &small);
  TNamedStreams back;
  Load(back, Saved(ns));
  EXPECT_EQ(Get(back, longest), "x");
}

TEST(NamedStreams, CollectionHeader) {
  struct Case {
    std::string bytes;
    bool header;
  };
  const Case cases[] = {
      {"&*xxxxxxxx", true},
      {"& xxxx", true},
      {" *xxxx", true},
      {"  " + kSignature + Le32(0), true},
      {"  plain text", false},
      {"Title \"x\";", false},
      {"&", false},
      {"", false},
      {"*&", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TNamedStreams::HasCollectionHeader(c.bytes), c.header) << c.bytes;
}

}  // namespace
}  // namespace qv
