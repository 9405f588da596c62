#include "grid/XLPool.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QV_XLPOOL_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_XLPOOL_OFF 1
#endif
#endif

namespace qv {

namespace {

constexpr std::size_t kSlabBytes = std::size_t(256) * 1024;
constexpr std::size_t kGrain = 8;
constexpr std::size_t kLargest = 256;

// The head of a slab; its blocks follow. Blocks of one size class; the
// free ones are chained through their first word.
struct TSlab {
  TSlab* Prev = nullptr;  // in the size class's list of slabs with room
  TSlab* Next = nullptr;
  void* Free = nullptr;     // freed blocks
  std::uint32_t Live = 0;   // blocks handed out
  std::uint32_t Fresh = 0;  // offset of the first block never handed out
  std::uint32_t BlockSize = 0;
  bool Listed = false;
};
constexpr std::uint32_t kFirstBlock = (sizeof(TSlab) + 15) / 16 * 16;

struct TPool {
  std::mutex Mutex;
  TSlab* Open[kLargest / kGrain + 1] = {};  // per size class: slabs with room
  std::size_t SlabBytes = 0;

  void Link(TSlab* s, std::size_t cls) {
    s->Prev = nullptr;
    s->Next = Open[cls];
    if (s->Next) s->Next->Prev = s;
    Open[cls] = s;
    s->Listed = true;
  }
  void Unlink(TSlab* s, std::size_t cls) {
    if (s->Prev)
      s->Prev->Next = s->Next;
    else
      Open[cls] = s->Next;
    if (s->Next) s->Next->Prev = s->Prev;
    s->Prev = s->Next = nullptr;
    s->Listed = false;
  }
  static bool Full(const TSlab* s) { return !s->Free && s->Fresh + s->BlockSize > kSlabBytes; }
};

// A slab aligned to its size, mapped from the system on its own, so that
// its header is found from any block's address and it goes back whole.
// (Unused where the pool is off, under AddressSanitizer.)
[[maybe_unused]] void* MapSlab() {
  void* raw =
      mmap(nullptr, 2 * kSlabBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kSlabBytes - 1) & ~(kSlabBytes - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t end = start + 2 * kSlabBytes;
  if (end > aligned + kSlabBytes)
    munmap(reinterpret_cast<void*>(aligned + kSlabBytes), end - aligned - kSlabBytes);
  return reinterpret_cast<void*>(aligned);
}

// Never destroyed: cells of sheets that live until the end of the program
// are freed after every static object has gone.
TPool& Pool() {
  static TPool* pool = new TPool;
  return *pool;
}

}  // namespace

void* XLPoolAllocate(std::size_t size) {
#ifdef QV_XLPOOL_OFF
  return ::operator new(size);
#else
  if (size == 0 || size > kLargest) return ::operator new(size);
  const std::size_t cls = (size + kGrain - 1) / kGrain;
  TPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.Mutex);
  TSlab* s = pool.Open[cls];
  if (!s) {
    s = new (MapSlab()) TSlab;
    s->BlockSize = static_cast<std::uint32_t>(cls * kGrain);
    s->Fresh = kFirstBlock;
    pool.SlabBytes += kSlabBytes;
    pool.Link(s, cls);
  }
  void* block;
  if (s->Free) {
    block = s->Free;
    s->Free = *static_cast<void**>(block);
  } else {
    block = reinterpret_cast<char*>(s) + s->Fresh;
    s->Fresh += s->BlockSize;
  }
  ++s->Live;
  if (TPool::Full(s)) pool.Unlink(s, cls);
  return block;
#endif
}

void XLPoolFree(void* block, std::size_t size) noexcept {
#ifdef QV_XLPOOL_OFF
  ::operator delete(block);
  (void)size;
#else
  if (!block) return;
  if (size == 0 || size > kLargest) {
    ::operator delete(block);
    return;
  }
  const std::size_t cls = (size + kGrain - 1) / kGrain;
  auto* s = reinterpret_cast<TSlab*>(reinterpret_cast<std::uintptr_t>(block) & ~(kSlabBytes - 1));
  TPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.Mutex);
  *static_cast<void**>(block) = s->Free;
  s->Free = block;
  --s->Live;
  if (s->Live == 0 && !(s == pool.Open[cls] && !s->Next)) {
    // An empty slab goes back, unless it is the size class's only one.
    if (s->Listed) pool.Unlink(s, cls);
    s->~TSlab();
    munmap(s, kSlabBytes);
    pool.SlabBytes -= kSlabBytes;
    return;
  }
  if (!s->Listed) pool.Link(s, cls);
#endif
}

std::size_t XLPoolSlabBytes() {
  TPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.Mutex);
  return pool.SlabBytes;
}

}  // namespace qv
