// The two coders that a named stream collection applies to its payload:
// LZH compression (the LHA "lh5" method: LZSS over an 8 KB window with
// static Huffman coding per block) and the Blowfish block cipher.
//
// Every call keeps its working state (window, trees, key schedule) to
// itself, so calls may run on any thread and side by side.
//
// Compressed form: a 32-bit little-endian uncompressed length, then the lh5
// bit stream (16-bit code count per block, the code-length, character and
// position trees, the codes; most significant bit first; the last byte
// completed with zero bits).
//
// Enciphered form: the data padded with 1 to 8 bytes of 0x01 and a byte
// holding that count, so that the size is a multiple of 8, then every
// 8-byte block enciphered in place (ECB); bytes 0-3 of a block are the
// little-endian word L, bytes 4-7 the little-endian word R.
//
// Failures: damaged compressed data raise ECorruptFile "Compressed file is
// corrupt"; enciphered data whose size or padding is wrong raise
// ECorruptFile "File is corrupt."; an empty key, and a weak key when
// enciphering, raise Exception. No input makes a coder read or write
// outside its buffers, loop forever or allocate more than the data it
// actually produces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/SysUtils.h"

namespace qv {

class TStream;
class TMemoryStream;

// A damaged collection or compressed stream. Carries only its message.
QV_DECLARE_EXCEPTION(ECorruptFile, Exception)

inline constexpr const char* SFileCorrupt = "File is corrupt.";
inline constexpr const char* SCompressedFileCorrupt = "Compressed file is corrupt";

// ---------------------------------------------------------------------------
// LZH (lh5)

// Compresses `input` into the compressed form above (length, then bits).
std::vector<uint8_t> LzhCompressBytes(std::span<const uint8_t> input);

// Expands the compressed form: the first 4 bytes are the uncompressed
// length, every byte after them is code. Raises ECorruptFile "Compressed
// file is corrupt" when fewer than 4 bytes are given, when a tree is
// malformed (a count beyond its alphabet, a run of zero lengths past the
// count, code lengths that are not a complete prefix code), when a block
// holds no codes, when a match runs past the declared length, or when the
// code needs bits beyond the last byte, or when the declared length is over
// 256 MiB. The result grows only as codes are decoded, whatever length the
// header declares.
std::vector<uint8_t> LzhExpandBytes(std::span<const uint8_t> input);

// Stream forms: LzhCompress compresses Input from its current position to
// its end and writes the compressed form at Output's position. LzhExpand
// reads the compressed form from Input's position to its end and writes
// the expanded bytes at Output's position.
void LzhCompress(TStream& Input, TStream& Output);
void LzhExpand(TStream& Input, TStream& Output);

// ---------------------------------------------------------------------------
// Blowfish

inline constexpr int BlowfishTableSize = 1058;

// P[0..33], then S-boxes 0, 1, 2 and 3 of 256 words each: the hexadecimal
// fraction of pi, P[18..33] being the 16 words after the last S-box word.
extern const uint32_t BlowfishInitialTable[BlowfishTableSize];

// One keyed cipher: the P array, the four S-boxes and the number of rounds
// (even, 2 to 32). Rounds beyond 16 use P[18..rounds+1].
struct TBlowfishState {
  uint32_t P[34];
  uint32_t S[4][256];
  int Rounds = 16;
};

// Keys `State` with KeyLength bytes of Key, starting from Table (1058 words
// in the order of BlowfishInitialTable) or the initial table when Table is
// null. Rounds from 2 to 32 are used, an odd count raised to the next even
// one; any other value gives 16. Returns false when the key is weak (an
// S-box holds two equal words); the state is keyed all the same. An empty
// key raises Exception before anything is keyed.
bool BlowfishInitKey(TBlowfishState& State, const uint8_t* Key, int KeyLength,
                     const uint32_t* Table, int Rounds);

void BlowfishEncryptBlock(const TBlowfishState& State, uint32_t& L, uint32_t& R);
void BlowfishDecryptBlock(const TBlowfishState& State, uint32_t& L, uint32_t& R);

// Pads and enciphers `data` in place with 16 rounds and the initial table.
// Empty data stay empty. An empty key or a weak key raises Exception and
// leaves `data` as it was (data are never passed off as enciphered).
void EncryptBytes(std::vector<uint8_t>& data, std::string_view Key);

// Deciphers `data` in place and removes the padding. Empty data stay
// empty. A weak key leaves the data as they are: files written by earlier
// versions under such a key hold their data plain. A size that is not a
// multiple of 8, or padding that is not 1 to 8 bytes of 0x01 followed by
// their count, raises ECorruptFile "File is corrupt."; an empty key raises
// Exception. On any failure `data` is left as it was.
void DecryptBytes(std::vector<uint8_t>& data, std::string_view Key);

// The same on a whole memory stream; its position is left at 0.
void EncryptStream(TMemoryStream& Stream, const std::string& Key);
void DecryptStream(TMemoryStream& Stream, const std::string& Key);

}  // namespace qv
