// One step of each of the four search families on a small population with a
// fixed seed, for every scheme, formula, route and option: the new values
// follow the trace recorded from the engine bit for bit, and they keep what
// each step promises (finite values, undrawn dimensions left alone, limits
// on velocities, refused trials leaving the members). Then the random member
// values, the bound repair and the base-N genes. Dimensions without bounds
// keep the repair out of the way (a finite value inside no bounds is kept
// and draws nothing). Cases whose rules ignore a setting (the random start
// of every scheme, for one) share a trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/GeneEncoding.h"
#include "engine/RandomValues.h"
#include "engine/SearchState.h"
#include "engine/SearchSteps.h"
#include "platform/core/Random.h"

using namespace qv;

namespace {

using Rows = std::vector<std::vector<double>>;

// A population of Members x Dims, no bounds, the first RandomDims drawn.
struct TFixture {
  TEngineState S;
  TSearchSettings Set;
  TFixture(int members, int dims, int randomDims, int mode, uint32_t seed) {
    S.Model.ModelMode = static_cast<TModelMode>(mode);
    S.Model.ParameterCount = dims;
    for (int d = 0; d < dims; ++d) {
      S.Model.ParameterNames.push_back("p" + std::to_string(d));
      S.Model.HasLower.push_back(false), S.Model.HasUpper.push_back(false),
          S.Model.HasBound.push_back(false);
      S.Model.HasInitial.push_back(false), S.Model.HasRange.push_back(false),
          S.Model.IsInteger.push_back(false);
      S.Model.LowerBound.push_back(0), S.Model.UpperBound.push_back(0),
          S.Model.InitialValue.push_back(0);
      S.Model.RangeLow.push_back(0), S.Model.RangeHigh.push_back(0),
          S.Model.ParameterDigits.push_back(-1);
      S.Model.ParameterValues.push_back(0);
    }
    S.Model.DimCount = dims;
    S.Pop.RandomDimCount = randomDims;
    S.Pop.PopSize = S.Pop.NeighbourSize = members;
    S.Pop.Population.assign(members, Double1Array(dims));
    for (int m = 0; m < members; ++m)
      for (int d = 0; d < dims; ++d)
        S.Pop.Population[m][d] = 0.3 + 1.7 * m - 0.9 * d + 0.25 * m * d;
    S.Pop.TrialPopulation = S.Pop.Population;
    S.Pop.Velocity.assign(members, Double1Array(dims, 0));
    for (int m = 0; m < members; ++m)
      for (int d = 0; d < dims; ++d) S.Pop.Velocity[m][d] = 0.2 * (m + 1) - 0.1 * d;
    S.Pop.PersonalBestPosition = S.Pop.Population;
    for (auto& row : S.Pop.PersonalBestPosition)
      for (double& x : row) x += 0.4;
    S.Pop.PersonalBestFitness.assign(members, 0.5);
    S.Pop.NeighbourBestPosition = S.Pop.Population;
    for (auto& row : S.Pop.NeighbourBestPosition)
      for (double& x : row) x -= 0.7;
    S.Pop.BestPosition.assign(dims, 0);
    for (int d = 0; d < dims; ++d) S.Pop.BestPosition[d] = 1.1 + 0.6 * d;
    S.Pop.RelativeFitness.assign(members, 0);
    S.Pop.ObjectiveValues.assign(members, 0);
    S.Pop.ObjectiveFeasible.assign(members, 1);
    S.Pop.Fitness.assign(members, 0);
    SeedEngineRandom(S, seed);
  }
  Rows Pop() const { return Rows(S.Pop.Population.begin(), S.Pop.Population.end()); }
};

void ExpectRows(const Rows& got, const Rows& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t m = 0; m < got.size(); ++m)
    for (size_t d = 0; d < got[m].size(); ++d)
      EXPECT_NEAR(got[m][d], want[m][d], 1e-9 * (1 + std::fabs(want[m][d])))
          << what << " member " << m << " dim " << d;
}

// The bit patterns of a step's results, folded: the first three values in
// full and an FNV-1a digest of all of them, so that one table line holds a
// whole case and a change of any bit shows.
struct TTrace {
  std::vector<double> Head;
  uint64_t Digest = 14695981039346656037ull;
  void Add(double v) {
    if (Head.size() < 3) Head.push_back(v);
    uint64_t bits = std::bit_cast<uint64_t>(v);
    for (int k = 0; k < 8; ++k, bits >>= 8) Digest = (Digest ^ (bits & 0xff)) * 1099511628211ull;
  }
  void Add(const Double2Array& rows) {
    for (const auto& row : rows)
      for (double v : row) Add(v);
  }
  std::string Text() const {
    std::string text;
    char part[24];
    for (double v : Head) {
      std::snprintf(part, sizeof part, "%016llx ",
                    static_cast<unsigned long long>(std::bit_cast<uint64_t>(v)));
      text += part;
    }
    std::snprintf(part, sizeof part, "#%016llx", static_cast<unsigned long long>(Digest));
    return text + part;
  }
};

// Traces recorded from the engine as it stands, known good, by case name.
using TGolden = std::map<std::string, std::string>;

// A case whose trace differs prints its new line, ready to take in when the
// change is meant.
void ExpectTrace(const TGolden& golden, const std::string& name, const TTrace& trace) {
  const std::string now = trace.Text();
  const auto it = golden.find(name);
  if (it == golden.end()) {
    ADD_FAILURE() << "no trace; recorded: {\"" << name << "\", \"" << now << "\"},";
    return;
  }
  EXPECT_EQ(now, it->second) << "now: {\"" << name << "\", \"" << now << "\"},";
}

void ExpectFinite(const Double2Array& rows) {
  for (const auto& row : rows)
    for (double v : row) EXPECT_TRUE(std::isfinite(v)) << v;
}

// ---------------------------------------------------------------------------
// Zedovev Avedezo Rezividorodo, fitting variant: every scheme, global and
// local, from the random start (DC near 0) to the fine steps (DC near 1),
// four steps from three seeds.

TEST(ZedovevStep, FittingStepFollowsItsRecordedTrace) {
  static const TGolden golden{
      {"scheme 0 global DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 0 global DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 0 global DC 0.500000 members 3",
       "3ff2006d004ccccd 3ffbaa5c0820e305 bff8000000000000 #57f0de9b03ac741b"},
      {"scheme 0 global DC 0.500000 members 1",
       "3ff15c6f7058f90e 3ffb07fd9d8edaa5 bff8000000000000 #6277d5bcc2332981"},
      {"scheme 0 global DC 0.850000 members 3",
       "3ff1b8729ecf5c29 3ffb56f2a6474e59 bff8000000000000 #52dfc95e2098830d"},
      {"scheme 0 global DC 0.999500 members 3",
       "3ff199b3ec6404eb 3ffb3351b46fda8c bff8000000000000 #74266208e419e7b0"},
      {"scheme 0 local DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 0 local DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 0 local DC 0.500000 members 3",
       "400032aa9c873333 4007dcce13035d50 bff8000000000000 #2a343f67b0b3aee8"},
      {"scheme 0 local DC 0.850000 members 3",
       "40005228272e147b 40083c1df4f72cdc bff8000000000000 #26c8e0d622a1eb36"},
      {"scheme 0 local DC 0.999500 members 3",
       "40005f9b953d0aa6 400864d43146153e bff8000000000000 #c4d7016567068cb0"},
      {"scheme 1 global DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 1 global DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 1 global DC 0.500000 members 3",
       "3fe7340d33cccccd 3ff43fb3c6ef496b bff8000000000000 #e820a0d81a6fcb45"},
      {"scheme 1 global DC 0.850000 members 3",
       "3fe6a41870d1eb86 3ff3ec4a6515b4bf bff8000000000000 #83e11538a4795247"},
      {"scheme 1 global DC 0.999500 members 3",
       "3fe6669b0bfb3d08 3ff3c8a9733e40f2 bff8000000000000 #f361e157dfef15fa"},
      {"scheme 1 local DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 1 local DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 1 local DC 0.500000 members 3",
       "3ff9feeed2a80000 4004565847629084 bff8000000000000 #b9d0a312bb1ce954"},
      {"scheme 1 local DC 0.850000 members 3",
       "3ffa3de9e7f5c290 4004b5a829566010 bff8000000000000 #961d55a344ec6fcb"},
      {"scheme 1 local DC 0.999500 members 3",
       "3ffa58d0c413aee6 4004de5e65a54870 bff8000000000000 #db5737b6ebfe4e6d"},
      {"scheme 2 global DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 2 global DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 2 global DC 0.500000 members 3",
       "3ff901b02a5e0577 400013dde13b7313 bff8000000000000 #97e73744562ca7b4"},
      {"scheme 2 global DC 0.850000 members 3",
       "3ff901b02a5e0577 400013dde13b7313 bff8000000000000 #b5c2897697a953fc"},
      {"scheme 2 global DC 0.850000 members 1",
       "3ff1874026d30309 3ffb263cb981e570 bff8000000000000 #b3bd0203290fcb2d"},
      {"scheme 2 global DC 0.999500 members 3",
       "3ff901b02a5e0577 400013dde13b7313 bff8000000000000 #b5c2897697a953fc"},
      {"scheme 2 local DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 2 local DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 2 local DC 0.500000 members 3",
       "3ff44a48a52db396 3ffbd3f08cfe64fd bff8000000000000 #4746e98b45dc53ba"},
      {"scheme 2 local DC 0.850000 members 3",
       "3ff44a48a52db396 3ffbd3f08cfe64fd bff8000000000000 #1a73316d86d87eba"},
      {"scheme 2 local DC 0.999500 members 3",
       "3ff44a48a52db396 3ffbd3f08cfe64fd bff8000000000000 #1a73316d86d87eba"},
      {"scheme 3 global DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 3 global DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 3 global DC 0.500000 members 3",
       "3ff29b49c3f79f10 3ffbedae82ed4c8c bff8000000000000 #8ff0d7c67190fdbb"},
      {"scheme 3 global DC 0.850000 members 3",
       "3ff29b49c3f79f10 3ffbedae82ed4c8c bff8000000000000 #68ed591651fcbe45"},
      {"scheme 3 global DC 0.999500 members 3",
       "3ff29b49c3f79f10 3ffbedae82ed4c8c bff8000000000000 #68ed591651fcbe45"},
      {"scheme 3 local DC -0.300000 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 3 local DC 0.000010 members 3",
       "401094134aab57dd 400214af997e9b0a bff8000000000000 #f6fda2d23a52c945"},
      {"scheme 3 local DC 0.500000 members 3",
       "3febc7c47d8e9a5f 3ff385b25f24cb63 bff8000000000000 #9b326086a3be4754"},
      {"scheme 3 local DC 0.850000 members 3",
       "3febc7c47d8e9a5f 3ff385b25f24cb63 bff8000000000000 #93ad97ad71dce4a2"},
      {"scheme 3 local DC 0.999500 members 3",
       "3febc7c47d8e9a5f 3ff385b25f24cb63 bff8000000000000 #93ad97ad71dce4a2"},
  };
  for (int scheme = 0; scheme < 4; ++scheme)
    for (bool local : {false, true})
      for (double dc : {-0.3, 0.00001, 0.5, 0.85, 0.9995})
        for (int members : {3, 1}) {
          if (members == 1 &&
              (local || !((scheme == 0 && dc == 0.5) || (scheme == 2 && dc == 0.85))))
            continue;
          TTrace trace;
          for (uint32_t seed : {1u, 77u, 4242u}) {
            TFixture f(members, 3, 2, 0, seed);
            f.S.Pop.BestDC = dc;
            f.S.Pop.Population[0][1] = f.S.Pop.BestPosition[1];  // on the best: a random start
            if (local) f.S.Pop.NeighbourSize = members - 1;
            f.Set.ZudScheme = scheme;
            const Rows before = f.Pop();
            for (int step = 0; step < 4; ++step) {
              StepZedovevFit(f.S.Model, f.S.Pop, f.S.Run, f.Set);
              trace.Add(f.S.Pop.Population);
              ExpectFinite(f.S.Pop.Population);
            }
            // The dimension that is not drawn stays where it was.
            for (int m = 0; m < members; ++m) EXPECT_EQ(f.S.Pop.Population[m][2], before[m][2]);
          }
          ExpectTrace(golden,
                      "scheme " + std::to_string(scheme) + (local ? " local" : " global") + " DC " +
                          std::to_string(dc) + " members " + std::to_string(members),
                      trace);
        }
}

TEST(ZedovevStep, FittingStepKeepsPersonalBestsOfLargerShares) {
  TFixture f(3, 2, 2, 0, 5);
  f.S.Pop.BestDC = 0.5;
  f.S.Pop.RelativeFitness = {0.2, 0.5, 0.7};  // only the last is strictly larger than 0.5
  const Rows before = f.Pop();
  const Rows personal(f.S.Pop.PersonalBestPosition.begin(), f.S.Pop.PersonalBestPosition.end());
  StepZedovevFit(f.S.Model, f.S.Pop, f.S.Run, f.Set);
  EXPECT_EQ(f.S.Pop.PersonalBestFitness, (Double1Array{0.5, 0.5, 0.7}));
  EXPECT_EQ(f.S.Pop.PersonalBestPosition[0], personal[0]);
  EXPECT_EQ(f.S.Pop.PersonalBestPosition[1], personal[1]);
  EXPECT_EQ(f.S.Pop.PersonalBestPosition[2], before[2]);
}

// Optimisation: every dimension moves, drawn or not, on every step.
TEST(ZedovevStep, OptimisationStepFollowsItsRecordedTrace) {
  static const TGolden golden{
      {"scheme 0 global", "3fe585c2e2d63c17 400535d48b940001 4012839750b8cccc #8d437622b72893d5"},
      {"scheme 0 local", "3fe585c2e2d63c17 40068af0254c0000 40151a112066cccc #8113e861cbb8e373"},
      {"scheme 1 global", "3fe585c2e2d63c17 3ff80542b0c1999a 4005d3fb6e3e6666 #e03183a9940182fe"},
      {"scheme 1 local", "3fe585c2e2d63c17 3ffaaf79e431999a 400b00ef0d9a6666 #73fa8f8b413efcc7"},
      {"scheme 2 global", "3fe585c2e2d63c17 4006fe924d089adc 401069d6e77b1d0f #3fd19e25433a391b"},
      {"scheme 2 local", "3fe585c2e2d63c17 3fff493504be244e 4004b274be02d9c0 #9af676e11337712a"},
      {"scheme 3 global", "3fe585c2e2d63c17 3ffb96be33aacf52 4001a07a9bc306ec #ddec9d3754011068"},
      {"scheme 3 local", "3fe585c2e2d63c17 3fe9c59d3caf7bce 3fe5fd062b3e9a32 #37cc71831126c4ff"},
  };
  for (int scheme = 0; scheme < 4; ++scheme)
    for (bool local : {false, true}) {
      TTrace trace;
      for (uint32_t seed : {3u, 91u, 2024u}) {
        TFixture f(3, 3, 1, 1, seed);  // RandomDimCount 1: the step still moves all three
        if (local) f.S.Pop.NeighbourSize = 2;
        f.Set.ZudScheme = scheme;
        f.S.Pop.Population[1][2] = f.S.Pop.BestPosition[2];
        for (int step = 0; step < 3; ++step) {
          const Rows before = f.Pop();
          StepZedovevOpt(f.S.Model, f.S.Pop, f.S.Run, f.Set);
          trace.Add(f.S.Pop.Population);
          ExpectFinite(f.S.Pop.Population);
          for (int m = 0; m < 3; ++m)
            for (int d = 0; d < 3; ++d) EXPECT_NE(f.S.Pop.Population[m][d], before[m][d]);
        }
      }
      ExpectTrace(golden, "scheme " + std::to_string(scheme) + (local ? " local" : " global"),
                  trace);
    }
}

// ---------------------------------------------------------------------------
// Particle swarm.

TEST(SwarmStep, VelocityFormulasFollowTheirRecordedTraceWithinTheLimits) {
  static const TGolden golden{
      {"formula 0 global scale 1.000000",
       "bfef0ee5d6b51ebe bffadf7ca45c7ae2 bff8000000000000 #a30f2247099e09c6"},
      {"formula 0 global vmax scale 1.000000",
       "bfef0ee5d6b51ebe bffadf7ca45c7ae2 bff8000000000000 #cbd1db8622d6a796"},
      {"formula 0 global scale 3000.000000",
       "c0bd5dfac73817d2 c0b2a986017afba3 c0b1940000000000 #3f0a5e3bfebab698"},
      {"formula 0 local scale 1.000000",
       "3fc1185258f70a36 bff25b543476147b bff8000000000000 #2f54f87ad229f414"},
      {"formula 0 local vmax scale 1.000000",
       "3fc1185258f70a36 bff25b543476147b bff8000000000000 #bcb741509e171655"},
      {"formula 0 local scale 3000.000000",
       "c0a212ea5d45f699 409f5c8216826647 c0b1940000000000 #2e0a17e59951b503"},
      {"formula 1 global scale 1.000000",
       "bff49d3fca58341c bfd346a5c32f16d4 bff8000000000000 #b2a6cfd05b7e113c"},
      {"formula 1 global vmax scale 1.000000",
       "3fd3333333333333 bfd346a5c32f16d4 bff8000000000000 #a240990a0508c078"},
      {"formula 1 global scale 3000.000000",
       "c0b085f75f9fd58b c075f491a1505b50 c0b1940000000000 #d20c2679b6ff1451"},
      {"formula 1 local scale 1.000000",
       "c00164d9bc1f7637 bffe5777df2fd157 bff8000000000000 #d9fa8462016f3c5c"},
      {"formula 1 local vmax scale 1.000000",
       "3fd3333333333333 bffe5777df2fd157 bff8000000000000 #a2b6d2f307ab85c6"},
      {"formula 1 local scale 3000.000000",
       "c0b0d5d0a0466700 c0b8c93a14c4d30b c0b1940000000000 #5f01a7225c3576eb"},
      {"formula 2 global scale 1.000000",
       "bfef2ee42de0a3da bff21d50c8d570a4 bff8000000000000 #b2dec8e458c70fa7"},
      {"formula 2 global vmax scale 1.000000",
       "bfef2ee42de0a3da bff21d50c8d570a4 bff8000000000000 #742a5fb6c8b77a20"},
      {"formula 2 global scale 3000.000000",
       "c0a927d225c12158 c0a7414adef81d26 c0b1940000000000 #188b79a6374da115"},
      {"formula 2 local scale 1.000000",
       "bfe79bffdc51999a bfddd039cd73d70c bff8000000000000 #6551411c7e1ac614"},
      {"formula 2 local vmax scale 1.000000",
       "bfe79bffdc51999a bfddd039cd73d70c bff8000000000000 #7ad6565e77111627"},
      {"formula 2 local scale 3000.000000",
       "c0a07086c0e55706 c09595aa8cc453a6 c0b1940000000000 #817d6f50235a9bf2"},
      {"formula 3 global scale 1.000000",
       "bff33823be5ec762 c008063344d34451 bff8000000000000 #8b1cf7419c86d4e5"},
      {"formula 3 global vmax scale 1.000000",
       "3fd3333333333333 bfe3333333333334 bff8000000000000 #a00975f372de097d"},
      {"formula 3 global scale 3000.000000",
       "c0a6adbec6f6c500 c0c1261159f25fa8 c0b1940000000000 #599e3c09616146fc"},
      {"formula 3 local scale 1.000000",
       "bff439f5aacc3806 c003a1e6a0a1fb35 bff8000000000000 #3135e1d4dabb596a"},
      {"formula 3 local vmax scale 1.000000",
       "3fd3333333333333 bfe3333333333334 bff8000000000000 #8c794825a96d5865"},
      {"formula 3 local scale 3000.000000",
       "c0a8ff260333840a c0a62dc51a2d69ec c0b1940000000000 #7e1e5e406d695e5d"},
      {"formula 4 global scale 1.000000",
       "3fd6b9acbb98a3d7 bfe0785c5206ee65 bff8000000000000 #05d435a2c031bae0"},
      {"formula 4 global vmax scale 1.000000",
       "3fd6b9acbb98a3d7 bfe0785c5206ee65 bff8000000000000 #f36edc1125eca315"},
      {"formula 4 global scale 3000.000000",
       "4073e94ca6c681fc c0923a39a8f03732 c0b1940000000000 #01bf6069432c5d81"},
      {"formula 4 local scale 1.000000",
       "3fdb847ee7f8dd2f bfd7f83cebb4ac0a bff8000000000000 #d76a9023e8ce4f30"},
      {"formula 4 local vmax scale 1.000000",
       "3fdb847ee7f8dd2f bfd7f83cebb4ac0a bff8000000000000 #55d935e55e68233b"},
      {"formula 4 local scale 3000.000000",
       "4084fc52c76194fa 408360dbf6c9f09a c0b1940000000000 #0a5cfd44466be2d9"},
      {"formula 5 global scale 1.000000",
       "bff9cae93dc3b575 c0019ced74573f4a bff8000000000000 #5069a27ede90a692"},
      {"formula 5 global vmax scale 1.000000",
       "3fd3333333333333 bfe3333333333334 bff8000000000000 #edb2947613fa6b96"},
      {"formula 5 global scale 3000.000000",
       "c0b541f6b519f808 c0b9babc92d6b4bc c0b1940000000000 #1aa2c3737edf6b86"},
      {"formula 5 local scale 1.000000",
       "bff05b82a92a3d71 c00117af54dbbee0 bff8000000000000 #c91e75ee5a547996"},
      {"formula 5 local vmax scale 1.000000",
       "bff05b82a92a3d71 bfe3333333333334 bff8000000000000 #e5343b1b7ed252a7"},
      {"formula 5 local scale 3000.000000",
       "c0a4cc98d053917b c0a506ab455b17d8 c0b1940000000000 #61962ad2b2b31295"},
  };
  struct Case {
    int Formula;
    bool Local;
    bool UseVmax;
    double Vmax;
    double Scale;
  };
  std::vector<Case> cases;
  for (int formula = 0; formula < 6; ++formula)
    for (bool local : {false, true}) {
      cases.push_back({formula, local, false, 2, 1});
      cases.push_back({formula, local, true, 1.5, 1});
      cases.push_back({formula, local, false, 2, 3000});  // velocities beyond +-10000
    }
  for (const Case& c : cases) {
    TFixture f(4, 3, 2, 0, 31 + c.Formula);
    for (int m = 0; m < 4; ++m)
      for (double& x : f.S.Pop.Population[m]) x *= m % 2 ? -c.Scale : c.Scale;
    for (double& b : f.S.Pop.BestPosition) b = -b * c.Scale;
    if (c.Local) f.S.Pop.NeighbourSize = 2;
    f.Set.VelocityFormula = c.Formula;
    f.Set.UseVmax = c.UseVmax;
    f.Set.Vmax = c.Vmax;
    f.Set.InertiaWeight = 0.7;
    f.Set.C1 = 2.05, f.Set.C2 = 2.1;
    f.Set.ConstrictionK = 0.73;
    f.S.Pop.RelativeFitness = {0.1, 0.9, 0.2, 0.6};  // members 1 and 3 improve their personal best
    const Rows X = f.Pop();
    StepParticleSwarm(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    const std::string what = "formula " + std::to_string(c.Formula) +
                             (c.Local ? " local" : " global") + (c.UseVmax ? " vmax" : "") +
                             " scale " + std::to_string(c.Scale);
    TTrace trace;
    trace.Add(f.S.Pop.Population);
    trace.Add(f.S.Pop.Velocity);
    ExpectTrace(golden, what, trace);
    // Each member moves by its new velocity; a velocity beyond the limit is
    // set to 0 (only the upper one without vmax).
    for (int i = 0; i < 4; ++i)
      for (int d = 0; d < 2; ++d) {
        const double v = f.S.Pop.Velocity[i][d];
        EXPECT_EQ(f.S.Pop.Population[i][d], X[i][d] + v) << what;
        if (c.UseVmax)
          EXPECT_LE(std::fabs(v), c.Vmax) << what;
        else
          EXPECT_LE(v, 10000) << what;
      }
    EXPECT_EQ(f.S.Pop.Population[0][2], X[0][2]) << what;  // not drawn, not moved
    EXPECT_EQ(f.S.Pop.PersonalBestFitness, (Double1Array{0.5, 0.9, 0.5, 0.6})) << what;
  }
}

// ---------------------------------------------------------------------------
// Differential evolution. In the optimisation mode a model with neither
// objectives nor constraints refuses every trial, so each generation leaves
// the population as it is and the trials stay in TrialPopulation.

TEST(DifferentialStep, TenSchemesFourRoutesTwoOptionsFollowTheirRecordedTrace) {
  static const TGolden golden{
      {"scheme 0 option 0 route 0",
       "3ffccccccccccccc bfe3333333333334 4003ae147ae147ad #86d032343000bd34"},
      {"scheme 0 option 0 route 1",
       "3ff6c81150800000 40181eb851eb851e 4017eb851eb851eb #486f158c2f2e1b64"},
      {"scheme 0 option 0 route 2",
       "4014ccccccccccce 3fda9ae17ad9999b bfedf48dbc19999a #3d84bd8b84a39521"},
      {"scheme 0 option 0 route 3",
       "401a3d70a3d70a3d 3ffb333333333334 40213d70a3d70a3d #e09ab5e40bb8f3b0"},
      {"scheme 0 option 1 route 0",
       "c00547ae147ae148 c0007ae147ae147c bff8000000000000 #50e8181a82321859"},
      {"scheme 0 option 1 route 1",
       "3ff6b34fc4266667 400675b51cc5999a 40064c913114cccc #d9577f36a371d55a"},
      {"scheme 0 option 1 route 2",
       "bffa3d70a3d70a3c bfec7ae147ae1478 bfc1eb851eb851f0 #3920e4c0b73f4462"},
      {"scheme 0 option 1 route 3",
       "3fd3333333333333 3ff7333333333333 4004000000000000 #bf475e96f47ee61d"},
      {"scheme 1 option 0 route 0",
       "400ae147ae147ae0 3fff333333333330 bff8000000000000 #0d09addf3b9e80a1"},
      {"scheme 1 option 0 route 1",
       "40068f5c28f5c28f 4008f5c28f5c28f4 400b5c28f5c28f5a #5330552a2c63ded8"},
      {"scheme 1 option 0 route 2",
       "bfceb851eb851eae 3ff919b059b1999b bfe147ae147ae14f #4797c9291d47c628"},
      {"scheme 1 option 0 route 3",
       "bff428f5c28f5c2a bff8f5c28f5c28fa 4002666666666666 #e3806b7ccc057d4c"},
      {"scheme 1 option 1 route 0",
       "3fd3333333333333 4009e76c8b439580 bff8000000000000 #3244d0653aeafe41"},
      {"scheme 1 option 1 route 1",
       "40134fdf3b645a1d 400063b01d500000 40137b13119e6666 #dbf877aaf1ce3f56"},
      {"scheme 1 option 1 route 2",
       "401126e978d4fdf3 3fe54dec1e166666 401b78d4fdf3b645 #7f39d4fb132c0927"},
      {"scheme 1 option 1 route 3",
       "3fd3333333333333 3fecbc6a7ef9db1a 3ff96872b020c49a #2e756fc089a19506"},
      {"scheme 2 option 0 route 0",
       "3fd3333333333333 4005d70a3d70a3d6 bff8000000000000 #7e4786b99e49b74b"},
      {"scheme 2 option 0 route 1",
       "3ff690b0aa266667 400fce486665999b 3fd5c28f5c28f5bf #7e70c20c73a6d0db"},
      {"scheme 2 option 0 route 2",
       "401f1eb851eb851f 3fe183119cb66666 3ffcd1bc5e166666 #951ab7d78bad5541"},
      {"scheme 2 option 0 route 3",
       "3ff199999999999a 4017666666666666 4002666666666666 #238273c241f8eb41"},
      {"scheme 2 option 1 route 0",
       "4014b851eb851eb8 bfe3333333333334 bff8000000000000 #df0d9216d0907b6c"},
      {"scheme 2 option 1 route 1",
       "3ff7a276dc800000 4005b2be37d9999a 400f020c49ba5e36 #65ba48cdaf7974b2"},
      {"scheme 2 option 1 route 2",
       "3fda28aaf799999a 3feecafcb0a66668 3ff5866a5aaccccc #56ffdda44cc76d6a"},
      {"scheme 2 option 1 route 3",
       "4000f5c28f5c28f6 3ffb333333333334 4002666666666666 #94d63c9b863521da"},
      {"scheme 3 option 0 route 0",
       "3ff947ae147ae14a 4008a3d70a3d70a7 bff8000000000000 #b38e4454a71005a2"},
      {"scheme 3 option 0 route 1",
       "3ff3dc65514ccccd 4000ce96f08ccccd 400aba82cd699999 #b5fee0100a362985"},
      {"scheme 3 option 0 route 2",
       "3fe3730144e66667 3ff8a29bf0280001 400a147ae147ae17 #e238b643b88b8090"},
      {"scheme 3 option 0 route 3",
       "4004ccccccccccce 4011000000000002 4002666666666666 #781222072dcbbfa5"},
      {"scheme 3 option 1 route 0",
       "3fd3333333333333 401b2b020c49ba5e 401f6872b020c49c #00e6d540451e909e"},
      {"scheme 3 option 1 route 1",
       "3fe5c28f5c28f5c2 4001851eb851eb86 400547ae147ae147 #d70731a5eb405dc2"},
      {"scheme 3 option 1 route 2",
       "3fdb645a1cac0820 3fe6a7ef9db22d08 3fc4885b29ccccc8 #4f956796c3fd3e1d"},
      {"scheme 3 option 1 route 3",
       "3ff199999999999a 3fff4bc6a7ef9db8 4002666666666666 #ea7f8dd2728832da"},
      {"scheme 4 option 0 route 0",
       "3fd3333333333333 bffcf5c28f5c28f6 bffa8f5c28f5c290 #ba8b6b902405bf2c"},
      {"scheme 4 option 0 route 1",
       "3ffa3d70a3d70a3e 3fe0f5c28f5c28fa 4014e59162e4cccc #6580650ae6694cda"},
      {"scheme 4 option 0 route 2",
       "3ff02c48d2733333 3fe0f5c28f5c28f6 bfe5e09855800000 #7441ea5112ee9c1b"},
      {"scheme 4 option 0 route 3",
       "4014b851eb851eb8 bfe3333333333334 4002666666666666 #703c117018d7b829"},
      {"scheme 4 option 1 route 0",
       "3fd3333333333333 bfdffffffffffff0 3fd3333333333338 #bb54474940a9956f"},
      {"scheme 4 option 1 route 1",
       "3ff667594cb33334 3fe570a3d70a3d76 3ff9eb851eb851ed #0d5d3e00dea095b5"},
      {"scheme 4 option 1 route 2",
       "3ff1970a8b0ccccd 3fe570a3d70a3d76 3ff9eb851eb851ed #c5fb2b8b2216f9fe"},
      {"scheme 4 option 1 route 3",
       "3fd3333333333333 3ffb333333333334 bff051eb851eb850 #8247fd2b1c721aa0"},
      {"scheme 5 option 0 route 0",
       "3fd3333333333333 bfe3333333333334 bfef5c28f5c28f5c #30463b6c0b5d1dbd"},
      {"scheme 5 option 0 route 1",
       "3ff3c818078ccccd c008f5c28f5c28f5 c00cf5c28f5c28f6 #76dcef6a8be35354"},
      {"scheme 5 option 0 route 2",
       "c004f5c28f5c28f6 3fe6b0e907733334 bff2ee5de9b9999a #42408a9e75f34954"},
      {"scheme 5 option 0 route 3",
       "3ff199999999999a bfe3333333333334 bff8000000000000 #811c08c09ffcfd61"},
      {"scheme 5 option 1 route 0",
       "3fd3333333333333 bfe3333333333334 bff8000000000000 #aaef110a4e04dda4"},
      {"scheme 5 option 1 route 1",
       "3ff3b3567b333334 3fe926e978d4fdfc 3ff1374bc6a7ef9d #7a24615e9973a2b4"},
      {"scheme 5 option 1 route 2",
       "3fd5ab3e27333333 3ff8fa05313ccccd bff90624dd2f1aa0 #2625fdaf7dc022db"},
      {"scheme 5 option 1 route 3",
       "c003ffffffffffff bfd89374bc6a7ef0 4002666666666666 #cd6eea529292ee22"},
      {"scheme 6 option 0 route 0",
       "4004ccccccccccce bfe3333333333334 40190a3d70a3d70a #b7615498e40d4fd8"},
      {"scheme 6 option 0 route 1",
       "3ffe5ef2100cccce 401028f5c28f5c2a 4014336e03766666 #ea83d15423d27530"},
      {"scheme 6 option 0 route 2",
       "bff7ae147ae147b0 3fa4700a44333330 3ff740a162a33333 #338191c5c16b6a79"},
      {"scheme 6 option 0 route 3",
       "3fd3333333333333 c01547ae147ae147 c0167ae147ae147a #dbc22dc187540abc"},
      {"scheme 6 option 1 route 0",
       "3fd3333333333333 bfe3333333333334 400e8f5c28f5c290 #b7fc9c022077d097"},
      {"scheme 6 option 1 route 1",
       "401828f5c28f5c28 4018851eb851eb85 401284625d74cccc #912663e19d0fe9b6"},
      {"scheme 6 option 1 route 2",
       "3fd9999999999998 bfdfdeef650cccce 4003ffffffffffff #be928aefc3c66e7f"},
      {"scheme 6 option 1 route 3",
       "4007d70a3d70a3d7 4004f5c28f5c28f6 bff8000000000000 #9f4ebc459a0a1ea4"},
      {"scheme 7 option 0 route 0",
       "402451eb851eb852 bfe3333333333334 4026851eb851eb85 #a085db76bc2d514b"},
      {"scheme 7 option 0 route 1",
       "3ffd9b8760b33334 40037c2e13966667 400eed1ed8c99999 #f9db311a62d90889"},
      {"scheme 7 option 0 route 2",
       "3fece8e82f666667 40168f5c28f5c290 401628f5c28f5c2a #962f7d435401f6d5"},
      {"scheme 7 option 0 route 3",
       "401f0a3d70a3d70a 3ffb333333333334 4002666666666666 #0024ed5244548dee"},
      {"scheme 7 option 1 route 0",
       "400420c49ba5e353 bfe3333333333334 bff8000000000000 #47ab4e20657e9f1b"},
      {"scheme 7 option 1 route 1",
       "3ff3d1616fc00000 400472218a0c0000 4013beae14b73333 #54d534bf685c5348"},
      {"scheme 7 option 1 route 2",
       "3fff9db22d0e5604 400f16872b020c4c 4010f1a9fbe76c8b #8184199b8316b4dc"},
      {"scheme 7 option 1 route 3",
       "4012353f7ced9168 3ffb333333333334 400c4189374bc6a8 #d97720806b8c748b"},
      {"scheme 8 option 0 route 0",
       "4013ae147ae147ad 400747ae147ae146 4003ae147ae147ae #3f153b59c4d1e5a5"},
      {"scheme 8 option 0 route 1",
       "3ff2f5b0520ccccd 400a6ab7151a6667 400856682d180000 #e5896c5bb9f4ab30"},
      {"scheme 8 option 0 route 2",
       "3feecf98c719999b 3fedf5c4f4d66668 40221eb851eb851f #b88bdb288c50e3ef"},
      {"scheme 8 option 0 route 3",
       "4019ae147ae147ad 3ffb333333333334 bff8000000000000 #51eec8b5e564d004"},
      {"scheme 8 option 1 route 0",
       "3fd3333333333333 401a26e978d4fdf3 401ce978d4fdf3b5 #e9ecf36b66ff4ef3"},
      {"scheme 8 option 1 route 1",
       "3ff7054607c00000 4010cac083126e98 40125a1cac083126 #f6f790e041d110ea"},
      {"scheme 8 option 1 route 2",
       "3fe9d881694ccccd 3ff2bc160c480000 bff649036a433333 #e9fa07e40bbe29b0"},
      {"scheme 8 option 1 route 3",
       "3ff199999999999a 401578d4fdf3b646 4017a1cac083126e #50f316f5f30fa929"},
      {"scheme 9 option 0 route 0",
       "40050a3d70a3d709 bfe3333333333334 bff8000000000000 #08e124688b1c97a1"},
      {"scheme 9 option 0 route 1",
       "4010a3d70a3d70a5 4014d70a3d70a3d8 40190a3d70a3d70a #3bd0898cd8e4dc0b"},
      {"scheme 9 option 0 route 2",
       "3fd8ac272d666666 3fde2c6a62933334 bff1bbeb6ba33333 #41e96bd3e57d76a7"},
      {"scheme 9 option 0 route 3",
       "4017d70a3d70a3d8 4019851eb851eb86 bff8000000000000 #9f98b1cd15b44396"},
      {"scheme 9 option 1 route 0",
       "3ff147ae147ae14a bfe3333333333334 400b0a3d70a3d708 #f1056961d1a09176"},
      {"scheme 9 option 1 route 1",
       "4004e147ae147ae0 400fe147ae147ae0 401570a3d70a3d70 #32f1447813daed1b"},
      {"scheme 9 option 1 route 2",
       "3ff3fffffffffffe 3ff032ba50b66667 400ccccccccccccc #63f3f9f277ffc2a6"},
      {"scheme 9 option 1 route 3",
       "3ff199999999999a 3febae147ae147ab bff8000000000000 #e492db1af018bace"},
  };
  for (int scheme = 0; scheme < 10; ++scheme)
    for (int option = 0; option < 2; ++option)
      for (int route = 0; route < 4; ++route) {
        const uint32_t seed = 1000 + 37 * scheme + 5 * option + route;
        TFixture f(6, 3, 3, 1, seed);
        f.S.Pop.Population[2][0] = f.S.Pop.BestPosition[0];
        f.Set.DeScheme = scheme, f.Set.DeMutationOption = option, f.Set.DeRoute = route;
        f.Set.CrossoverRate = 0.5;
        f.Set.MutationRate = 0.6;  // the factor F
        const Rows X = f.Pop();
        StepDifferentialEvolution(f.S, f.Set);
        const std::string what = "scheme " + std::to_string(scheme) + " option " +
                                 std::to_string(option) + " route " + std::to_string(route);
        TTrace trace;
        trace.Add(f.S.Pop.TrialPopulation);
        ExpectTrace(golden, what, trace);
        ExpectFinite(f.S.Pop.TrialPopulation);
        // Route 0 keeps a member's own value where it does not cross over.
        if (route == 0) {
          int kept = 0;
          for (int i = 0; i < 6; ++i)
            for (int d = 0; d < 3; ++d) kept += f.S.Pop.TrialPopulation[i][d] == X[i][d];
          EXPECT_GT(kept, 0) << what;
        }
        ExpectRows(f.Pop(), X, what + " (refused trials leave the members)");
      }
}

// ---------------------------------------------------------------------------
// Genetic algorithm, real-value mode.

TEST(GeneticStep, SelectionCrossoverAndMutationFollowTheirRecordedTrace) {
  static const TGolden golden{
      {"selection 0 crossover 0 mode 0",
       "3fba482e53fffffe 40011af059b6e148 40148d1863bb3333 #041bfd3f98eba8f2"},
      {"selection 0 crossover 1 mode 0",
       "3fd3333333333333 3ff4cebed61851ec bff8000000000000 #97734d3bd459d35b"},
      {"selection 0 crossover 2 mode 0",
       "4001eb54fde26668 3fffb3ff73ce666b bff8000000000000 #4ca66161a54408b5"},
      {"selection 0 crossover 3 mode 0",
       "3fd2c8ed86deb856 3fffe1411ea6666b 4007dfcdb7e147ad #89cac5f5566272ef"},
      {"selection 0 crossover 4 mode 0",
       "3fd3333333333333 3ff07f6d45e147b0 3ff59bcef7666664 #0fef1feb93636566"},
      {"selection 0 crossover 5 mode 0",
       "3ff70b1bb3599999 400e635aed7f5c27 401300494d64f5c3 #6c637043b498ab8f"},
      {"selection 1 crossover 0 mode 0",
       "3fd3333333333333 400341fb7db26667 4015431f6e8b3333 #0216f99fcaefe34f"},
      {"selection 1 crossover 1 mode 0",
       "3fd3333333333333 3ffb333333333334 bff8000000000000 #a402cd9c972093ab"},
      {"selection 1 crossover 2 mode 0",
       "400355b2a9b33334 bfef16a456c7ae16 402086a5b9ae6666 #b08c2f252c49d796"},
      {"selection 1 crossover 3 mode 0",
       "3ffc10664f4cccce 4005c2c4491b3334 401db275d9fe6666 #aae88f369693d7ef"},
      {"selection 1 crossover 4 mode 0",
       "3fd3333333333333 40090860420b3334 4012a4f8b3380000 #231ef4f75b385f80"},
      {"selection 1 crossover 5 mode 0",
       "3ffc2be2ea066667 bfe3333333333334 bff8000000000000 #0478232ad2e633e5"},
      {"selection 2 crossover 0 mode 0",
       "3ff20a0a9f99999a 400fb6ea11426667 40093feb6a866666 #7ff1384e876639dd"},
      {"selection 2 crossover 1 mode 0",
       "3fd1535627333336 3ff58cc1c662e148 4009076732566666 #006d5b19aee84072"},
      {"selection 2 crossover 2 mode 0",
       "4004757ac4500000 401828bb81cc0000 40009255c3ac28f5 #484bebff4afc8a08"},
      {"selection 2 crossover 3 mode 0",
       "3fd1864199f5c28f 40115c4be6380000 4012cb5e238ccccc #67c29ced7cabf21a"},
      {"selection 2 crossover 4 mode 0",
       "3fd3333333333333 401a6ddbd118cccc 40234bfad2edd70a #08fbe1bbaf25bce0"},
      {"selection 2 crossover 5 mode 0",
       "3ff38608f435c290 3ffe12bd6ba33334 4002ba99f9666666 #9b71aecde98917ae"},
      {"selection 3 crossover 0 mode 0",
       "3fcf0d5e6947ae14 400a5af9ad500000 bff8000000000000 #69113292fe8693ff"},
      {"selection 3 crossover 1 mode 0",
       "3fd3333333333333 3ff0722307d33335 bfce93f73d000000 #e4777f00b510db7b"},
      {"selection 3 crossover 2 mode 0",
       "3ffc4e380da66667 bfef9f4f1fe3d70c bff8000000000000 #4be63f448f4294fe"},
      {"selection 3 crossover 3 mode 0",
       "3fd3333333333333 3f9914ce947ae160 bff4ab8175cb851f #dc11e6d16400dedb"},
      {"selection 3 crossover 4 mode 0",
       "3f82fe1b6d70a3c0 400ab1c3ad133333 40112b0d9a323d71 #4bcbcb22402f9b61"},
      {"selection 3 crossover 5 mode 0",
       "4011b1ddef48cccd bfe1a5246f47ae15 bff878ebb2651eb8 #d072f8fe1b5293bf"},
      {"selection 4 crossover 0 mode 0",
       "3ffa0b4feb4cccce 400b7fb02240ccce 400be88c4d999998 #e840adfecfeac4d9"},
      {"selection 4 crossover 1 mode 0",
       "bff679a87e566664 bff1419957bd70a4 bff8000000000000 #f6251087b8dbc982"},
      {"selection 4 crossover 2 mode 0",
       "3fd3333333333333 bfe3333333333334 400692bac8a99999 #f764147935b6194f"},
      {"selection 4 crossover 3 mode 0",
       "40065fe0cdf8ccce 401103898219cccd 400f8e06e1766666 #449d34dfbf8a605e"},
      {"selection 4 crossover 4 mode 0",
       "3fd3333333333333 bfe3333333333334 400366b1d7f66666 #98f9d3f3df20f519"},
      {"selection 4 crossover 5 mode 0",
       "c01113c84f01999a c0019070cffe6665 bffe27a160800000 #318f502b2c0771cf"},
      {"selection 6 crossover 0 mode 0",
       "3ffd0cbd75333336 4004e59b02e8ccce 40105a5430419999 #68c8cd11977439aa"},
      {"selection 6 crossover 1 mode 0",
       "bfdb30dedeccccc4 bf8d648fc3999800 3ffd38e33aeccccd #4a97666279fa2e45"},
      {"selection 6 crossover 2 mode 0",
       "3f94c3cc5dc28f40 400ac31c9db6cccc bff14387541851ec #17e7483025e1ff7f"},
      {"selection 6 crossover 3 mode 0",
       "40068dc1f8633333 402447938ae30000 402b6034d5793332 #9ddf33dc5e148396"},
      {"selection 6 crossover 4 mode 0",
       "3ff8714952733333 400b07f715d451eb 40115353deb5999a #1187ea9a54400308"},
      {"selection 6 crossover 5 mode 0",
       "3fd3333333333333 400a130a63c7999a bffc1b83186e147b #abd9220a8ad03b6f"},
      {"selection 0 crossover 2 mode 1 truncated",
       "3ff59251fbf33334 bfe3333333333334 bff8000000000000 #98753fed24ed28c4"},
      {"selection 2 crossover 2 mode 1 truncated",
       "3fd3333333333333 bfe3333333333334 40014141ffeccccd #856d17c09f7eaf4c"},
      {"selection 3 crossover 2 mode 1 truncated",
       "3ff883413aa66667 3fd5616cd5ffb0f2 40087f2e78519999 #da79a996d1037e28"},
      {"selection 4 crossover 2 mode 1 truncated",
       "3fd3333333333333 3fc42c3352666678 bff8000000000000 #557274ca95b23fd5"},
      {"selection 6 crossover 2 mode 1 truncated",
       "401363e21144cccd bfe3333333333334 4027bb8df0764d74 #dba9eb353ff890cc"},
      {"selection 1 crossover 3 mode 1",
       "3ffc10664f4cccce 4005c2c4491b3334 401db275d9fe6666 #b424c741e093e356"},
  };
  struct Case {
    int Selection;
    int Crossover;
    int Mode;
    bool Truncation;
  };
  std::vector<Case> cases;
  for (int selection : {0, 1, 2, 3, 4, 6})
    for (int crossover = 0; crossover < 6; ++crossover)
      cases.push_back({selection, crossover, 0, false});
  for (int selection : {0, 2, 3, 4, 6}) cases.push_back({selection, 2, 1, true});
  cases.push_back({1, 3, 1, false});
  for (const Case& c : cases) {
    const uint32_t seed = 500 + 11 * c.Selection + c.Crossover + 100 * c.Truncation;
    const int n = 5, dims = 3;
    TFixture f(n, dims + 1, dims, c.Mode, seed);  // the last dimension is not drawn
    f.S.Pop.BestDC = 0.6;
    const Double1Array share{0.25, 0.05, 0.4, 0.1, 0.2};
    f.S.Pop.RelativeFitness = share;
    f.Set.SelectionType = static_cast<TSelectionType>(c.Selection);
    f.Set.CrossoverType = static_cast<TCrossoverType>(c.Crossover);
    f.Set.CrossoverRate = 0.7;
    f.Set.MutationRate = 0.3;
    f.Set.Truncation = c.Truncation;
    f.Set.TruncatedCount = c.Truncation ? 2 : 1;
    f.Set.KeptCount = n - f.Set.TruncatedCount;
    const int rankSum = n * (n + 1) / 2;
    const Rows X = f.Pop();
    f.Set.RankSum = rankSum;
    StepGeneticReal(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    const std::string what = "selection " + std::to_string(c.Selection) + " crossover " +
                             std::to_string(c.Crossover) + " mode " + std::to_string(c.Mode) +
                             (c.Truncation ? " truncated" : "");
    TTrace trace;
    trace.Add(f.S.Pop.Population);
    ExpectTrace(golden, what, trace);
    ExpectFinite(f.S.Pop.Population);
    EXPECT_EQ(f.S.Pop.Population[4], X[4]) << what;  // odd population: the last keeps its values
    for (int m = 0; m < n; ++m) EXPECT_EQ(f.S.Pop.Population[m][dims], X[m][dims]) << what;
    // The relative fitness is left sorted (rank selection: the rank shares).
    Double1Array sorted = share;
    std::sort(sorted.begin(), sorted.end());
    if (c.Selection == 4)
      for (int k = 0; k < n; ++k) sorted[k] = double(k + 1) / rankSum;
    for (int k = 0; k < n; ++k) EXPECT_DOUBLE_EQ(f.S.Pop.RelativeFitness[k], sorted[k]) << what;
  }
}

TEST(GeneticStep, RankSharesOfFourMembers) {
  TFixture f(4, 1, 1, 0, 8);
  f.S.Pop.RelativeFitness = {0.4, 0.1, 0.3, 0.2};
  f.Set.SelectionType = TSelectionType::Rank;
  f.Set.RankSum = 10;
  StepGeneticReal(f.S.Model, f.S.Pop, f.S.Run, f.Set);
  EXPECT_EQ(f.S.Pop.RelativeFitness, (Double1Array{0.1, 0.2, 0.3, 0.4}));
}

// ---------------------------------------------------------------------------
// Random member values and bound repair.

struct TDim {
  bool Range = false;
  double RangeLow = 0, RangeHigh = 0;
  bool Init = false;
  double Initial = 0;
  bool Lower = false;
  double Low = 0;
  bool Upper = false;
  double Up = 0;
};

void SetDimension(TFixture& f, const TDim& dim) {
  f.S.Model.HasRange[0] = dim.Range, f.S.Model.RangeLow[0] = dim.RangeLow,
  f.S.Model.RangeHigh[0] = dim.RangeHigh;
  f.S.Model.HasInitial[0] = dim.Init, f.S.Model.InitialValue[0] = dim.Initial;
  f.S.Model.HasLower[0] = dim.Lower, f.S.Model.LowerBound[0] = dim.Low;
  f.S.Model.HasUpper[0] = dim.Upper, f.S.Model.UpperBound[0] = dim.Up;
  f.S.Model.HasBound[0] = dim.Lower || dim.Upper;
}

TEST(RandomValueDraws, OrderOfEveryDefinition) {
  using Rule = double (*)(TRandomGenerator&);
  struct Case {
    const char* Name;
    TDim Dim;
    int Mode;
    Rule Expected;
  };
  const Case cases[] = {
      {"range", {true, -2, 6}, 0, [](TRandomGenerator& g) { return -2 + 8 * g.Random(); }},
      {"range and initial",
       {true, -2, 6, true, 1},
       0,
       [](TRandomGenerator& g) {
         return g.Random() >= 0.5 ? 1 + 5 * g.Random() : -2 + 3 * g.Random();
       }},
      {"free, fitting", {}, 0, [](TRandomGenerator& g) { return g.Random() + 0.5; }},
      {"free, optimisation", {}, 1, [](TRandomGenerator& g) { return 1 - 2 * g.Random(); }},
      {"both bounds",
       {false, 0, 0, false, 0, true, -3, true, 5},
       1,
       [](TRandomGenerator& g) { return -3 + 8 * g.Random(); }},
      {"upper 0",
       {false, 0, 0, false, 0, false, 0, true, 0},
       0,
       [](TRandomGenerator& g) { return -5 * g.Random(); }},
      {"upper -4",
       {false, 0, 0, false, 0, false, 0, true, -4},
       0,
       [](TRandomGenerator& g) { return (g.Random() + 1) * -4; }},
      {"upper 4",
       {false, 0, 0, false, 0, false, 0, true, 4},
       0,
       [](TRandomGenerator& g) { return (1 - g.Random()) * 4; }},
      {"lower 0",
       {false, 0, 0, false, 0, true, 0},
       0,
       [](TRandomGenerator& g) { return 5 * g.Random(); }},
      {"lower -4",
       {false, 0, 0, false, 0, true, -4},
       0,
       [](TRandomGenerator& g) { return (1 - g.Random()) * -4; }},
      {"lower 4",
       {false, 0, 0, false, 0, true, 4},
       0,
       [](TRandomGenerator& g) { return (g.Random() + 1) * 4; }},
      {"initial 0",
       {false, 0, 0, true, 0},
       0,
       [](TRandomGenerator& g) { return g.Random() - 0.5; }},
      {"initial 3",
       {false, 0, 0, true, 3},
       0,
       [](TRandomGenerator& g) { return (g.Random() + 0.5) * 3; }},
      {"initial, upper above 0",
       {false, 0, 0, true, 3, false, 0, true, 8},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (1 - r) * 3 : 3 + 5 * r;
       }},
      {"initial, upper below 0",
       {false, 0, 0, true, -3, false, 0, true, -1},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (r + 1) * -3 : -3 + 2 * r;
       }},
      {"initial, lower above 0",
       {false, 0, 0, true, 3, true, 1},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (r + 1) * 3 : 1 + 2 * r;
       }},
      {"initial, lower below 0",
       {false, 0, 0, true, 3, true, -1},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (1 - r) * 3 : -1 + 4 * r;
       }},
  };
  for (const Case& c : cases)
    for (uint32_t seed : {2u, 13u, 555u, 9001u}) {
      TFixture f(3, 1, 1, c.Mode, seed);
      SetDimension(f, c.Dim);
      TRandomGenerator g(seed);
      for (int k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(RandomValue(f.S.Model, f.S.Pop, f.S.Run, 1 + k % 2, 0), c.Expected(g))
            << c.Name;
      EXPECT_EQ(f.S.Run.Random.Seed(), g.Seed()) << c.Name << ": number of draws";
      if (c.Dim.Init) {
        EXPECT_EQ(RandomValue(f.S.Model, f.S.Pop, f.S.Run, 0, 0), c.Dim.Initial) << c.Name;
      }
    }
}

TEST(RepairValueDraws, OrderOfEveryReplacement) {
  using Rule = double (*)(TRandomGenerator&);
  struct Case {
    const char* Name;
    TDim Dim;
    double Value;
    Rule Expected;
  };
  const Case cases[] = {
      {"both",
       {false, 0, 0, false, 0, true, -1, true, 3},
       7,
       [](TRandomGenerator& g) { return -1 + 4 * g.Random(); }},
      {"both, range",
       {true, 0, 2, false, 0, true, -1, true, 3},
       -7,
       [](TRandomGenerator& g) { return 0 + 2 * g.Random(); }},
      {"both, initial",
       {false, 0, 0, true, 1, true, -1, true, 3},
       7,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.5 ? 1 + 2 * r : 1 - 2 * r;
       }},
      {"both, range and initial",
       {true, 0, 2, true, 1, true, -1, true, 3},
       7,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.5 ? 1 + 1 * r : 1 - 1 * r;
       }},
      {"upper 10",
       {false, 0, 0, false, 0, false, 0, true, 10},
       11,
       [](TRandomGenerator& g) { return 10 - g.Random() * 10; }},
      {"upper 0",
       {false, 0, 0, false, 0, false, 0, true, 0},
       1,
       [](TRandomGenerator& g) { return -g.Random(); }},
      {"upper -2",
       {false, 0, 0, false, 0, false, 0, true, -2},
       1,
       [](TRandomGenerator& g) { return -2 + g.Random() * -2; }},
      {"upper, range",
       {true, -4, 1, false, 0, false, 0, true, 2},
       3,
       [](TRandomGenerator& g) { return -4 + 5 * g.Random(); }},
      {"upper, initial",
       {false, 0, 0, true, 4, false, 0, true, 6},
       9,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 - r * 4 : 4 + 2 * r;
       }},
      {"upper, range and initial",
       {true, 1, 5, true, 4, false, 0, true, 6},
       9,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 + 1 * r : 1 + 3 * r;
       }},
      {"lower 3",
       {false, 0, 0, false, 0, true, 3},
       1,
       [](TRandomGenerator& g) { return 3 + g.Random() * 3; }},
      {"lower 0",
       {false, 0, 0, false, 0, true, 0},
       -1,
       [](TRandomGenerator& g) { return g.Random(); }},
      {"lower -2",
       {false, 0, 0, false, 0, true, -2},
       -5,
       [](TRandomGenerator& g) { return -2 - g.Random() * -2; }},
      {"lower, initial",
       {false, 0, 0, true, 4, true, 2},
       1,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 + r * 4 : 4 - 2 * r;
       }},
      {"lower, range and initial",
       {true, 3, 6, true, 4, true, 2},
       1,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 + 2 * r : 3 + 1 * r;
       }},
  };
  for (const Case& c : cases)
    for (uint32_t seed : {4u, 17u, 808u, 31337u}) {
      TFixture f(3, 1, 1, 0, seed);
      SetDimension(f, c.Dim);
      TRandomGenerator g(seed);
      for (int k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(RepairValue(f.S.Model, f.S.Pop, f.S.Run, 1, 0, c.Value), c.Expected(g))
            << c.Name;
      EXPECT_EQ(f.S.Run.Random.Seed(), g.Seed()) << c.Name << ": number of draws";
      // A value inside its bounds is kept and draws nothing.
      const double inside = c.Dim.Lower ? c.Dim.Low : c.Dim.Up;
      EXPECT_EQ(RepairValue(f.S.Model, f.S.Pop, f.S.Run, 1, 0, inside), inside) << c.Name;
      EXPECT_EQ(f.S.Run.Random.Seed(), g.Seed()) << c.Name;
    }
}

// ---------------------------------------------------------------------------
// Base-N genes.

TEST(GeneStep, MutationDrawsPositionThenDigit) {
  struct Case {
    TGeneLayout Layout;
    const char* Gene;
  };
  const Case cases[] = {
      {{3, 3, 2, 1, false}, "1012.21"},  // the sign stays; "." (position 5) is drawn again
      {{3, 3, 2, 1, true}, "0012.21"},
      {{2, 4, 0, 0, true}, "01011"},  // base 2 flips
      {{7, 2, 0, 0, false}, "166"},
  };
  for (const Case& c : cases)
    for (uint32_t seed = 1; seed < 60; ++seed) {
      TRandomGenerator mine(seed), g(seed);
      const std::string got = MutateGene(c.Layout, c.Gene, mine);
      std::string want = c.Gene;
      const int W = c.Layout.IntDigits, F = c.Layout.FracDigits;
      const int L = F > 0 ? W + F + 2 : W + 1;
      const int first = c.Layout.SignFree ? 1 : 2;
      int p;
      do p = first + g.Random(L - first + 1);
      while (F > 0 && p == W + 2);
      char& ch = want[p - 1];
      if (c.Layout.Base == 2 || p == 1) {
        ch = ch == '1' ? '0' : '1';
      } else {
        const char old = ch;
        do ch = static_cast<char>('0' + g.Random(c.Layout.Base));
        while (ch == old);
      }
      EXPECT_EQ(got, want) << c.Gene << " seed " << seed;
      EXPECT_EQ(mine.Seed(), g.Seed()) << c.Gene << " seed " << seed;
    }
}

TEST(GeneStep, RepairedGeneIsCutToItsDecimals) {
  for (uint32_t seed : {6u, 60u, 600u}) {
    TFixture f(2, 1, 1, 1, seed);
    f.S.Model.EncodeDecode = true;
    f.S.Model.GeneBase = 4, f.S.Model.GeneDecimals = 2;
    f.S.Model.HasLower[0] = f.S.Model.HasUpper[0] = f.S.Model.HasBound[0] = true;
    f.S.Model.LowerBound[0] = -1, f.S.Model.UpperBound[0] = 3;
    const TGeneLayout layout = DimensionGeneLayout(f.S.Model, 0);
    std::string gene = EncodeGene(layout, 7);
    double value = 7;
    RepairGene(f.S.Model, f.S.Run, 0, gene, value);
    TRandomGenerator g(seed);
    const double want = std::round((-1 + 4 * g.Random()) * 100) / 100;
    EXPECT_NEAR(value, want, 1e-12);
    EXPECT_EQ(gene, EncodeGene(layout, want));
    EXPECT_NEAR(DecodeGene(layout, gene), want, 1e-12);
  }
}

TEST(GeneStep, UniformGeneCrossoverTakesParentsCharactersAtAQuarter) {
  for (uint32_t seed : {21u, 210u, 2100u}) {
    TFixture f(2, 1, 1, 1, seed);
    f.S.Model.EncodeDecode = true;
    f.S.Model.GeneBase = 2, f.S.Model.GeneDecimals = 0;
    f.S.Model.HasLower[0] = f.S.Model.HasUpper[0] = f.S.Model.HasBound[0] = true;
    f.S.Model.LowerBound[0] = -7,
    f.S.Model.UpperBound[0] = 7;  // every 3-bit gene with either sign is inside
    SetupGeneLayouts(f.S.Model, f.S.Pop);
    f.S.Pop.GeneStrings = {{"1101"}, {"0010"}};
    f.S.Pop.Population = {{5}, {-2}};
    f.S.Pop.BestGeneStrings = {"1110"};
    f.S.Pop.RelativeFitness = {0.3, 0.7};
    f.Set.SelectionType = TSelectionType::AbsoluteTopMate;  // the best and one random member
    f.Set.GeneCrossoverType = TGeneCrossoverType::Uniform;
    f.Set.CrossoverRate = 1;
    f.Set.MutationRate = 0;
    const std::vector<std::string> genes{"1101", "0010"};
    f.Set.RankSum = 3;
    StepGeneticEncoded(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    TRandomGenerator g(seed);
    const std::string a = "1110", b = genes[g.Random(2)];
    g.Random();  // the crossover-rate draw
    std::string k1 = a, k2 = b;
    for (size_t pos = 0; pos < a.size(); ++pos)
      if (!(g.Random() < 0.25)) std::swap(k1[pos], k2[pos]);
    const TGeneLayout layout = DimensionGeneLayout(f.S.Model, 0);
    EXPECT_EQ(f.S.Pop.GeneStrings[0][0], k1);
    EXPECT_EQ(f.S.Pop.GeneStrings[1][0], k2);
    EXPECT_EQ(f.S.Pop.Population[0][0], DecodeGene(layout, k1));
    EXPECT_EQ(f.S.Pop.Population[1][0], DecodeGene(layout, k2));
  }
}

}  // namespace
