# Warnings are an interface target every project target links, not global flags, so
# third-party code pulled in by find_package is never held to them.
# -Wnull-dereference is left out: with optimisation GCC 12 reports paths through inlined
# coroutine frames that cannot happen, and only in release builds.
add_library(palimo_warnings INTERFACE)
target_compile_options(palimo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
if(PALIMO_WERROR)
  target_compile_options(palimo_warnings INTERFACE -Werror)
endif()
if(PALIMO_SANITIZE)
  # Every finding stops the program, so a test that runs into one fails instead of scrolling past.
  target_compile_options(palimo_warnings INTERFACE -fsanitize=address,undefined
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(palimo_warnings INTERFACE -fsanitize=address,undefined)
endif()
if(PALIMO_FUZZ)
  # Coverage feedback for libFuzzer in every library a fuzz target links.
  target_compile_options(palimo_warnings INTERFACE -fsanitize=fuzzer-no-link)
endif()
target_compile_definitions(palimo_warnings INTERFACE
  QT_NO_KEYWORDS QT_NO_URL_CAST_FROM_STRING)

# palimo_module(NAME SOURCES... [LINKS ...]) declares one layer as a static library whose
# headers are reached by module-qualified paths ("base/Log.h").
function(palimo_module name)
  cmake_parse_arguments(M "" "" "SOURCES;LINKS;PUBLIC_LINKS" ${ARGN})
  add_library(${name} STATIC ${M_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE palimo_warnings ${M_LINKS} PUBLIC ${M_PUBLIC_LINKS})
  palimo_use_pch(${name})
endfunction()

# palimo_test(NAME LABEL SOURCES... LINKS ...) adds one GoogleTest executable to CTest.
function(palimo_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LINKS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE palimo_warnings palimo_testsupport ${T_LINKS}
    palimo_testmain GTest::gtest GTest::gmock)
  palimo_use_pch(${name} tests)
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(T_LABEL STREQUAL "system")
    # System tests run inside the private X, D-Bus, AT-SPI and keyring session.
    add_test(NAME ${name}
      COMMAND ${PROJECT_SOURCE_DIR}/tests/system/palimo-session.sh $<TARGET_FILE:${name}>)
    # Real applications on a loaded 2-core machine answer late; one desktop test at a time.
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}")
endfunction()
