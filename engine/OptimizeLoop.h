// The optimisation-mode run loop and its objective rules.
//
// A member's value is its objective, smaller is better: with no direction
// the sum of the absolute values of the objective expressions; when
// maximising minus the sum of the objectives, when minimising their sum
// (the same rule in every pass, so that values of different passes compare).
// A model without objectives is valued by the sum of the absolute values of
// its constraint expressions in the first pass only; afterwards every member
// is worth 0 and any feasible member is taken as the best, so a run stops
// once a feasible point is found. A constraint g holds when g < 0, or g <= 0
// when non-strict. A feasible member always beats an infeasible one, for the
// best, for a member's own best and for a member's replacement; a run whose best is still
// infeasible at its end says so in its report.
#pragma once

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchState.h"

namespace qv {

// Evaluations with the current parameter slots.
double ObjectiveValue(TEngineState& S, int i);  // absolute value when no direction is set
double ConstraintValue(TEngineState& S, int i);
bool ConstraintHolds(TEngineState& S, int i);
// The member value of the current slots (FirstPass: the first evaluation of
// a run), and whether all constraints hold.
double MemberObjective(TEngineState& S, bool FirstPass);
bool Feasible(TEngineState& S);
// Whether all constraints hold, with the sum of the amounts by which those
// that do not hold are broken (g for a broken "g <= 0" or "g < 0"; 0 when
// all hold).
bool Feasible(TEngineState& S, double& Violation);
// Acceptance of value v (its member feasible or not) against b (feasible
// or not): without constraints a smaller value; with objectives and
// constraints a feasible member with a smaller value, or any feasible
// member against an infeasible b; with constraints only, any feasible
// member. An infeasible member is never accepted.
bool AcceptsValue(const TEngineState& S, double v, bool feasible, double b, bool bFeasible);
// AcceptsValue, completed for two members that break constraints: the one
// that breaks them by less (violation, bViolation) is accepted. Feasible
// members are judged by AcceptsValue alone.
bool AcceptsMember(const TEngineState& S, double v, bool feasible, double violation, double b,
                   bool bFeasible, double bViolation);
// The value a member taken as the best gives BestObjective: its own, except
// for a member that breaks constraints in a model of constraints alone
// after the first pass (where every member is worth 0): the best keeps its
// value, so that only a feasible point ends the search.
double BestValueOf(const TEngineState& S, double v, bool feasible, bool FirstPass);
// Copies the member's values into the parameter slots.
void LoadMember(TEngineState& S, const Double1Array& values);

// Genetic shares of the objective values (ObjectiveValues into
// RelativeFitness): g = 1 / (0.001 + v), normalised. When some value is
// negative (a maximisation keeps negated objectives) the values are first
// shifted by the smallest, so g stays positive, never divides by zero, and a
// smaller value always gets the larger share.
void GeneticShares(TPopulation& Pop);

// Runs the whole optimisation search (the caller has run PrepareSearch) and
// ends with the report. An exception inside shows "Function expression is
// wrong!" and reports.
void RunOptimizeLoop(TEngineState& S, TFitHost& Host, const TSearchSettings& Set);

}  // namespace qv
