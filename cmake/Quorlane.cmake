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

# The sanitized programs are hundreds of megabytes of code and debug information, and ccache never
# saves a link: lld links them in about a third of the default linker's time.
option(QUORLANE_LLD "Link with lld when it is installed" ON)
if(QUORLANE_LLD AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  find_program(QUORLANE_LLD_PROGRAM ld.lld)
  if(QUORLANE_LLD_PROGRAM)
    add_link_options(-fuse-ld=lld)
  endif()
endif()

# libFuzzer builds instrument every library for coverage; only the fuzz programs link the fuzzer's main.
if(QUORLANE_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Qt's and GoogleTest's headers are most of every compile here: each target parses them once into a
# precompiled header. ccache can reuse a translation unit built on a precompiled header only when told
# to trust the header's recorded time and macros.
option(QUORLANE_PCH "Precompile the Qt, standard library and test headers of each target" ON)
set(QUORLANE_PCH_HEADERS
  <algorithm> <array> <cmath> <cstdint> <cstring> <functional> <map> <memory> <mutex> <optional>
  <string> <utility> <vector>
  <QByteArray> <QDir> <QFile> <QFileInfo> <QImage> <QList> <QObject> <QPainter> <QString>
  <QStringList> <QWidget>)
set(QUORLANE_TEST_PCH_HEADERS ${QUORLANE_PCH_HEADERS} <gtest/gtest.h> <QTemporaryDir> <QApplication>)
if(QUORLANE_PCH AND CCACHE_PROGRAM)
  set(launcher ${CMAKE_COMMAND} -E env
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()

# The libraries (and the build tools and fuzz replays compiled like them) share the first library's
# precompiled header and the tests the test main's: they are compiled with the same definitions, and
# one header per build keeps the build folder small.
function(quorlane_precompile target)
  cmake_parse_arguments(ARG "TEST" "" "" ${ARGN})
  if(NOT QUORLANE_PCH)
    return()
  endif()
  if(target STREQUAL "platform" OR target STREQUAL "quorlane_testmain")
    if(ARG_TEST)
      target_precompile_headers(${target} PRIVATE ${QUORLANE_TEST_PCH_HEADERS})
    else()
      target_precompile_headers(${target} PRIVATE ${QUORLANE_PCH_HEADERS})
    endif()
  elseif(ARG_TEST)
    target_precompile_headers(${target} REUSE_FROM quorlane_testmain)
  else()
    target_precompile_headers(${target} REUSE_FROM platform)
  endif()
endfunction()

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
  quorlane_precompile(${target})
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
  quorlane_precompile(${target} TEST)
  # CTest starts a test program once per test: linked as a fixed-address program, the loader has
  # no millions of relocations to apply to its sanitizer-padded data first (a third of each start).
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_link_options(${target} PRIVATE -no-pie)
  endif()
  target_compile_definitions(${target} PRIVATE
    QUORLANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUORLANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  include(GoogleTest)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
