#include "engine/FitDll.h"

#include <dlfcn.h>
#include <link.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace qv {

namespace fs = std::filesystem;

namespace {

// The state below is global because the signal handler can reach nothing
// else. It is per thread where a fault is: a fault arrives on the thread
// that made the call, and only calls of that thread may be turned into
// exceptions.

// The call in progress on this thread: the library range, its fault entry
// and the stack that entry runs on.
struct TActiveCall {
  uintptr_t Low = 0, High = 0;
  uintptr_t FaultEntry = 0;
  uintptr_t FaultStackTop = 0;
};
thread_local TActiveCall* gActive = nullptr;

// A fault is handled on a signal stack, and the library's fault entry runs
// on a stack of its own: after runaway recursion in the model code the
// thread's stack has no room left for either. Both are made once for every
// thread that loads a library and kept for the thread's life (a thread that
// has a signal stack already keeps its own); when the thread ends, ours is
// unregistered before it is freed.
constexpr size_t kSignalStackSize = 64 * 1024;
constexpr size_t kFaultStackSize = 256 * 1024;
struct TThreadStacks {
  std::unique_ptr<char[]> Fault;
  std::unique_ptr<char[]> Signal;  // set while it is the registered signal stack
  TThreadStacks() = default;
  TThreadStacks(const TThreadStacks&) = delete;
  TThreadStacks& operator=(const TThreadStacks&) = delete;
  ~TThreadStacks() {
    if (!Signal) return;
    stack_t ss{};
    ss.ss_flags = SS_DISABLE;
    sigaltstack(&ss, nullptr);
  }
};
thread_local TThreadStacks gStacks;

void PrepareThreadStacks() {
  if (!gStacks.Fault) gStacks.Fault = std::make_unique<char[]>(kFaultStackSize);
  stack_t current;
  if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE)) return;
  if (!gStacks.Signal) gStacks.Signal = std::make_unique<char[]>(kSignalStackSize);
  stack_t ss;
  ss.ss_sp = gStacks.Signal.get();
  ss.ss_size = kSignalStackSize;
  ss.ss_flags = 0;
  sigaltstack(&ss, nullptr);
}

uintptr_t FaultStackTop() {
  return (reinterpret_cast<uintptr_t>(gStacks.Fault.get()) + kFaultStackSize) &
         ~static_cast<uintptr_t>(15);
}

// A segmentation fault this close to the stack pointer is the stack's end.
constexpr uintptr_t kStackFaultReach = 64 * 1024;

// Handlers that were installed before ours, per signal, and how many loaded
// libraries need ours. Per process, as signal handlers are: the first load
// installs ours, the last unload puts the earlier ones back.
constexpr int kSignals[] = {SIGFPE, SIGSEGV, SIGBUS};
struct sigaction gPrevious[3];
int gInstalled = 0;

int SignalSlot(int sig) {
  for (int i = 0; i < 3; ++i)
    if (kSignals[i] == sig) return i;
  return -1;
}

// Hands a fault that is not ours to the handler that was there before.
void ChainFault(int sig, siginfo_t* info, void* context) {
  const int slot = SignalSlot(sig);
  const struct sigaction& prev = gPrevious[slot];
  if (prev.sa_flags & SA_SIGINFO) {
    if (prev.sa_sigaction) prev.sa_sigaction(sig, info, context);
    return;
  }
  if (prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN && prev.sa_handler) {
    prev.sa_handler(sig);
    return;
  }
  // Default action: put it back; returning re-executes the faulting
  // instruction, which then ends the program as it would have without us.
  sigaction(sig, &prev, nullptr);
}

void OnFault(int sig, siginfo_t* info, void* context) {
  TActiveCall* call = gActive;
  auto* uc = static_cast<ucontext_t*>(context);
  uintptr_t pc = 0;
#if defined(__x86_64__)
  pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  pc = static_cast<uintptr_t>(uc->uc_mcontext.pc);
#endif
  if (!call || pc < call->Low || pc >= call->High || call->FaultEntry == 0) {
    ChainFault(sig, info, context);
    return;
  }
  // Continue in QvFitDllFault(code) on the fault stack, as if the faulting
  // instruction had called it: its raise unwinds to the adapter's handler
  // on the thread's own stack.
#if defined(__x86_64__)
  const uintptr_t faultSp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
  const uintptr_t faultSp = static_cast<uintptr_t>(uc->uc_mcontext.sp);
#else
  const uintptr_t faultSp = 0;
#endif
  // Signals sent by a process (kill, raise) are not faults of the model,
  // and a fault on the fault stack is one of the raise itself: neither can
  // be turned into an exception.
  if (info->si_code <= 0 ||
      (faultSp <= call->FaultStackTop && faultSp + kFaultStackSize > call->FaultStackTop)) {
    ChainFault(sig, info, context);
    return;
  }
  const uintptr_t addr = reinterpret_cast<uintptr_t>(info->si_addr);
  const bool stackEnd =
      sig != SIGFPE && addr + kStackFaultReach > faultSp && addr < faultSp + kStackFaultReach;
  const uintptr_t code = sig == SIGFPE ? 1 : stackEnd ? 3 : 2;
#if defined(__x86_64__)
  uintptr_t sp = call->FaultStackTop;
  sp -= sizeof(uintptr_t);
  *reinterpret_cast<uintptr_t*>(sp) = pc;  // return address
  uc->uc_mcontext.gregs[REG_RSP] = static_cast<greg_t>(sp);
  uc->uc_mcontext.gregs[REG_RDI] = static_cast<greg_t>(code);
  uc->uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(call->FaultEntry);
#elif defined(__aarch64__)
  uc->uc_mcontext.sp = call->FaultStackTop;
  uc->uc_mcontext.regs[0] = code;
  uc->uc_mcontext.regs[30] = pc;
  uc->uc_mcontext.pc = call->FaultEntry;
#else
  ChainFault(sig, info, context);
#endif
}

void InstallFaultHandlers() {
  if (gInstalled++ > 0) return;
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_sigaction = OnFault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &gPrevious[i]);
}

void RemoveFaultHandlers() {
  if (gInstalled <= 0 || --gInstalled > 0) return;
  for (int i = 0; i < 3; ++i) {
    struct sigaction current;
    sigaction(kSignals[i], nullptr, &current);
    // Only when ours is still the one installed.
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnFault)
      sigaction(kSignals[i], &gPrevious[i], nullptr);
  }
}

// Executable range of the loaded object that holds Address.
struct TRangeQuery {
  uintptr_t Address = 0;
  uintptr_t Low = 0, High = 0;
};

int FindRange(struct dl_phdr_info* info, size_t, void* data) {
  auto* q = static_cast<TRangeQuery*>(data);
  uintptr_t low = UINTPTR_MAX, high = 0;
  bool holds = false;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    const uintptr_t a = info->dlpi_addr + ph.p_vaddr;
    const uintptr_t b = a + ph.p_memsz;
    if (q->Address >= a && q->Address < b) holds = true;
    if (ph.p_flags & PF_X) {
      low = std::min(low, a);
      high = std::max(high, b);
    }
  }
  if (!holds || high == 0) return 0;
  q->Low = low;
  q->High = high;
  return 1;
}

}  // namespace

// Masks the FPU exceptions and clears the flags for one call, marks the
// call active for the fault handler, and restores both afterwards.
struct TFitDllFaultGuard {
  fenv_t Saved;
  TActiveCall Call;
  TActiveCall* Outer;
  explicit TFitDllFaultGuard(const TFitDll& dll) {
    feholdexcept(&Saved);
    Call.Low = dll.codeLow_;
    Call.High = dll.codeHigh_;
    Call.FaultEntry = reinterpret_cast<uintptr_t>(dll.fault_);
    if (!gStacks.Fault) PrepareThreadStacks();
    Call.FaultStackTop = FaultStackTop();
    Outer = gActive;
    gActive = &Call;
  }
  bool Faulted() const { return fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW) != 0; }
  ~TFitDllFaultGuard() {
    gActive = Outer;
    fesetenv(&Saved);
  }
};

TFitDll::~TFitDll() { Free(); }

void TFitDll::Free() {
  if (handle_) {
    fenv_t env;
    fegetenv(&env);
    dlclose(handle_);
    fesetenv(&env);
    RemoveFaultHandlers();
  }
  handle_ = nullptr;
  path_.clear();
  setup_ = nullptr;
  run_ = nullptr;
  fault_ = nullptr;
  codeLow_ = codeHigh_ = 0;
  ready_ = false;
}

bool TFitDll::Load(const std::string& Path, std::string& Error) {
  Free();
  // Loading runs the library's start-up code, which may set its own FPU
  // control word: the caller's environment is put back afterwards.
  //
  // The loader shares one instance of a file among all who open it, and
  // the library keeps the run's data in its globals: every load therefore
  // opens a private copy (unlinked at once; the mapping stays), so that two
  // engine states never see each other's data, and a library file replaced
  // or damaged later does not touch a loaded one.
  // The copy's name is made unique in the folder by mkstemps; it starts
  // with ".load-<pid>-" so that CleanLibFiles can remove the copies of a
  // process that ended before it could.
  std::string name =
      (fs::path(Path).parent_path() / (".load-" + std::to_string(::getpid()) + "-XXXXXX.so"))
          .string();
  const int fd = ::mkstemps(name.data(), 3);
  if (fd < 0) {
    Error = "Cannot read \"" + Path + "\": " + std::strerror(errno);
    return false;
  }
  ::close(fd);
  const fs::path copy = name;
  std::error_code ec;
  fs::copy_file(Path, copy, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    Error = "Cannot read \"" + Path + "\": " + ec.message();
    fs::remove(copy, ec);
    return false;
  }
  fenv_t env;
  fegetenv(&env);
  void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  fesetenv(&env);
  fs::remove(copy, ec);
  if (!handle) {
    const char* e = dlerror();
    Error = e ? e : "cannot load " + Path;
    return false;
  }
  auto setup = reinterpret_cast<TSetupFn>(dlsym(handle, "QvFitDllSetup"));
  auto run = reinterpret_cast<TRunFn>(dlsym(handle, "QvFitDllRun"));
  void* fault = dlsym(handle, "QvFitDllFault");
  void* entry = dlsym(handle, "Run__DLL");
  if (!setup || !run || !fault || !entry) {
    Error = "The library \"" + Path + "\" does not export Run__DLL and its adapter.";
    dlclose(handle);
    return false;
  }
  TRangeQuery q;
  q.Address = reinterpret_cast<uintptr_t>(fault);
  dl_iterate_phdr(FindRange, &q);
  handle_ = handle;
  path_ = Path;
  setup_ = setup;
  run_ = run;
  fault_ = fault;
  codeLow_ = q.Low;
  codeHigh_ = q.High;
  PrepareThreadStacks();
  InstallFaultHandlers();
  return true;
}

bool TFitDll::Setup(const Integer1Array& Rows, const Double3Array& XData,
                    const Double2Array& VCData, int Inputs, int VarConstants, int Outputs,
                    int Params, std::string& Error) {
  ready_ = false;
  if (!handle_) {
    Error = "No library loaded.";
    return false;
  }
  const int files = static_cast<int>(Rows.size());
  std::vector<double> x, vc;
  for (int f = 0; f < files; ++f) {
    for (int i = 0; i < Inputs; ++i)
      for (int r = 0; r < Rows[f]; ++r) {
        const bool have = f < static_cast<int>(XData.size()) &&
                          i < static_cast<int>(XData[f].size()) &&
                          r < static_cast<int>(XData[f][i].size());
        x.push_back(have ? XData[f][i][r] : 0.0);
      }
    for (int c = 0; c < VarConstants; ++c) {
      const bool have =
          f < static_cast<int>(VCData.size()) && c < static_cast<int>(VCData[f].size());
      vc.push_back(have ? VCData[f][c] : 0.0);
    }
  }
  int status;
  {
    TFitDllFaultGuard guard(*this);
    status = setup_(files, Inputs, Outputs, VarConstants, Params, Rows.data(), x.data(), vc.data());
  }
  if (status != 0) {
    Error = "The library could not take the data.";
    return false;
  }
  files_ = files;
  outputs_ = Outputs;
  params_ = Params;
  rows_ = Rows;
  int most = 0;
  for (int r : Rows) most = std::max(most, r);
  buffer_.assign(static_cast<size_t>(std::max(1, Outputs * most)), 0.0);
  ready_ = true;
  return true;
}

TFitDllStatus TFitDll::Run(int File, const double* Params, Double2Array& Y, std::string* Error) {
  if (!ready_ || File < 0 || File >= files_) {
    if (Error) *Error = "The library is not ready.";
    return TFitDllStatus::NotReady;
  }
  char text[512];
  text[0] = 0;
  int status;
  bool faulted;
  {
    TFitDllFaultGuard guard(*this);
    status = run_(File, Params, buffer_.data(), text, sizeof text);
    faulted = guard.Faulted();
  }
  if (status != 0) {
    if (Error) *Error = text;
    return TFitDllStatus::Exception;
  }
  if (faulted) {
    if (Error) *Error = "Floating point fault (division by zero, invalid operation or overflow).";
    return TFitDllStatus::FloatFault;
  }
  const int rows = rows_[File];
  for (int k = 0; k < outputs_ * rows; ++k)
    if (!std::isfinite(buffer_[k])) {
      if (Error) *Error = "The result is not a finite number.";
      return TFitDllStatus::NotFinite;
    }
  if (static_cast<int>(Y.size()) < outputs_) Y.resize(outputs_);
  for (int o = 0; o < outputs_; ++o) {
    if (static_cast<int>(Y[o].size()) < rows) Y[o].resize(rows);
    std::memcpy(Y[o].data(), buffer_.data() + static_cast<size_t>(o) * rows, sizeof(double) * rows);
  }
  return TFitDllStatus::Ok;
}

}  // namespace qv
