// qvfitworker FD PARENT-PID LIBRARY
//
// The worker process of a program model: loads the model's library
// (engine/FitDll.h) and carries out the engine's commands through the memory
// region FD (engine/FitWorkerProtocol.h), so that a model that never
// returns can be ended by ending this process, and the model's faults or a
// "halt" in its code end only this process. It ends with the engine: when
// the parent dies (PR_SET_PDEATHSIG, and a look at the parent every second)
// or on the Quit command.
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/FitDll.h"
#include "engine/FitWorkerProtocol.h"

namespace {

using namespace qv;

struct TRegion {
  int Fd = -1;
  char* Base = nullptr;
  size_t Size = 0;
  TFitWorkerHeader* Header() const { return reinterpret_cast<TFitWorkerHeader*>(Base); }
  // Maps the region again when the engine has grown it.
  bool Cover(size_t need) {
    if (need <= Size) return true;
    struct stat st;
    if (fstat(Fd, &st) != 0 || static_cast<size_t>(st.st_size) < need) return false;
    void* p = Base ? mremap(Base, Size, static_cast<size_t>(st.st_size), MREMAP_MAYMOVE)
                   : mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE,
                          MAP_SHARED, Fd, 0);
    if (p == MAP_FAILED) return false;
    Base = static_cast<char*>(p);
    Size = static_cast<size_t>(st.st_size);
    return true;
  }
};

void PutText(TFitWorkerHeader* h, const std::string& text) {
  const size_t n = std::min(text.size(), sizeof h->Text - 1);
  std::memcpy(h->Text, text.data(), n);
  h->Text[n] = 0;
}

int Setup(TRegion& r, TFitDll& dll) {
  TFitWorkerHeader* h = r.Header();
  const int files = h->Files, inputs = h->Inputs, vcs = h->VarConstants;
  const char* at = r.Base + kFitWorkerHeaderSize;
  const size_t room = r.Size - kFitWorkerHeaderSize;
  const size_t rowBytes = (sizeof(int32_t) * std::max(0, files) + 7) / 8 * 8;
  if (files < 0 || inputs < 0 || vcs < 0 || rowBytes > room) {
    PutText(h, "The data handed to the worker are damaged.");
    return 1;
  }
  Integer1Array rows(files);
  std::memcpy(rows.data(), at, sizeof(int32_t) * files);
  size_t values = 0;
  bool negative = false;
  for (int n : rows) {
    negative = negative || n < 0;
    values += static_cast<size_t>(std::max(0, n)) * inputs + vcs;
  }
  if (negative || values > (room - rowBytes) / sizeof(double)) {
    PutText(h, "The data handed to the worker are damaged.");
    return 1;
  }
  at += rowBytes;
  Double3Array x(files);
  Double2Array vc(files);
  const double* d = reinterpret_cast<const double*>(at);
  for (int f = 0; f < files; ++f) {
    x[f].assign(inputs, Double1Array(rows[f]));
    for (int i = 0; i < inputs; ++i)
      for (int k = 0; k < rows[f]; ++k) x[f][i][k] = *d++;
  }
  for (int f = 0; f < files; ++f) vc[f].assign(d, d + vcs), d += vcs;
  std::string error;
  if (!dll.Setup(rows, x, vc, inputs, vcs, h->Outputs, h->Params, error)) {
    PutText(h, error);
    return 1;
  }
  return 0;
}

void Run(TRegion& r, TFitDll& dll, Double2Array& y) {
  TFitWorkerHeader* h = r.Header();
  const int params = h->Params, outputs = h->Outputs, most = h->MostRows;
  h->FailedJob = -1;
  std::string error;
  const size_t need =
      sizeof(TFitWorkerJob) +
      sizeof(double) * (static_cast<size_t>(params) + static_cast<size_t>(outputs) * most);
  if (h->JobStride < need || h->JobCount > (r.Size - kFitWorkerHeaderSize) / h->JobStride) {
    h->FailedJob = 0;
    PutText(h, "The jobs handed to the worker are damaged.");
    return;
  }
  for (uint32_t j = 0; j < h->JobCount; ++j) {
    char* job = r.Base + kFitWorkerHeaderSize + j * h->JobStride;
    auto* head = reinterpret_cast<TFitWorkerJob*>(job);
    const double* p = reinterpret_cast<const double*>(job + sizeof(TFitWorkerJob));
    double* out = const_cast<double*>(p) + params;
    const TFitDllStatus st = dll.Run(head->File, p, y, h->FailedJob < 0 ? &error : nullptr);
    head->Status = static_cast<int32_t>(st);
    if (st == TFitDllStatus::Ok) {
      for (int o = 0; o < outputs && o < static_cast<int>(y.size()); ++o) {
        const size_t n = std::min<size_t>(y[o].size(), static_cast<size_t>(most));
        std::memcpy(out + static_cast<size_t>(o) * most, y[o].data(), sizeof(double) * n);
      }
    } else if (h->FailedJob < 0) {
      h->FailedJob = static_cast<int32_t>(j);
      PutText(h, error);
    }
    h->JobsDone.store(j + 1, std::memory_order_release);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: qvfitworker FD PARENT-PID LIBRARY\n");
    return 2;
  }
  const pid_t parent = static_cast<pid_t>(std::atol(argv[2]));
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) return 3;
  // Terminal signals belong to the program, which ends this process itself.
  signal(SIGINT, SIG_IGN);
  signal(SIGQUIT, SIG_IGN);

  TRegion r;
  r.Fd = std::atoi(argv[1]);
  if (!r.Cover(kFitWorkerHeaderSize)) return 4;
  TFitWorkerHeader* h = r.Header();
  if (h->Magic != kFitWorkerMagic) return 5;

  TFitDll dll;
  Double2Array y;
  uint32_t done = 0;  // the last request carried out
  for (;;) {
    // Spin a while after each command: the next one follows at once
    // while a search runs.
    while (!FitWorkerAwait(h->Request, done, h->WorkerAsleep, 300, 1000))
      if (getppid() != parent) return 0;
    const uint32_t request = h->Request.load(std::memory_order_acquire);
    if (!r.Cover(h->MappedSize)) {
      h->Status = 1;
      PutText(h, "The worker cannot map the shared data.");
    } else {
      h = r.Header();
      switch (h->Command) {
        case TFitWorkerCommand::Load: {
          std::string error;
          h->Status = dll.Load(argv[3], error) ? 0 : 1;
          if (h->Status) PutText(h, error);
          break;
        }
        case TFitWorkerCommand::Setup:
          h->Status = Setup(r, dll);
          break;
        case TFitWorkerCommand::Run:
          Run(r, dll, y);
          h->Status = 0;
          break;
        case TFitWorkerCommand::Quit:
          FitWorkerPost(h->Reply, request, h->EngineAsleep);
          return 0;
        default:
          h->Status = 1;
          PutText(h, "Unknown command.");
          break;
      }
    }
    done = request;
    FitWorkerPost(h->Reply, request, h->EngineAsleep);
  }
}
