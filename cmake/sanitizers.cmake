if(TOLVA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TOLVA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TOLVA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TOLVA_SANITIZE must be '', 'address' or 'thread'")
endif()

# libFuzzer needs clang. Under ASan the libraries also get coverage instrumentation, so the
# fuzz targets in fuzz/ are real coverage-guided fuzzers; elsewhere they build as plain drivers.
set(TOLVA_LIBFUZZER OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND TOLVA_SANITIZE STREQUAL "address" AND TOLVA_BUILD_FUZZ)
  set(TOLVA_LIBFUZZER ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
