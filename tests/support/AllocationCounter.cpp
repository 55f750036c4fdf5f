// Replaces the global operator new and delete of the program it is linked into, so that tests and
// benchmarks can count the allocations a piece of code makes. Link it into one program at a time
// (it defines the global operators).
#include "support/AllocationCounter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> gAllocations{0};

void* Allocate(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size != 0 ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  const std::size_t a = static_cast<std::size_t>(align);
  return std::aligned_alloc(a, (std::max<std::size_t>(size, 1) + a - 1) / a * a);
}

}  // namespace

// Kept out of line: inlined into a caller, GCC pairs the free with the new above and warns.
#define COUNTED [[gnu::noinline]]

COUNTED void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
COUNTED void* operator new[](std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
COUNTED void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
COUNTED void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
COUNTED void* operator new(std::size_t size, std::align_val_t align) {
  if (void* p = AllocateAligned(size, align)) return p;
  throw std::bad_alloc();
}
COUNTED void* operator new[](std::size_t size, std::align_val_t align) {
  if (void* p = AllocateAligned(size, align)) return p;
  throw std::bad_alloc();
}
COUNTED void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align);
}
COUNTED void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align);
}
COUNTED void operator delete(void* p) noexcept { std::free(p); }
COUNTED void operator delete[](void* p) noexcept { std::free(p); }
COUNTED void operator delete(void* p, std::size_t) noexcept { std::free(p); }
COUNTED void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
COUNTED void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
COUNTED void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
COUNTED void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
COUNTED void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
COUNTED void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
COUNTED void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
COUNTED void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
COUNTED void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace Testing {

uint64_t CountedAllocations() { return gAllocations.load(std::memory_order_relaxed); }

}  // namespace Testing
