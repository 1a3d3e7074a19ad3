# Most files spend their compile time in the same Qt, QCoro and standard headers. Two targets
# precompile them once per build (one for the program's libraries, one adding GoogleTest for the
# tests) and every module and test reuses theirs, which roughly halves a build from scratch.
# GCC's -Winvalid-pch (made an error by PALIMO_WERROR) stops the build if a target's flags ever
# drift from the header's, rather than silently compiling without it. Off for the fuzz build:
# clang refuses a header whose Qt module macros differ from the target's.
option(PALIMO_PCH "Precompile the headers most files share" ON)

set(palimo_pch_headers
  <algorithm> <chrono> <cstdint> <functional> <memory> <optional> <utility> <vector>
  <QByteArray> <QList> <QMap> <QObject> <QPointer> <QString> <QStringList> <QTimer>
  <QJsonDocument> <QJsonObject> <QJsonValue> <QWidget>
  <qcoro/qcorotask.h>)

function(palimo_pch_target name)
  cmake_parse_arguments(P "" "" "HEADERS;LINKS" ${ARGN})
  set(source ${CMAKE_BINARY_DIR}/${name}.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// The precompiled headers' own translation unit.\n")
  endif()
  add_library(${name} STATIC ${source})
  # Qt's headers and QCoro's, but not the QT_<MODULE>_LIB macros Qt's targets define: GCC
  # refuses a header built with a macro the file using it lacks, and each module links other Qt
  # libraries. Only QtTest's headers read those macros, and they stay out of the header.
  set(qt Qt6::Widgets Qt6::Gui Qt6::Core QCoro6::Core)
  foreach(library ${qt})
    target_include_directories(${name} SYSTEM PRIVATE
      $<TARGET_PROPERTY:${library},INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_definitions(${name} PRIVATE
      $<FILTER:$<TARGET_PROPERTY:${library},INTERFACE_COMPILE_DEFINITIONS>,EXCLUDE,_LIB$>)
  endforeach()
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${name} PRIVATE palimo_warnings ${P_LINKS})
  target_precompile_headers(${name} PRIVATE ${palimo_pch_headers} ${P_HEADERS})
endfunction()

if(PALIMO_PCH)
  palimo_pch_target(palimo_pch)
  find_package(GTest REQUIRED)
  palimo_pch_target(palimo_test_pch HEADERS <gtest/gtest.h> LINKS GTest::gtest)
endif()

# palimo_use_pch(TARGET [tests]): compiles TARGET's files with the shared headers precompiled.
function(palimo_use_pch target)
  if(NOT PALIMO_PCH)
    return()
  endif()
  if(ARGV1 STREQUAL "tests")
    target_precompile_headers(${target} REUSE_FROM palimo_test_pch)
  else()
    target_precompile_headers(${target} REUSE_FROM palimo_pch)
  endif()
endfunction()
