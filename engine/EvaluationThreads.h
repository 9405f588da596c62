// Threads that share the rows of one candidate's evaluation.
//
// A large data set is cut into chunks of a fixed number of rows
// (kEvaluationChunkRows); the chunks are evaluated on a pool of threads, each
// chunk's residual squares summed in a fixed order (sixteen running sums,
// added pairwise), and the chunk sums added in chunk order. How the chunks
// fall does not depend on the number of threads, so neither does the
// result, to the last bit. Data sets below kParallelRows rows are evaluated
// on the calling thread as one run (the cost of waking the pool is more
// than it saves there; see bench/bench_engine_speed.cpp).
#pragma once

#include <functional>

namespace qv {

constexpr int kEvaluationChunkRows = 16384;  // rows per task
constexpr int kParallelRows = 65536;         // rows from which the pool is used

// Sets how many threads evaluate the rows of one candidate: 0 (the default)
// uses every processor of the machine, 1 keeps every evaluation on the
// calling thread. Not to be called during an evaluation.
void SetEvaluationThreads(int Count);
// The number of threads an evaluation uses (the calling thread included).
int EvaluationThreads();

// Runs Task(0) .. Task(Count - 1), each once, on the pool and the calling
// thread, and returns when all have run. Tasks must not throw and must not
// call ParallelTasks themselves.
void ParallelTasks(int Count, const std::function<void(int)>& Task);

}  // namespace qv
