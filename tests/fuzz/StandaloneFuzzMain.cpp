// Deterministic driver for fuzz targets when libFuzzer is not used.
//
// Feeds the target every file named on the command line, then a fixed
// number of inputs made from the target's seeds (QvFuzzSeeds, optional) by
// truncation, byte flips, insertions, deletions and splices, then purely
// random inputs. The same build always feeds the same inputs, so a failure
// reproduces. QV_FUZZ_ITERATIONS overrides the count (default 20000).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// A target may define this to give typical inputs to start from.
extern "C" __attribute__((weak)) void QvFuzzSeeds(std::vector<std::string>* seeds);

namespace {
struct Rng {
  uint64_t s = 0x9E3779B97F4A7C15ull;
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 16);
  }
  size_t below(size_t n) { return n == 0 ? 0 : next() % n; }
};

void run(const std::string& in) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(in.data()), in.size());
}

std::string mutate(Rng& r, std::string s, const std::vector<std::string>& seeds) {
  int steps = 1 + static_cast<int>(r.below(4));
  for (int i = 0; i < steps; ++i) {
    switch (r.below(6)) {
      case 0:
        if (!s.empty()) s.resize(r.below(s.size()));
        break;
      case 1:
        if (!s.empty()) s[r.below(s.size())] ^= static_cast<char>(1u << r.below(8));
        break;
      case 2:
        s.insert(s.begin() + static_cast<long>(r.below(s.size() + 1)), static_cast<char>(r.next()));
        break;
      case 3:
        if (!s.empty()) s.erase(r.below(s.size()), 1 + r.below(8));
        break;
      case 4:
        if (!seeds.empty()) {
          const std::string& o = seeds[r.below(seeds.size())];
          if (!o.empty()) s.insert(r.below(s.size() + 1), o.substr(r.below(o.size())));
        }
        break;
      case 5:
        if (!s.empty()) {
          static const char kTokens[] = "0123456789()+-*/^;,:=[]{}\"'\r\n\t $";
          s[r.below(s.size())] = kTokens[r.below(sizeof kTokens - 1)];
        }
        break;
    }
  }
  return s;
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream f(argv[i], std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    run(data);
  }
  std::vector<std::string> seeds;
  if (QvFuzzSeeds) QvFuzzSeeds(&seeds);
  for (const auto& s : seeds) run(s);
  long iterations = 20000;
  if (const char* e = std::getenv("QV_FUZZ_ITERATIONS")) iterations = std::atol(e);
  Rng r;
  for (long i = 0; i < iterations; ++i) {
    std::string in;
    if (!seeds.empty() && r.below(4) != 0) {
      in = mutate(r, seeds[r.below(seeds.size())], seeds);
    } else {
      size_t n = r.below(64);
      for (size_t k = 0; k < n; ++k) in.push_back(static_cast<char>(r.next()));
    }
    run(in);
  }
  std::printf("%ld inputs ran\n", iterations + static_cast<long>(seeds.size()));
  return 0;
}
