#include "rtl/PageMemory.h"

#include <sys/mman.h>

#include <cstdint>

void* AllocatePages(size_t bytes) {
  if (bytes == 0) return nullptr;
  if (bytes < HugePageBytes) {
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
  }
  // Over-allocate by one huge page and give back the unaligned head and the tail.
  const size_t length = bytes + HugePageBytes;
  void* raw = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + HugePageBytes - 1) & ~(uintptr_t{HugePageBytes} - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const uintptr_t end = start + length;
  const uintptr_t used = aligned + ((bytes + 4095) & ~size_t{4095});
  if (end > used) ::munmap(reinterpret_cast<void*>(used), end - used);
  // Only advice: without huge pages the memory works the same.
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreePages(void* memory, size_t bytes) {
  if (memory) ::munmap(memory, bytes);
}
