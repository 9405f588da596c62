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
#include <string>

namespace qv {

constexpr int kEvaluationChunkRows = 16384;  // rows per task
constexpr int kParallelRows = 65536;         // rows from which the pool is used

// Sets how many threads evaluate the rows of one candidate: 0 (the default)
// uses every processor the process may use (UsableProcessors, looked at
// again by each call with 0), 1 keeps every evaluation on the calling
// thread. Not to be called during an evaluation.
void SetEvaluationThreads(int Count);
// The number of threads an evaluation uses (the calling thread included).
int EvaluationThreads();

// The processors the process may use: those of the calling thread's
// affinity mask (taskset, a container's cpuset), no more than a cgroup v2
// CPU quota allows, and at least 1.
int UsableProcessors();
// The whole processors a cgroup v2 "cpu.max" text ("quota period", or
// "max period" without a quota) allows: the quota in periods rounded up,
// at least 1; 0 without a quota or for a text it does not understand.
int CpuMaxProcessors(const std::string& Text);
// The smallest quota (CpuMaxProcessors) of the cgroup v2 group that the
// text of /proc/self/cgroup names and of the groups above it, under the
// cgroup file system mounted at Root; 0 when none sets one.
int CgroupProcessorLimit(const std::string& Root, const std::string& ProcSelfCgroup);

// Runs Task(0) .. Task(Count - 1), each once, on the pool and the calling
// thread, and returns when all have run. Tasks must not throw and must not
// call ParallelTasks themselves.
void ParallelTasks(int Count, const std::function<void(int)>& Task);

}  // namespace qv
