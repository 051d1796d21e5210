#include "base/debug_print.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstdlib>

// The sanitizers bring their own allocator, which a replacement malloc would bypass.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TOLVA_OWN_ALLOCATOR 1
#endif
#endif

#ifndef TOLVA_OWN_ALLOCATOR
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
void Count() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}
}  // namespace

extern "C" void* malloc(std::size_t size) {
  Count();
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
  Count();
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
  Count();
  return __libc_realloc(p, size);
}
#endif

namespace {

TEST(DebugPrintAllocation, MessagesCostNoHeapAllocation) {
#ifdef TOLVA_OWN_ALLOCATOR
  GTEST_SKIP() << "allocation counting needs the plain allocator";
#else
  QTemporaryDir dir;
  ASSERT_TRUE(InitConsoleWindow(dir.filePath("save.log").toStdString()));
  DebugPrint(L"warm up %d\n", 1);  // the first write may set up the console stream
  DebugPrint("warm up %d\n", 2);
  counting = true;
  for (int i = 0; i < 100; ++i) {
    DebugPrint(L"EQ_Ctrl ch %d band %d freq %d gain %.1f %ls\n", 2, 3, 1000, -4.5, L"增益");
    DebugPrint("frame %02x %02x %s\n", 0xAA, 0x55, "场景");
  }
  counting = false;
  CloseConsoleWindow();
  EXPECT_EQ(allocations.load(), 0);
#endif
}

}  // namespace
