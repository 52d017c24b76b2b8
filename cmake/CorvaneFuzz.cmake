# corvane_add_fuzzer(<name> SOURCES ... [INCLUDES ...] [RUNS n] [SEED_WRITER target])
# A libFuzzer target over pure code, run briefly as a test. Built by the
# project's compiler when it is clang; otherwise by clang++ directly when it is
# installed (the fuzzed code needs nothing but its own sources); skipped when
# no clang exists. SEED_WRITER names a program of ours that writes the seed
# corpus into the folder it is given, before each run.
function(corvane_add_fuzzer name)
  cmake_parse_arguments(ARG "" "RUNS;SEED_WRITER" "SOURCES;INCLUDES" ${ARGN})
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
    find_program(CORVANE_CLANGXX NAMES clang++ clang++-14)
    if(NOT CORVANE_CLANGXX)
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
      COMMAND ${CORVANE_CLANGXX} ${flags} ${includes} ${ARG_SOURCES} -o ${binary}
      DEPENDS ${ARG_SOURCES} ${headers}
      COMMENT "Building fuzz target ${name} with clang"
      VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${binary})
  endif()
  set(run ${binary} -runs=${ARG_RUNS} -seed=1 -max_len=4096 -max_total_time=20)
  if(ARG_SEED_WRITER)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    add_test(NAME ${name}
      COMMAND sh -c "rm -rf \"$0\" && mkdir -p \"$0\" && \"$1\" \"$0\" && shift && exec \"$@\" \"$0\""
              ${corpus} $<TARGET_FILE:${ARG_SEED_WRITER}> ${run})
  else()
    add_test(NAME ${name} COMMAND ${run})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 120
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
