// The Blowfish block cipher (an even number of rounds from 2 to 32) and the
// padded ECB enciphering of whole byte buffers.
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/core/Classes.h"
#include "support/NamedStreamRoutines.h"

namespace qv {
namespace {

inline uint32_t F(const TBlowfishState& s, uint32_t x) {
  return ((s.S[0][x >> 24] + s.S[1][(x >> 16) & 0xFF]) ^ s.S[2][(x >> 8) & 0xFF]) +
         s.S[3][x & 0xFF];
}

bool HasEqualEntries(const uint32_t* box) {
  uint32_t sorted[256];
  std::copy(box, box + 256, sorted);
  std::sort(sorted, sorted + 256);
  return std::adjacent_find(sorted, sorted + 256) != sorted + 256;
}

// Keys a fresh state for the stream operations; false for a weak key.
bool KeyState(TBlowfishState& state, std::string_view key) {
  return BlowfishInitKey(state, reinterpret_cast<const uint8_t*>(key.data()),
                         static_cast<int>(std::min<size_t>(key.size(), INT32_MAX)), nullptr, 16);
}

void CryptBlocks(const TBlowfishState& state, uint8_t* p, size_t size, bool encrypt) {
  for (size_t off = 0; off + 8 <= size; off += 8) {
    uint32_t L = readLE<uint32_t>(p + off);
    uint32_t R = readLE<uint32_t>(p + off + 4);
    if (encrypt)
      BlowfishEncryptBlock(state, L, R);
    else
      BlowfishDecryptBlock(state, L, R);
    writeLE<uint32_t>(p + off, L);
    writeLE<uint32_t>(p + off + 4, R);
  }
}

}  // namespace

bool BlowfishInitKey(TBlowfishState& State, const uint8_t* Key, int KeyLength,
                     const uint32_t* Table, int Rounds) {
  if (Key == nullptr || KeyLength <= 0) throw Exception("The cipher key is empty.");
  const uint32_t* t = Table ? Table : BlowfishInitialTable;
  std::copy(t, t + 34, State.P);
  for (int b = 0; b < 4; ++b) std::copy(t + 34 + 256 * b, t + 34 + 256 * (b + 1), State.S[b]);
  if (Rounds < 2 || Rounds > 32) Rounds = 16;
  if (Rounds & 1) ++Rounds;
  State.Rounds = Rounds;

  const int keyBytes = 4 * (Rounds + 2);
  for (int i = 0; i < keyBytes; ++i)
    State.P[i / 4] ^= static_cast<uint32_t>(Key[i % KeyLength]) << (8 * (3 - i % 4));

  uint32_t L = 0, R = 0;
  for (int i = 0; i < Rounds + 2; i += 2) {
    BlowfishEncryptBlock(State, L, R);
    State.P[i] = L;
    State.P[i + 1] = R;
  }
  for (int b = 0; b < 4; ++b) {
    for (int j = 0; j < 256; j += 2) {
      BlowfishEncryptBlock(State, L, R);
      State.S[b][j] = L;
      State.S[b][j + 1] = R;
    }
  }
  for (int b = 0; b < 4; ++b) {
    if (HasEqualEntries(State.S[b])) return false;
  }
  return true;
}

void BlowfishEncryptBlock(const TBlowfishState& State, uint32_t& L, uint32_t& R) {
  uint32_t l = L, r = R;
  for (int i = 0; i < State.Rounds; ++i) {
    l ^= State.P[i];
    r ^= F(State, l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= State.P[State.Rounds];
  l ^= State.P[State.Rounds + 1];
  L = l;
  R = r;
}

void BlowfishDecryptBlock(const TBlowfishState& State, uint32_t& L, uint32_t& R) {
  uint32_t l = L, r = R;
  for (int i = State.Rounds + 1; i >= 2; --i) {
    l ^= State.P[i];
    r ^= F(State, l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= State.P[1];
  l ^= State.P[0];
  L = l;
  R = r;
}

void EncryptBytes(std::vector<uint8_t>& data, std::string_view Key) {
  if (Key.empty()) throw Exception("The cipher key is empty.");
  if (data.empty()) return;
  auto state = std::make_unique<TBlowfishState>();
  if (!KeyState(*state, Key))
    throw Exception("The cipher key is weak; the data cannot be enciphered with it.");
  const size_t pad = 8 - (data.size() + 1) % 8;
  data.insert(data.end(), pad, uint8_t{1});
  data.push_back(static_cast<uint8_t>(pad));
  CryptBlocks(*state, data.data(), data.size(), true);
}

void DecryptBytes(std::vector<uint8_t>& data, std::string_view Key) {
  if (Key.empty()) throw Exception("The cipher key is empty.");
  if (data.empty()) return;
  auto state = std::make_unique<TBlowfishState>();
  if (!KeyState(*state, Key)) return;
  if (data.size() % 8 != 0) throw ECorruptFile(SFileCorrupt);
  std::vector<uint8_t> plain(data);
  CryptBlocks(*state, plain.data(), plain.size(), false);
  const size_t pad = plain.back();
  if (pad < 1 || pad > 8 || pad + 1 > plain.size()) throw ECorruptFile(SFileCorrupt);
  const size_t keep = plain.size() - pad - 1;
  for (size_t i = keep; i < plain.size() - 1; ++i) {
    if (plain[i] != 1) throw ECorruptFile(SFileCorrupt);
  }
  plain.resize(keep);
  data.swap(plain);
}

}  // namespace qv
