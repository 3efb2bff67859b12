# CT_FUZZ=ON: a tree of its own (build-fuzz/, scripts/fuzz.sh) with clang's libFuzzer. Everything
# of ours compiled here is instrumented for coverage and built with the address and
# undefined-behaviour sanitizers; a sanitizer report stops the run like a crash does.
option(CT_FUZZ "Build the fuzz targets of fuzz/ (clang only)" OFF)
if(CT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CT_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++-14)")
  endif()
  # No vptr check: Debian's SOCI does not export the type information of its back ends.
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize=vptr
                      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize=vptr)
endif()
