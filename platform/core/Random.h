// The run-time library's random generator: a 32-bit linear congruential
// generator seed := seed * 134775813 + 1 (mod 2^32). Each draw steps the
// seed first and then derives the value from the new seed:
//   Random()   = seed / 2^32, in [0, 1)
//   Random(n)  = (uint64(seed) * n) >> 32, in [0, n) for n > 0, 0 otherwise
// A generator is not shared between threads; the engine owns one, seeded
// once per run.
#pragma once

#include <cstdint>

namespace qv {

class TRandomGenerator {
 public:
  explicit TRandomGenerator(uint32_t seed = 0) : seed_(seed) {}

  // Seeds from the clock (seconds and microseconds); call once per run.
  void Randomize();
  void SetSeed(uint32_t seed) { seed_ = seed; }
  uint32_t Seed() const { return seed_; }

  // Steps the generator and returns the new seed.
  uint32_t Next() {
    seed_ = seed_ * 134775813u + 1u;
    return seed_;
  }
  double Random() { return static_cast<double>(Next()) * (1.0 / 4294967296.0); }
  int32_t Random(int32_t range) {
    uint32_t s = Next();
    if (range <= 0) return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(s) * static_cast<uint32_t>(range)) >> 32);
  }
  // A value in [from, to) (or [to, from) when from > to).
  int32_t RandomRange(int32_t from, int32_t to) {
    return from > to ? Random(from - to) + to : Random(to - from) + from;
  }
  // Normal deviate by the polar method, from pairs of Random() draws.
  double RandG(double mean, double stdDev);

 private:
  uint32_t seed_;
};

}  // namespace qv
