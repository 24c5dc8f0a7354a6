#include <gtest/gtest.h>

#include "rtl/DynLibs.h"

namespace {

TEST(DynLibs, LoadsALibraryFindsASymbolAndUnloads) {
  const TModuleHandle lib = LoadLibrary("libm.so.6");
  ASSERT_NE(lib, 0u) << LoadErrorText();
  using CosFn = double (*)(double);
  auto cosFn = reinterpret_cast<CosFn>(GetProcAddress(lib, "cos"));
  ASSERT_NE(cosFn, nullptr);
  EXPECT_DOUBLE_EQ(cosFn(0.0), 1.0);

  EXPECT_EQ(GetProcAddress(lib, "no_such_symbol_here"), nullptr);
  EXPECT_NE(LoadErrorText().find("no_such_symbol_here"), String::npos);
  EXPECT_TRUE(FreeLibrary(lib));
}

TEST(DynLibs, FailuresGiveNoHandleAndTheLoadersText) {
  EXPECT_EQ(LoadLibrary("libvorn-does-not-exist.so.9"), 0u);
  EXPECT_NE(LoadErrorText().find("libvorn-does-not-exist.so.9"), String::npos);
  EXPECT_EQ(LoadLibrary(""), 0u);
  EXPECT_EQ(GetProcAddress(0, "cos"), nullptr);
  EXPECT_FALSE(FreeLibrary(0));
}

}  // namespace
