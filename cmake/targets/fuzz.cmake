# libFuzzer targets of every parser of outside input, built in the
# sanitizer build with clang (cmake/sanitize.cmake) from the same
# instrumented objects as its tests. CTest runs each for a short budget
# over its seeds in tests/fuzz/corpus/<name>, one fuzzer at a time.
if(NOT ZENTRIX_FUZZ)
  return()
endif()

set(ZENTRIX_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz)
set(ZENTRIX_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs in the tests")

# zentrix_fuzz_target(NAME LIBRARIES lib... [DICT name] [FLAGS libFuzzer-flag...])
# builds tests/fuzz/NAME_fuzzer.cpp; the dictionary tests/fuzz/NAME.dict (or
# DICT.dict) is used when present.
function(zentrix_fuzz_target name)
  cmake_parse_arguments(FUZZ "" "DICT" "LIBRARIES;FLAGS" ${ARGN})
  if(NOT FUZZ_DICT)
    set(FUZZ_DICT ${name})
  endif()
  set(target ${name}_fuzzer)
  add_executable(${target} ${ZENTRIX_FUZZ_DIR}/${target}.cpp)
  target_link_libraries(${target} PRIVATE ${FUZZ_LIBRARIES})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_compile_definitions(${target} PRIVATE ZENTRIX_BUILD_DIR="${CMAKE_BINARY_DIR}")
  set(flags ${FUZZ_FLAGS})
  if(EXISTS ${ZENTRIX_FUZZ_DIR}/${FUZZ_DICT}.dict)
    list(APPEND flags -dict=${ZENTRIX_FUZZ_DIR}/${FUZZ_DICT}.dict)
  endif()
  add_test(NAME fuzz_${name}
    COMMAND bash ${ZENTRIX_FUZZ_DIR}/run_fuzzer.sh $<TARGET_FILE:${target}> ${ZENTRIX_FUZZ_SECONDS}
            ${ZENTRIX_FUZZ_DIR}/corpus/${name} ${CMAKE_BINARY_DIR}/fuzz-artifacts/${name} ${flags})
  set_tests_properties(fuzz_${name} PROPERTIES RESOURCE_LOCK fuzzer TIMEOUT 180)
endfunction()

# The game's readers of its own files (any of which may be damaged).
zentrix_fuzz_target(archive_index LIBRARIES zentrix_core FLAGS -max_len=4096)
zentrix_fuzz_target(archive LIBRARIES zentrix_core FLAGS -max_len=16384)
zentrix_fuzz_target(tga LIBRARIES zentrix_core FLAGS -max_len=16384)
zentrix_fuzz_target(mesh LIBRARIES zentrix_core FLAGS -max_len=8192)
zentrix_fuzz_target(level LIBRARIES zentrix_core FLAGS -max_len=4096)
zentrix_fuzz_target(ogg LIBRARIES zentrix_core FLAGS -max_len=16384)
zentrix_fuzz_target(settings LIBRARIES zentrix_core FLAGS -max_len=8192)
zentrix_fuzz_target(password LIBRARIES zentrix_core FLAGS -max_len=1024)
zentrix_fuzz_target(replay LIBRARIES zentrix_core FLAGS -max_len=16384)
# What the game reads from the server, and what the server reads from the game.
zentrix_fuzz_target(replies LIBRARIES zentrix_core FLAGS -max_len=8192)
zentrix_fuzz_target(request LIBRARIES zentrix_server DICT endpoints FLAGS -max_len=8192)
zentrix_fuzz_target(endpoints LIBRARIES zentrix_server FLAGS -max_len=8192)
