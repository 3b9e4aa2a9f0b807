# Sanitizer and fuzzing builds (clang). Included right after project(): the Makefile passes
# -DCMAKE_PROJECT_Vyx_INCLUDE=cmake/Sanitizers.cmake, so the flags reach every target, ours
# and the tests alike, without touching the normal build.
include_guard(GLOBAL)

option(VYX_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VYX_FUZZ "Also build the libFuzzer targets of fuzz/ (implies VYX_SANITIZE)" OFF)

if(VYX_FUZZ)
  set(VYX_SANITIZE ON)
endif()

if(VYX_SANITIZE)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VYX_SANITIZE needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Any report ends the process, so a test that trips a sanitizer fails.
  set(VYX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${VYX_SANITIZER_FLAGS} -fno-omit-frame-pointer)
  add_link_options(${VYX_SANITIZER_FLAGS})
endif()

if(VYX_FUZZ)
  # Coverage for the fuzzers reaches into the libraries they drive; the fuzzer's own main is
  # linked into the fuzz targets only. tests/CMakeLists.txt adds fuzz/ when VYX_FUZZ is on.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
