# The sanitizer build: -DZENTRIX_SANITIZE=ON compiles everything with
# AddressSanitizer and UndefinedBehaviorSanitizer, stopping at the first
# fault, and (with clang) with libFuzzer's coverage, so that the same
# objects serve the unit and end-to-end tests and the fuzz targets.
# It builds only what those tests need: the asset archive is taken from a
# normal build (-DZENTRIX_ASSET_ARCHIVE=.../data/assets.ass) instead of
# being generated again, and the packaging, the image and sound generators
# and the benchmarks are left out.
option(ZENTRIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
set(ZENTRIX_ASSET_ARCHIVE "" CACHE FILEPATH "A ready asset archive to use instead of building one")

if(NOT ZENTRIX_SANITIZE)
  return()
endif()
if(ZENTRIX_ASSET_ARCHIVE STREQUAL "")
  message(FATAL_ERROR "ZENTRIX_SANITIZE needs -DZENTRIX_ASSET_ARCHIVE=<a normal build's data/assets.ass>")
endif()

set(ZENTRIX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
add_compile_options(${ZENTRIX_SANITIZER_FLAGS})
add_link_options(-fsanitize=address,undefined)
# libFuzzer needs clang; the fuzz targets link the same instrumented objects.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(ZENTRIX_FUZZ ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Every program gets the sanitizers' default options and leak suppressions;
# added once the whole tree (and its own deferred programs) is defined.
function(zentrix_add_sanitizer_defaults directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/sanitizer/default_options.cpp)
    endif()
  endforeach()
  get_property(folders DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(folder ${folders})
    zentrix_add_sanitizer_defaults(${folder})
  endforeach()
endfunction()
cmake_language(DEFER CALL zentrix_add_sanitizer_defaults ${CMAKE_SOURCE_DIR})
