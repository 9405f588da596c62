// Threads that share the rows of one candidate's evaluation.
#pragma once

namespace qv {

// Sets how many threads evaluate the rows of one candidate: 0 chooses by
// the machine and the size of the data (the default); 1 keeps every
// evaluation on the calling thread.
void SetEvaluationThreads(int Count);
int EvaluationThreads();

}  // namespace qv
