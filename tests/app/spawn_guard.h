#pragma once

// ThreadSanitizer's runtime (clang 14) aborts in the child when Qt starts a process with
// clone(); tests that start programs run in the other builds.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TOLVA_SKIP_IF_NO_SPAWN() GTEST_SKIP() << "starting processes is not supported under TSan"
#endif
#endif
#ifndef TOLVA_SKIP_IF_NO_SPAWN
#define TOLVA_SKIP_IF_NO_SPAWN() (void)0
#endif
