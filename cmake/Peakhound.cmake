# Shared build settings and the small registration helpers for tests, benchmarks and fuzzers.

if(PH_SANITIZE)
  set(PH_SANITIZER_FLAGS
      -fsanitize=address,undefined,float-divide-by-zero,float-cast-overflow
      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${PH_SANITIZER_FLAGS})
  add_link_options(${PH_SANITIZER_FLAGS})
endif()

if(PH_TSAN)
  if(PH_SANITIZE)
    message(FATAL_ERROR "PH_TSAN and PH_SANITIZE exclude each other")
  endif()
  set(PH_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${PH_TSAN_FLAGS})
  add_link_options(${PH_TSAN_FLAGS})
endif()

set(PH_WARNINGS
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
    -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
if(PH_WERROR)
  list(APPEND PH_WARNINGS -Werror)
endif()

# ph_warnings(target [CONVERSION]): the project's warning set; CONVERSION adds -Wconversion, used
# on the layers where a silent double-to-int conversion would be a rounding bug.
function(ph_warnings target)
  cmake_parse_arguments(ARG "CONVERSION" "" "" ${ARGN})
  target_compile_options(${target} PRIVATE ${PH_WARNINGS})
  if(ARG_CONVERSION)
    target_compile_options(${target} PRIVATE -Wconversion)
  endif()
endfunction()

# Qt-using targets: explicit encodings for literals, no deprecated API.
function(ph_qt_defaults target)
  target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII
                                               QT_DISABLE_DEPRECATED_BEFORE=0x060400)
endfunction()

# ph_add_test(name SOURCES ... LIBS ... [GUI] [LABELS ...] [TIMEOUT s]): one QtTest executable
# registered with ctest. Widget tests run on the offscreen platform, on a 1920 x 1080 screen.
function(ph_add_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ph_test_support Qt6::Test)
  ph_warnings(${name})
  ph_qt_defaults(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
          "PEAKHOUND_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(ARG_GUI)
    # A screen the size of a common desktop (the platform's default is 800 x 600).
    list(APPEND env
         "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/offscreen-screen.json")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}"
                                          LABELS "${ARG_LABELS}")
endfunction()

# ph_add_bench(name SOURCES ... LIBS ...): a Google Benchmark executable, with a short ctest smoke
# run (label bench) that keeps it compiling and running.
function(ph_add_bench name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  ph_warnings(${name})
  if(BUILD_TESTING)
    add_test(NAME ${name}_smoke COMMAND ${name} --benchmark_min_time=0.01)
    set(env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
    if(ARG_GUI)
      list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name}_smoke PROPERTIES LABELS bench TIMEOUT 600 ENVIRONMENT "${env}")
  endif()
endfunction()

# ph_add_fuzz(name SOURCES ... LIBS ...): a libFuzzer target (clang only).
function(ph_add_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  ph_warnings(${name})
endfunction()

# Fuzzing builds instrument every library for coverage; the targets add the fuzzer's main.
if(PH_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# ph_install_man_page(page): the troff page man/<page> (name.section), gzipped at build time and
# installed into share/man/man<section>.
function(ph_install_man_page page)
  string(REGEX MATCH "[1-9]$" section "${page}")
  set(source ${PROJECT_SOURCE_DIR}/man/${page})
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
                     COMMAND sh -c "gzip -9 -n -c \"$0\" > \"$1\"" ${source} ${compressed}
                     DEPENDS ${source} VERBATIM)
  add_custom_target(man_${page} ALL DEPENDS ${compressed})
  include(GNUInstallDirs)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
