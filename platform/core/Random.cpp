#include "platform/core/Random.h"

#include <sys/time.h>

#include <cmath>

namespace qv {

void TRandomGenerator::Randomize() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  // seconds and microseconds of the clock, folded into 32 bits
  seed_ = static_cast<uint32_t>(static_cast<uint64_t>(tv.tv_sec) * 1000003u +
                                static_cast<uint64_t>(tv.tv_usec));
}

double TRandomGenerator::RandG(double mean, double stdDev) {
  double u1, s2;
  do {
    u1 = 2 * Random() - 1;
    const double u2 = 2 * Random() - 1;
    s2 = u1 * u1 + u2 * u2;
  } while (s2 >= 1 || s2 == 0);
  return std::sqrt(-2 * std::log(s2) / s2) * u1 * stdDev + mean;
}

}  // namespace qv
