// One iteration of each algorithm family. A step reads the model, changes
// the population (new member values, through the bound repair of
// engine/RandomValues.h) and draws from the run's generator; differential
// evolution also evaluates its own trial vectors, so it takes the whole
// state. Variants are chosen by the settings read by PrepareSearch
// (TSearchSettings); each family documents its variant table where it is
// defined (Zedovev.cpp, Genetic.cpp, ParticleSwarm.cpp,
// DifferentialEvolution.cpp).
#pragma once

#include <vector>

#include "engine/CommonUnit.h"
#include "engine/SearchState.h"

namespace qv {

// Zedovev Avedezo Rezividorodo: every member inherits from the best with a
// shrinking step, halfway moves and wide jumps. Fitting and optimisation
// variants; four schemes, global and local versions.
void StepZedovevFit(const TEngineModel& Model, TPopulation& Pop, TRunState& Run,
                    const TSearchSettings& Set);
void StepZedovevOpt(const TEngineModel& Model, TPopulation& Pop, TRunState& Run,
                    const TSearchSettings& Set);

// Genetic algorithm: selection from the population sorted by relative
// fitness, crossover and mutation; children replace members in place.
void StepGeneticReal(const TEngineModel& Model, TPopulation& Pop, TRunState& Run,
                     const TSearchSettings& Set);
void StepGeneticEncoded(const TEngineModel& Model, TPopulation& Pop, TRunState& Run,
                        const TSearchSettings& Set);
// In-place quicksort of Values[Low..High] ascending (middle pivot, Hoare
// partitioning), moving Indices along.
void SortByFitness(std::vector<double>& Values, std::vector<int>& Indices, int Low, int High);

// Particle swarm: six velocity formulas, global and local versions,
// optional velocity limit.
void StepParticleSwarm(const TEngineModel& Model, TPopulation& Pop, TRunState& Run,
                       const TSearchSettings& Set);

// Differential evolution: ten schemes x four routes x standard/advanced
// mutation; evaluates each trial and keeps it when better.
void StepDifferentialEvolution(TEngineState& S, const TSearchSettings& Set);

// One iteration of the algorithm chosen by Run.Algorithm (the fitting
// modes use the fitting variant of Zedovev Avedezo Rezividorodo).
void StepAlgorithm(TEngineState& S, const TSearchSettings& Set);

// A uniform real in (0, 1): zero is drawn again, so that a random divisor
// never divides by zero.
double NonZeroRandom(TRandomGenerator& g);

}  // namespace qv
