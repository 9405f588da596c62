// One iteration of each algorithm family. A step reads the population, its
// fitness and the bests, and writes new member values (through the bound
// repair of engine/RandomValues.h). Differential evolution also evaluates
// its own trial vectors. Variants are chosen by the settings read by
// PrepareSearch (TSearchSettings); each family documents its variant table
// where it is defined (Zedovev.cpp, Genetic.cpp, ParticleSwarm.cpp,
// DifferentialEvolution.cpp).
#pragma once

#include <vector>

#include "engine/CommonUnit.h"
#include "engine/SearchState.h"

namespace qv {

// Zedovev Avedezo Rezividorodo: every member inherits from the best with a
// shrinking step, halfway moves and wide jumps. Fitting and optimisation
// variants; four schemes, global and local versions.
void StepZedovevFit(TEngineState& S, TSearchSettings& Set);
void StepZedovevOpt(TEngineState& S, TSearchSettings& Set);

// Genetic algorithm: selection from the population sorted by relative
// fitness, crossover and mutation; children replace members in place.
void StepGeneticReal(TEngineState& S, TSearchSettings& Set, int RankSum);
void StepGeneticEncoded(TEngineState& S, TSearchSettings& Set, int RankSum);
// In-place quicksort of Values[Low..High] ascending (middle pivot, Hoare
// partitioning), moving Indices along.
void SortByFitness(std::vector<double>& Values, std::vector<int>& Indices, int Low, int High);

// Particle swarm: six velocity formulas, global and local versions,
// optional velocity limit.
void StepParticleSwarm(TEngineState& S, TSearchSettings& Set);

// Differential evolution: ten schemes x four routes x standard/advanced
// mutation; evaluates each trial and keeps it when better.
void StepDifferentialEvolution(TEngineState& S, TSearchSettings& Set);

// One iteration of the algorithm chosen by S.Algorithm (fitting modes use
// the fitting variant of Zedovev Avedezo Rezividorodo).
void StepAlgorithm(TEngineState& S, TSearchSettings& Set);

// A uniform real in (0, 1): zero is drawn again, so that a random divisor
// never divides by zero.
double NonZeroRandom(TEngineState& S);

}  // namespace qv
