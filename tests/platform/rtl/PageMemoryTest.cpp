#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "rtl/PageMemory.h"

namespace {

// Small and huge sizes: zero-filled, writable to the last byte, huge ones aligned to the huge page.
TEST(PageMemory, ZeroFilledWritableAndAligned) {
  for (size_t bytes : {size_t{1}, size_t{4096}, size_t{65536} + 3, HugePageBytes, 3 * HugePageBytes + 5}) {
    auto* memory = static_cast<uint8_t*>(AllocatePages(bytes));
    ASSERT_NE(memory, nullptr) << bytes;
    EXPECT_EQ(memory[0], 0) << bytes;
    EXPECT_EQ(memory[bytes - 1], 0) << bytes;
    std::memset(memory, 0xAB, bytes);
    EXPECT_EQ(memory[bytes - 1], 0xAB);
    if (bytes >= HugePageBytes) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(memory) % HugePageBytes, 0u) << bytes;
    }
    FreePages(memory, bytes);
  }
  EXPECT_EQ(AllocatePages(0), nullptr);
  FreePages(nullptr, 10);
}

}  // namespace
