# Build variants used by ./test to look for memory and undefined-behaviour
# faults. They change how everything is compiled, so each lives in a build
# folder of its own (build-asan, build-fuzz), never in build/.

option(ZELVO_SANITIZE "Compile with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ZELVO_NONGUI_ONLY "Build only the engine, the log, the platform layer and their tests" OFF)
option(ZELVO_FUZZ "Build the libFuzzer targets of tests/fuzz (needs clang)" OFF)
option(ZELVO_SANITIZE_THREADS "Compile with ThreadSanitizer" OFF)

if(ZELVO_SANITIZE_THREADS AND (ZELVO_SANITIZE OR ZELVO_FUZZ))
  message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer")
endif()
if(ZELVO_SANITIZE_THREADS)
  # The analysis shares its reading with a helper thread: any data race
  # between the two is reported and ends the test.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
endif()

if(ZELVO_SANITIZE OR ZELVO_FUZZ)
  # Any report ends the process, so a sanitizer finding always fails the run.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(ZELVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ZELVO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # The libraries get the coverage hooks; only the fuzz executables link the
  # libFuzzer driver (-fsanitize=fuzzer, set in tests/fuzz).
  add_compile_options(-fsanitize=fuzzer-no-link)
  # The windows have nothing a fuzzer can reach.
  set(ZELVO_NONGUI_ONLY ON CACHE BOOL "" FORCE)
endif()
