# rtp_add_fuzzer(<name> SOURCES ... [INCLUDES ...] [RUNS n])
# A libFuzzer target, run briefly as a test. Built by the project's compiler
# when it is clang; otherwise by clang++ directly when it is installed (the
# fuzzed code is pure and needs nothing but its own sources); skipped when no
# clang exists.
function(rtp_add_fuzzer name)
  cmake_parse_arguments(ARG "" "RUNS" "SOURCES;INCLUDES" ${ARGN})
  if(NOT ARG_RUNS)
    set(ARG_RUNS 200000)
  endif()
  set(flags -std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
            -fno-sanitize-recover=undefined)
  set(binary ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name})
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  else()
    find_program(RTP_FUZZ_CLANGXX NAMES clang++ clang++-14)
    if(NOT RTP_FUZZ_CLANGXX)
      message(STATUS "${name}: no clang++, fuzz target not built")
      return()
    endif()
    set(includes)
    set(headers)
    foreach(dir IN LISTS ARG_INCLUDES)
      list(APPEND includes -I${dir})
      # One command compiles and links: rebuild when any header it may read changes.
      file(GLOB_RECURSE dir_headers CONFIGURE_DEPENDS ${dir}/*.h)
      list(APPEND headers ${dir_headers})
    endforeach()
    add_custom_command(OUTPUT ${binary}
      COMMAND ${RTP_FUZZ_CLANGXX} ${flags} ${includes} ${ARG_SOURCES} -o ${binary}
      DEPENDS ${ARG_SOURCES} ${headers}
      COMMENT "Building fuzz target ${name} with clang"
      VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${binary})
  endif()
  add_test(NAME ${name} COMMAND ${binary} -runs=${ARG_RUNS} -seed=1 -max_len=4096 -max_total_time=60)
  set_tests_properties(${name} PROPERTIES TIMEOUT 120
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
