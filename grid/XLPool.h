// Blocks for the grid's many small objects: cells, rows and the slot
// blocks of short rows. A sheet of a million lines holds millions of them;
// blocks carved from 256 KB slabs carry no header of their own, and a slab
// goes back to the system when its last block is freed.
//
// XLPoolFree must be given the size the block was asked for. Sizes above
// 256 bytes, and every size in a build with AddressSanitizer (so that it
// still sees each block), go to the global operator new and delete. Safe
// to call from any thread.
#pragma once

#include <cstddef>

namespace qv {

void* XLPoolAllocate(std::size_t size);
void XLPoolFree(void* block, std::size_t size) noexcept;

// Bytes of the slabs the pool holds now (for benchmarks and tests).
std::size_t XLPoolSlabBytes();

}  // namespace qv
