# Build helpers shared by every folder.

set(QUORLANE_WARNINGS -Wall -Wextra)

# A fuzz build finds faults through the sanitizers: without them most memory errors and undefined
# behaviour go unseen, so fuzzing always turns them on.
if(QUORLANE_FUZZ)
  set(QUORLANE_SANITIZE ON)
endif()

if(QUORLANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# libFuzzer builds instrument every library for coverage; only the fuzz programs link the fuzzer's main.
if(QUORLANE_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(quorlane_subdirectory dir)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory(${dir})
  endif()
endfunction()

# quorlane_library(<target> DEPS <libs...>)
# A static library of every .cpp in the calling folder (not its sub-folders).
function(quorlane_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  add_library(${target} STATIC ${sources} ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_compile_options(${target} PRIVATE ${QUORLANE_WARNINGS})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# quorlane_test(<target> DEPS <libs...> [SOURCES <files...>] [EXCLUDE <files...>])
# One test program per test folder, run through CTest with the shared test main.
function(quorlane_test target)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    foreach(excluded IN LISTS ARG_EXCLUDE)
      list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${excluded}")
    endforeach()
  endif()
  add_executable(${target} ${sources})
  target_compile_options(${target} PRIVATE ${QUORLANE_WARNINGS})
  target_link_libraries(${target} PRIVATE quorlane_testmain ${ARG_DEPS} GTest::gtest GTest::gmock)
  target_compile_definitions(${target} PRIVATE
    QUORLANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUORLANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  include(GoogleTest)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
