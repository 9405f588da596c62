// LZH compression and expansion in the lh5 layout.
//
// Parameters: an 8192-byte window (13 dictionary bits), matches of 3 to 256
// bytes, a character-and-length alphabet of 510 codes (0-255 literal
// bytes, 256-509 match lengths 3-256), a position alphabet of 14 classes
// (the bit length of distance - 1), and a code-length alphabet of 19
// codes that carries the character tree's lengths. Huffman codes are
// canonical and at most 16 bits long.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "support/NamedStreamRoutines.h"

namespace qv {
namespace {

constexpr int kDicBits = 13;
constexpr int kDicSize = 1 << kDicBits;  // 8192
constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;                         // shortest match
constexpr int NC = 256 + kMaxMatch - kThreshold + 1;  // 510
constexpr int NT = 19;                                // code-length alphabet
constexpr int TBIT = 5;
constexpr int NP = kDicBits + 1;  // 14 position classes
constexpr int PBIT = 4;
constexpr int CBIT = 9;
constexpr int NPT = NT > NP ? NT : NP;
constexpr int kMaxCodeLen = 16;
constexpr size_t kBlockBufSize = 16384;  // collected codes of one block

[[noreturn]] void Corrupt() { throw ECorruptFile(SCompressedFileCorrupt); }

// ===========================================================================
// Encoder

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  // Appends the low n bits of v (n <= 16), most significant first.
  void Put(int n, unsigned v) {
    if (n <= 0) return;
    acc_ = (acc_ << n) | (v & ((1u << n) - 1));
    bits_ += n;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(static_cast<uint8_t>(acc_ >> bits_));
    }
    acc_ &= (1u << bits_) - 1;
  }
  // Drops an incomplete last byte (the caller has completed it first).
  void Finish() {
    acc_ = 0;
    bits_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// Builds a Huffman code for freq[0..n-1] with lengths of at most 16 bits.
// Returns the root: a symbol (< n) when fewer than two symbols occur (its
// code is then empty and every length is 0), else an inner node (>= n).
// Inner nodes are built from a heap of the lowest frequencies; lengths
// deeper than 16 are folded back into a complete code, and the longest
// codes go to the symbols taken from the heap first (the rarest).
int MakeTree(int n, const uint32_t* freqIn, uint8_t* len, uint16_t* code) {
  std::vector<uint32_t> freq(2 * n);
  std::vector<int> left(2 * n), right(2 * n), heap(n + 1);
  std::copy(freqIn, freqIn + n, freq.begin());
  int heapSize = 0;
  heap[1] = 0;
  for (int i = 0; i < n; ++i) {
    len[i] = 0;
    code[i] = 0;
    if (freq[i]) heap[++heapSize] = i;
  }
  if (heapSize < 2) {
    code[heap[1]] = 0;
    return heap[1];
  }
  auto downHeap = [&](int i) {
    int k = heap[i];
    int j;
    while ((j = 2 * i) <= heapSize) {
      if (j < heapSize && freq[heap[j]] > freq[heap[j + 1]]) ++j;
      if (freq[k] <= freq[heap[j]]) break;
      heap[i] = heap[j];
      i = j;
    }
    heap[i] = k;
  };
  for (int i = heapSize / 2; i >= 1; --i) downHeap(i);

  std::vector<int> order;  // leaves in the order they leave the heap
  order.reserve(n);
  int avail = n;
  int k = 0;
  do {
    int i = heap[1];
    if (i < n) order.push_back(i);
    heap[1] = heap[heapSize--];
    downHeap(1);
    int j = heap[1];
    if (j < n) order.push_back(j);
    k = avail++;
    freq[k] = freq[i] + freq[j];
    heap[1] = k;
    downHeap(1);
    left[k] = i;
    right[k] = j;
  } while (heapSize > 1);
  const int root = k;

  // Count leaves per depth, depths beyond 16 counted at 16.
  std::array<int, kMaxCodeLen + 1> lenCount{};
  std::vector<std::pair<int, int>> stack{{root, 0}};
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    if (node < n) {
      ++lenCount[std::min(depth, kMaxCodeLen)];
    } else {
      stack.push_back({left[node], depth + 1});
      stack.push_back({right[node], depth + 1});
    }
  }
  uint32_t cum = 0;
  for (int i = kMaxCodeLen; i > 0; --i)
    cum += static_cast<uint32_t>(lenCount[i]) << (kMaxCodeLen - i);
  while (cum != (1u << kMaxCodeLen)) {
    --lenCount[kMaxCodeLen];
    for (int i = kMaxCodeLen - 1; i > 0; --i) {
      if (lenCount[i] != 0) {
        --lenCount[i];
        lenCount[i + 1] += 2;
        break;
      }
    }
    --cum;
  }
  size_t next = 0;
  for (int i = kMaxCodeLen; i > 0; --i) {
    for (int c = lenCount[i]; c > 0; --c) len[order[next++]] = static_cast<uint8_t>(i);
  }

  // Canonical codes: shorter first, by symbol within one length.
  std::array<uint32_t, kMaxCodeLen + 2> start{};
  std::array<int, kMaxCodeLen + 1> count{};
  for (int i = 0; i < n; ++i) ++count[len[i]];
  start[1] = 0;
  for (int i = 1; i <= kMaxCodeLen; ++i) start[i + 1] = (start[i] + count[i]) << 1;
  for (int i = 0; i < n; ++i) {
    if (len[i]) code[i] = static_cast<uint16_t>(start[len[i]]++);
  }
  return root;
}

class Encoder {
 public:
  explicit Encoder(std::vector<uint8_t>& out) : bits_(out) {}

  void Run(std::span<const uint8_t> data) {
    data_ = data;
    const size_t n = data.size();
    head_.assign(kHashSize, -1);
    prev_.assign(kChainSize, -1);
    if (n > 0) {
      Match last = FindAndInsert(0);
      size_t i = 0;
      while (i < n) {
        Match cur = i + 1 < n ? FindAndInsert(i + 1) : Match{};
        if (cur.len > last.len || last.len < kThreshold) {
          Output(data[i], 0);
          ++i;
          last = cur;
        } else {
          Output(static_cast<unsigned>(last.len + (256 - kThreshold)),
                 static_cast<unsigned>(i - last.pos - 1));
          for (size_t j = i + 2; j < i + static_cast<size_t>(last.len); ++j) Insert(j);
          i += static_cast<size_t>(last.len);
          last = i < n ? FindAndInsert(i) : Match{};
        }
      }
    }
    SendBlock();
    bits_.Put(7, 0);
    bits_.Finish();
  }

 private:
  struct Match {
    int len = 0;
    size_t pos = 0;
  };
  static constexpr int kHashBits = 15;
  static constexpr size_t kHashSize = size_t{1} << kHashBits;
  // Chain links of the last 2 windows of positions: a search never follows
  // a link older than one window, so older slots may be reused.
  static constexpr size_t kChainSize = 2 * kDicSize;

  size_t Hash(size_t i) const {
    return ((static_cast<size_t>(data_[i]) << 10) ^ (static_cast<size_t>(data_[i + 1]) << 5) ^
            data_[i + 2]) &
           (kHashSize - 1);
  }
  void Insert(size_t i) {
    if (i + 2 >= data_.size()) return;
    size_t h = Hash(i);
    prev_[i & (kChainSize - 1)] = head_[h];
    head_[h] = static_cast<int64_t>(i);
  }
  // Number of equal leading bytes, up to maxLen, compared 8 at a time.
  static int MatchLength(const uint8_t* a, const uint8_t* b, int maxLen) {
    int l = 0;
    while (l + 8 <= maxLen) {
      uint64_t x, y;
      std::memcpy(&x, a + l, 8);
      std::memcpy(&y, b + l, 8);
      if (x != y) {
        const uint64_t d = x ^ y;
        if constexpr (std::endian::native == std::endian::little)
          return l + std::countr_zero(d) / 8;
        else
          return l + std::countl_zero(d) / 8;
      }
      l += 8;
    }
    while (l < maxLen && a[l] == b[l]) ++l;
    return l;
  }

  // The longest match for position i within the window (the nearest one
  // among equally long matches), never past the end of the data; then
  // position i joins the dictionary.
  Match FindAndInsert(size_t i) {
    Match best;
    const size_t n = data_.size();
    if (i + 2 < n) {
      const int maxLen = static_cast<int>(std::min<size_t>(kMaxMatch, n - i));
      const uint8_t* cur = data_.data() + i;
      for (int64_t c = head_[Hash(i)]; c >= 0 && i - static_cast<size_t>(c) <= kDicSize;
           c = prev_[static_cast<size_t>(c) & (kChainSize - 1)]) {
        const uint8_t* cand = data_.data() + c;
        if (cand[best.len] != cur[best.len] && best.len > 0) continue;
        const int l = MatchLength(cand, cur, maxLen);
        if (l > best.len) {
          best.len = l;
          best.pos = static_cast<size_t>(c);
          if (l == maxLen) break;
        }
      }
      if (best.len < kThreshold) best.len = 0;
    }
    Insert(i);
    return best;
  }

  // Block buffer: a flag byte per group of 8 codes (bit set, from the most
  // significant, for a match), a literal as one byte, a match as three
  // (length code - 256, position high byte, low byte).
  void Output(unsigned c, unsigned p) {
    if ((outputMask_ >>= 1) == 0) {
      outputMask_ = 0x80;
      if (outputPos_ >= kBlockBufSize - 24) {
        SendBlock();
        outputPos_ = 0;
      }
      cpos_ = outputPos_++;
      buf_[cpos_] = 0;
    }
    buf_[outputPos_++] = static_cast<uint8_t>(c);
    ++cFreq_[c];
    ++codes_;
    if (c >= 256) {
      buf_[cpos_] |= static_cast<uint8_t>(outputMask_);
      buf_[outputPos_++] = static_cast<uint8_t>(p >> 8);
      buf_[outputPos_++] = static_cast<uint8_t>(p);
      int cls = 0;
      for (unsigned q = p; q; q >>= 1) ++cls;
      ++pFreq_[cls];
    }
  }

  // The number of code lengths up to the last non-zero one.
  int UsedCLenCount() const {
    int n = NC;
    while (n > 0 && cLen_[n - 1] == 0) --n;
    return n;
  }

  // Walks the code lengths as they are sent: each length k > 0 is the
  // symbol k + 2; a run of zeros is symbol 0 once per zero (up to two),
  // symbol 1 with the run less 3 in 4 bits (3 to 18), symbol 0 then symbol 1
  // with 15 (19), or symbol 2 with the run less 20 in CBIT bits. The visitor
  // gets the symbol and its extra bits (count 0: none).
  template <class TVisit>
  void VisitCLenSymbols(int n, TVisit visit) const {
    int i = 0;
    while (i < n) {
      int k = cLen_[i++];
      if (k == 0) {
        int count = 1;
        while (i < n && cLen_[i] == 0) {
          ++i;
          ++count;
        }
        if (count <= 2) {
          for (int j = 0; j < count; ++j) visit(0, 0, 0);
        } else if (count <= 18) {
          visit(1, 4, count - 3);
        } else if (count == 19) {
          visit(0, 0, 0);
          visit(1, 4, 15);
        } else {
          visit(2, CBIT, count - 20);
        }
      } else {
        visit(k + 2, 0, 0);
      }
    }
  }

  void CountTFreq() {
    tFreq_.fill(0);
    VisitCLenSymbols(UsedCLenCount(), [&](int symbol, int, int) { ++tFreq_[symbol]; });
  }

  void WritePtLen(int n, int nbit, int iSpecial) {
    while (n > 0 && ptLen_[n - 1] == 0) --n;
    bits_.Put(nbit, n);
    int i = 0;
    while (i < n) {
      int k = ptLen_[i++];
      if (k <= 6)
        bits_.Put(3, k);
      else
        bits_.Put(k - 3, (1u << (k - 3)) - 2);
      if (i == iSpecial) {
        while (i < 6 && ptLen_[i] == 0) ++i;
        bits_.Put(2, (i - 3) & 3);
      }
    }
  }

  void WriteCLen() {
    const int n = UsedCLenCount();
    bits_.Put(CBIT, n);
    VisitCLenSymbols(n, [&](int symbol, int extraBits, int extra) {
      bits_.Put(ptLen_[symbol], ptCode_[symbol]);
      if (extraBits > 0) bits_.Put(extraBits, extra);
    });
  }

  void EncodeP(unsigned p) {
    int c = 0;
    for (unsigned q = p; q; q >>= 1) ++c;
    bits_.Put(ptLen_[c], ptCode_[c]);
    if (c > 1) bits_.Put(c - 1, p & (0xFFFFu >> (17 - c)));
  }

  void SendBlock() {
    int root = MakeTree(NC, cFreq_.data(), cLen_.data(), cCode_.data());
    bits_.Put(16, codes_);
    if (root >= NC) {
      CountTFreq();
      int troot = MakeTree(NT, tFreq_.data(), ptLen_.data(), ptCode_.data());
      if (troot >= NT) {
        WritePtLen(NT, TBIT, 3);
      } else {
        bits_.Put(TBIT, 0);
        bits_.Put(TBIT, troot);
      }
      WriteCLen();
    } else {
      bits_.Put(TBIT, 0);
      bits_.Put(TBIT, 0);
      bits_.Put(CBIT, 0);
      bits_.Put(CBIT, root);
    }
    int proot = MakeTree(NP, pFreq_.data(), ptLen_.data(), ptCode_.data());
    if (proot >= NP) {
      WritePtLen(NP, PBIT, -1);
    } else {
      bits_.Put(PBIT, 0);
      bits_.Put(PBIT, proot);
    }
    size_t pos = 0;
    unsigned flags = 0;
    for (unsigned i = 0; i < codes_; ++i) {
      if (i % 8 == 0)
        flags = buf_[pos++];
      else
        flags <<= 1;
      if (flags & 0x80) {
        unsigned c = buf_[pos++] + 256u;
        bits_.Put(cLen_[c], cCode_[c]);
        unsigned p = static_cast<unsigned>(buf_[pos] << 8) | buf_[pos + 1];
        pos += 2;
        EncodeP(p);
      } else {
        unsigned c = buf_[pos++];
        bits_.Put(cLen_[c], cCode_[c]);
      }
    }
    cFreq_.fill(0);
    pFreq_.fill(0);
    codes_ = 0;
  }

  BitWriter bits_;
  std::span<const uint8_t> data_;
  std::vector<int64_t> head_, prev_;
  std::array<uint8_t, kBlockBufSize> buf_{};
  size_t outputPos_ = 0, cpos_ = 0;
  unsigned outputMask_ = 0;
  unsigned codes_ = 0;
  std::array<uint32_t, NC> cFreq_{};
  std::array<uint32_t, NP> pFreq_{};
  std::array<uint32_t, NT> tFreq_{};
  std::array<uint8_t, NC> cLen_{};
  std::array<uint16_t, NC> cCode_{};
  std::array<uint8_t, NPT> ptLen_{};
  std::array<uint16_t, NPT> ptCode_{};
};

// ===========================================================================
// Decoder

// Reads bits most significant first. Peeking past the end gives zero bits;
// consuming past the end means the code is cut short.
class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> data) : data_(data), total_(data.size() * 8) {}
  unsigned Peek16() const {
    size_t byte = pos_ >> 3;
    uint32_t w = 0;
    for (size_t k = 0; k < 3; ++k) {
      w <<= 8;
      if (byte + k < data_.size()) w |= data_[byte + k];
    }
    return (w >> (8 - (pos_ & 7))) & 0xFFFF;
  }
  void Skip(int n) {
    pos_ += static_cast<size_t>(n);
    if (pos_ > total_) Corrupt();
  }
  unsigned Get(int n) {
    if (n == 0) return 0;
    unsigned v = Peek16() >> (16 - n);
    Skip(n);
    return v;
  }

 private:
  std::span<const uint8_t> data_;
  size_t total_;
  size_t pos_ = 0;
};

// A canonical decoding table: a direct table on the first `tableBits`
// bits, longer codes resolved length by length. A table made from a
// single symbol decodes to it with no bits.
class HuffDecoder {
 public:
  void SetSingle(int symbol) { single_ = symbol; }

  void Build(const uint8_t* len, int n, int tableBits) {
    single_ = -1;
    tableBits_ = tableBits;
    count_.fill(0);
    for (int i = 0; i < n; ++i) ++count_[len[i]];
    uint32_t sum = 0;
    for (int l = 1; l <= kMaxCodeLen; ++l)
      sum += static_cast<uint32_t>(count_[l]) << (kMaxCodeLen - l);
    if (sum != (1u << kMaxCodeLen)) Corrupt();
    std::array<int, kMaxCodeLen + 2> offs{};
    for (int l = 1; l <= kMaxCodeLen; ++l) offs[l + 1] = offs[l] + count_[l];
    symbols_.assign(static_cast<size_t>(offs[kMaxCodeLen + 1]), 0);
    for (int i = 0; i < n; ++i) {
      if (len[i]) symbols_[static_cast<size_t>(offs[len[i]]++)] = static_cast<uint16_t>(i);
    }
    table_.assign(size_t{1} << tableBits, 0);
    uint32_t code = 0;
    size_t s = 0;
    for (int l = 1; l <= kMaxCodeLen; ++l) {
      for (int c = 0; c < count_[l]; ++c, ++code, ++s) {
        if (l <= tableBits) {
          const uint32_t first = code << (tableBits - l);
          const uint32_t span = 1u << (tableBits - l);
          for (uint32_t e = 0; e < span; ++e)
            table_[first + e] =
                static_cast<uint32_t>(symbols_[s]) | (static_cast<uint32_t>(l) << 16);
        }
      }
      code <<= 1;
    }
  }

  int Decode(BitReader& in) const {
    if (single_ >= 0) return single_;
    const unsigned v = in.Peek16();
    const uint32_t e = table_[v >> (16 - tableBits_)];
    if (e >> 16) {
      in.Skip(static_cast<int>(e >> 16));
      return static_cast<int>(e & 0xFFFF);
    }
    int code = 0, first = 0, index = 0;
    for (int l = 1; l <= kMaxCodeLen; ++l) {
      code |= static_cast<int>((v >> (16 - l)) & 1);
      const int cnt = count_[l];
      if (code - cnt < first) {
        in.Skip(l);
        return symbols_[static_cast<size_t>(index + code - first)];
      }
      index += cnt;
      first = (first + cnt) << 1;
      code <<= 1;
    }
    Corrupt();  // unreachable for a complete code
  }

 private:
  int single_ = -1;
  int tableBits_ = 8;
  std::array<int, kMaxCodeLen + 1> count_{};
  std::vector<uint16_t> symbols_;
  std::vector<uint32_t> table_;
};

// The largest uncompressed length a stream may declare (256 MiB).
constexpr size_t kMaxExpandedLength = size_t{256} << 20;

class Decoder {
 public:
  explicit Decoder(std::span<const uint8_t> code) : in_(code) {}

  void Run(size_t length, std::vector<uint8_t>& out) {
    out.reserve(std::min<size_t>(length, size_t{1} << 20));
    std::vector<uint8_t> ring(kDicSize, 0);
    size_t r = 0;  // total bytes written; ring index is r & mask
    unsigned blockLeft = 0;
    while (r < length) {
      if (blockLeft == 0) {
        blockLeft = in_.Get(16);
        if (blockLeft == 0) Corrupt();
        ReadPtLen(NT, TBIT, 3);
        ReadCLen();
        ReadPtLen(NP, PBIT, -1);
      }
      --blockLeft;
      const int c = cDec_.Decode(in_);
      if (c < 256) {
        ring[r & (kDicSize - 1)] = static_cast<uint8_t>(c);
        out.push_back(static_cast<uint8_t>(c));
        ++r;
      } else {
        const size_t len = static_cast<size_t>(c - (256 - kThreshold));
        int j = pDec_.Decode(in_);
        unsigned p = static_cast<unsigned>(j);
        if (j > 1) p = (1u << (j - 1)) + in_.Get(j - 1);
        if (len > length - r) Corrupt();
        size_t from = r - p - 1;
        for (size_t k = 0; k < len; ++k, ++from, ++r) {
          const uint8_t b = ring[from & (kDicSize - 1)];
          ring[r & (kDicSize - 1)] = b;
          out.push_back(b);
        }
      }
    }
  }

 private:
  void ReadPtLen(int nn, int nbit, int iSpecial) {
    const int n = static_cast<int>(in_.Get(nbit));
    if (n == 0) {
      const int c = static_cast<int>(in_.Get(nbit));
      if (c >= nn) Corrupt();
      ptLen_.fill(0);
      (nn == NP ? pDec_ : ptDec_).SetSingle(c);
      return;
    }
    if (n > nn) Corrupt();
    ptLen_.fill(0);
    int i = 0;
    while (i < n) {
      int c = static_cast<int>(in_.Peek16() >> 13);
      if (c == 7) {
        unsigned mask = 1u << 12;
        const unsigned v = in_.Peek16();
        while (mask & v) {
          mask >>= 1;
          ++c;
        }
        if (c > kMaxCodeLen) Corrupt();
      }
      in_.Skip(c < 7 ? 3 : c - 3);
      ptLen_[static_cast<size_t>(i++)] = static_cast<uint8_t>(c);
      if (i == iSpecial) {
        int z = static_cast<int>(in_.Get(2));
        if (i + z > n) Corrupt();
        while (--z >= 0) ptLen_[static_cast<size_t>(i++)] = 0;
      }
    }
    (nn == NP ? pDec_ : ptDec_).Build(ptLen_.data(), nn, 8);
  }

  void ReadCLen() {
    const int n = static_cast<int>(in_.Get(CBIT));
    if (n == 0) {
      const int c = static_cast<int>(in_.Get(CBIT));
      if (c >= NC) Corrupt();
      cDec_.SetSingle(c);
      return;
    }
    if (n > NC) Corrupt();
    std::array<uint8_t, NC> cLen{};
    int i = 0;
    while (i < n) {
      int c = ptDec_.Decode(in_);
      if (c <= 2) {
        int run;
        if (c == 0)
          run = 1;
        else if (c == 1)
          run = static_cast<int>(in_.Get(4)) + 3;
        else
          run = static_cast<int>(in_.Get(CBIT)) + 20;
        if (i + run > n) Corrupt();
        while (--run >= 0) cLen[static_cast<size_t>(i++)] = 0;
      } else {
        cLen[static_cast<size_t>(i++)] = static_cast<uint8_t>(c - 2);
      }
    }
    cDec_.Build(cLen.data(), NC, 12);
  }

  BitReader in_;
  std::array<uint8_t, NPT> ptLen_{};
  HuffDecoder ptDec_, cDec_, pDec_;
};

}  // namespace

std::vector<uint8_t> LzhCompressBytes(std::span<const uint8_t> input) {
  std::vector<uint8_t> out;
  const uint32_t n = static_cast<uint32_t>(input.size());
  if (input.size() > UINT32_MAX) throw Exception("Data too large to compress");
  out.reserve(input.size() / 2 + 64);
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<uint8_t>(n >> (8 * k)));
  Encoder(out).Run(input);
  return out;
}

std::vector<uint8_t> LzhExpandBytes(std::span<const uint8_t> input) {
  if (input.size() < 4) Corrupt();
  const size_t length = static_cast<size_t>(input[0]) | static_cast<size_t>(input[1]) << 8 |
                        static_cast<size_t>(input[2]) << 16 | static_cast<size_t>(input[3]) << 24;
  // A tiny stream can legitimately claim gigabytes (lh5 codes of zero bits
  // repeat without reading input). No document of this program comes near
  // the limit, so a larger claim is taken as a damaged or hostile file
  // rather than decoded into memory.
  if (length > kMaxExpandedLength) Corrupt();
  std::vector<uint8_t> out;
  if (length > 0) Decoder(input.subspan(4)).Run(length, out);
  return out;
}

}  // namespace qv
