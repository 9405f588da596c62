// Blowfish: published block vectors, round counts, stream padding and the
// failures of keys and enciphered data.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "support/NamedStreamRoutines.h"

namespace qv {
namespace {

std::vector<uint8_t> Hex(const std::string& h) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i + 1 < h.size(); i += 2)
    v.push_back(static_cast<uint8_t>(std::stoul(h.substr(i, 2), nullptr, 16)));
  return v;
}

uint32_t Word(const std::string& h) { return static_cast<uint32_t>(std::stoul(h, nullptr, 16)); }

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// The published ECB vectors: L is the first 8 hexadecimal digits of a
// block, R the last 8.
const Vector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

// The published variable-key vectors: plaintext FEDCBA9876543210 under
// the first n bytes of one 24-byte key, n = 1..24.
const char* const kVariableKey = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
const char* const kVariableKeyCipher[24] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
    "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
    "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
    "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
    "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

void CheckVector(const std::vector<uint8_t>& key, const std::string& plain,
                 const std::string& cipher) {
  TBlowfishState st;
  EXPECT_TRUE(BlowfishInitKey(st, key.data(), static_cast<int>(key.size()), nullptr, 16));
  uint32_t L = Word(plain.substr(0, 8)), R = Word(plain.substr(8, 8));
  BlowfishEncryptBlock(st, L, R);
  EXPECT_EQ(L, Word(cipher.substr(0, 8)));
  EXPECT_EQ(R, Word(cipher.substr(8, 8)));
  BlowfishDecryptBlock(st, L, R);
  EXPECT_EQ(L, Word(plain.substr(0, 8)));
  EXPECT_EQ(R, Word(plain.substr(8, 8)));
}

TEST(Blowfish, PublishedEcbVectors) {
  for (const Vector& v : kEcbVectors) {
    SCOPED_TRACE(v.key);
    CheckVector(Hex(v.key), v.plain, v.cipher);
  }
}

TEST(Blowfish, PublishedVariableKeyVectors) {
  const std::vector<uint8_t> full = Hex(kVariableKey);
  for (int n = 1; n <= 24; ++n) {
    SCOPED_TRACE(n);
    CheckVector(std::vector<uint8_t>(full.begin(), full.begin() + n), "FEDCBA9876543210",
                kVariableKeyCipher[n - 1]);
  }
}

TEST(Blowfish, InitialTableIsTheFractionOfPi) {
  EXPECT_EQ(BlowfishInitialTable[0], 0x243F6A88u);
  EXPECT_EQ(BlowfishInitialTable[17], 0x8979FB1Bu);
  EXPECT_EQ(BlowfishInitialTable[34], 0xD1310BA6u);                     // S-box 0, first word
  EXPECT_EQ(BlowfishInitialTable[BlowfishTableSize - 1], 0x3AC372E6u);  // S-box 3, last word
}

// Rounds outside 2..32 fall back to 16; odd counts are raised to even.
TEST(Blowfish, RoundCounts) {
  const uint8_t key[] = {'k', 'e', 'y'};
  auto encipher = [&](int rounds, int* used) {
    TBlowfishState st;
    BlowfishInitKey(st, key, 3, nullptr, rounds);
    *used = st.Rounds;
    uint32_t L = 0x01234567, R = 0x89ABCDEF;
    BlowfishEncryptBlock(st, L, R);
    BlowfishDecryptBlock(st, L, R);
    EXPECT_EQ(L, 0x01234567u);
    EXPECT_EQ(R, 0x89ABCDEFu);
    BlowfishEncryptBlock(st, L, R);
    return (static_cast<uint64_t>(L) << 32) | R;
  };
  struct Case {
    int given, used;
  };
  const Case cases[] = {{2, 2},   {3, 4},  {4, 4},   {16, 16}, {31, 32},
                        {32, 32}, {1, 16}, {33, 16}, {0, 16},  {-4, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    int used = 0, same = 0;
    const uint64_t got = encipher(c.given, &used);
    EXPECT_EQ(used, c.used);
    EXPECT_EQ(got, encipher(c.used, &same));
  }
  int a = 0, b = 0;
  EXPECT_NE(encipher(16, &a), encipher(32, &b));
}

TEST(Blowfish, EmptyKeyIsAnErrorBeforeTheSchedule) {
  TBlowfishState st;
  const uint8_t key[] = {1};
  EXPECT_THROW(BlowfishInitKey(st, key, 0, nullptr, 16), Exception);
  EXPECT_THROW(BlowfishInitKey(st, nullptr, 4, nullptr, 16), Exception);
  std::vector<uint8_t> data{1, 2, 3};
  EXPECT_THROW(EncryptBytes(data, ""), Exception);
  EXPECT_THROW(DecryptBytes(data, ""), Exception);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3}));
}

// Stream blocks are two little-endian words: bytes 0-3 are L, 4-7 are R.
TEST(BlowfishStream, BlocksAreLittleEndianWords) {
  const std::string key = "blorvintaxeq";
  std::vector<uint8_t> data{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE, 0xAA, 0xBB};
  std::vector<uint8_t> enc = data;
  EncryptBytes(enc, key);
  ASSERT_EQ(enc.size(), 16u);
  TBlowfishState st;
  BlowfishInitKey(st, reinterpret_cast<const uint8_t*>(key.data()), 12, nullptr, 16);
  uint32_t L = 0x76543210, R = 0xFEDCBA98;
  BlowfishEncryptBlock(st, L, R);
  EXPECT_EQ(readLE<uint32_t>(enc.data()), L);
  EXPECT_EQ(readLE<uint32_t>(enc.data() + 4), R);
  // Second block: the two data bytes, five bytes 0x01 and the count 5.
  L = readLE<uint32_t>(enc.data() + 8);
  R = readLE<uint32_t>(enc.data() + 12);
  BlowfishDecryptBlock(st, L, R);
  EXPECT_EQ(L, 0x0101BBAAu);
  EXPECT_EQ(R, 0x05010101u);
}

// Every size round-trips; the padding brings the size to the next multiple
// of 8 with 1 to 8 bytes of 0x01 and their count.
TEST(BlowfishStream, PaddingRoundTripsForEverySize) {
  const std::string key = "a key";
  TBlowfishState st;
  BlowfishInitKey(st, reinterpret_cast<const uint8_t*>(key.data()), 5, nullptr, 16);
  for (size_t n = 0; n <= 64; ++n) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 37 + n);
    std::vector<uint8_t> enc = data;
    EncryptBytes(enc, key);
    if (n == 0) {
      EXPECT_TRUE(enc.empty());
    } else {
      const size_t pad = 8 - (n + 1) % 8;
      ASSERT_EQ(enc.size(), n + pad + 1);
      ASSERT_EQ(enc.size() % 8, 0u);
      // The last block ends in the count byte.
      uint32_t L = readLE<uint32_t>(enc.data() + enc.size() - 8);
      uint32_t R = readLE<uint32_t>(enc.data() + enc.size() - 4);
      BlowfishDecryptBlock(st, L, R);
      EXPECT_EQ(R >> 24, pad);
    }
    std::vector<uint8_t> dec = enc;
    DecryptBytes(dec, key);
    EXPECT_EQ(dec, data);
  }
  // The sizes named for the padding: 7 -> 16, 6 -> 8, 8 -> 16.
  for (auto [in, out] : {std::pair<size_t, size_t>{7, 16}, {6, 8}, {8, 16}}) {
    std::vector<uint8_t> d(in, 0x55);
    EncryptBytes(d, key);
    EXPECT_EQ(d.size(), out);
  }
}

TEST(BlowfishStream, StreamFormsWorkInPlaceAndRewind) {
  TMemoryStream ms(std::string_view("hello, world"));
  ms.SetPosition(5);
  EncryptStream(ms, "k");
  EXPECT_EQ(ms.Size(), 16);
  EXPECT_EQ(ms.Position(), 0);
  DecryptStream(ms, "k");
  EXPECT_EQ(ms.View(), "hello, world");
  EXPECT_EQ(ms.Position(), 0);
}

// Enciphered data of a wrong size, or whose padding does not decipher to
// 0x01 bytes and a count of 1 to 8 (a wrong key, a damaged file), fail
// as a corrupt file and stay unchanged.
TEST(BlowfishStream, WrongSizeOrPaddingIsCorrupt) {
  std::vector<uint8_t> good(20, 0x41);
  EncryptBytes(good, "right");
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    const char* key;
  };
  const std::vector<uint8_t> cut(good.begin(), good.begin() + 23);
  std::vector<uint8_t> flipped = good;
  flipped.back() ^= 0x80;
  const Case cases[] = {
      {"size not a multiple of 8", cut, "right"},
      {"damaged last block", flipped, "right"},
      {"wrong key", good, "wrong"},
      {"plain data", std::vector<uint8_t>(16, 0), "right"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> d = c.data;
    try {
      DecryptBytes(d, c.key);
      ADD_FAILURE() << "no error";
    } catch (const ECorruptFile& e) {
      EXPECT_EQ(e.Message(), "File is corrupt.");
    }
    EXPECT_EQ(d, c.data);
  }
}

// A weak key (an S-box with two equal words) refuses to encipher instead
// of leaving the data plain; deciphering with it leaves data as they are,
// which is how earlier versions stored data under such a key.
TEST(BlowfishStream, WeakKey) {
  // Found by searching 4-byte keys: S-box entries collide under this one.
  const std::string weak("\xC7\x19\x00\x00", 4);
  TBlowfishState st;
  EXPECT_FALSE(BlowfishInitKey(st, reinterpret_cast<const uint8_t*>(weak.data()),
                               static_cast<int>(weak.size()), nullptr, 16));
  std::vector<uint8_t> data{'p', 'l', 'a', 'i', 'n'};
  EXPECT_THROW(EncryptBytes(data, weak), Exception);
  EXPECT_EQ(data, (std::vector<uint8_t>{'p', 'l', 'a', 'i', 'n'}));
  DecryptBytes(data, weak);
  EXPECT_EQ(data, (std::vector<uint8_t>{'p', 'l', 'a', 'i', 'n'}));
}

}  // namespace
}  // namespace qv
