#pragma once
// Large working memory straight from the system, for stores that grow to many megabytes (a records cache
// of a million rows): zero-filled without being written, its pages first touched when used, and from
// 2 MB up aligned and offered huge pages where the system grants them. Every fresh small page costs a
// fault when first touched; on huge pages a large store faults some five hundred times less often.

#include <cstddef>

// Size of the huge pages asked for; a request from this size up is aligned to it.
constexpr size_t HugePageBytes = size_t{2} << 20;

// bytes zero-filled bytes, or nullptr when the system refuses (or bytes is 0).
void* AllocatePages(size_t bytes);
// Gives back what AllocatePages answered for the same byte count; nullptr is ignored.
void FreePages(void* memory, size_t bytes);
