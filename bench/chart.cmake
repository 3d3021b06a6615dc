# Chart engine benchmarks (included by bench/CMakeLists.txt when the GUI is built).
ph_add_bench(bench_chart_addpoints SOURCES bench_chart_addpoints.cpp bench_chart_main.h
             LIBS ph_bench_support ph_chart Qt6::Widgets GUI)
ph_add_bench(bench_chart_draw SOURCES bench_chart_draw.cpp bench_chart_data.h bench_chart_main.h
             LIBS ph_bench_support ph_chart Qt6::Widgets GUI)
ph_add_bench(bench_picture_export SOURCES bench_picture_export.cpp bench_chart_data.h
             bench_chart_main.h LIBS ph_bench_support ph_chart Qt6::Widgets GUI)
ph_add_bench(bench_viewer SOURCES bench_viewer.cpp bench_chart_main.h
             LIBS ph_bench_support ph_ui Qt6::Widgets GUI)

# The main window's search against peakhound-search --jobs 1 on the same files; runs the built
# command. Its smoke run takes 200 files and one round.
ph_add_bench(bench_window_search SOURCES bench_window_search.cpp
             LIBS ph_bench_child ph_bench_common ph_ui Qt6::Widgets Qt6::Test GUI)
target_compile_definitions(bench_window_search PRIVATE
  PH_SEARCH_BINARY="$<TARGET_FILE:peakhound-search>"
  PH_REALDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data/realdata/spectra")
add_dependencies(bench_window_search peakhound-search)
if(BUILD_TESTING)
  set_property(TEST bench_window_search_smoke APPEND PROPERTY ENVIRONMENT
    "PEAKHOUND_WINDOW_FILES=200" "PEAKHOUND_WINDOW_ROUNDS=1"
    "PEAKHOUND_WINDOW_DIR=${CMAKE_CURRENT_BINARY_DIR}/bench-window-smoke")
endif()

# Optional: the drawing pass against another Qt plotting library's default replot of the same
# data, built only when that library is installed (Debian: libqcustomplot-dev).
find_package(Qt6 QUIET COMPONENTS PrintSupport)
if(TARGET Qt6::PrintSupport)
  find_package(QCustomPlotQt6 CONFIG QUIET)
endif()
if(QCustomPlotQt6_FOUND)
  target_link_libraries(bench_chart_draw PRIVATE QCustomPlotQt6::QCustomPlotQt6)
  target_compile_definitions(bench_chart_draw PRIVATE PH_WITH_QCUSTOMPLOT)
  message(STATUS "bench_chart_draw: comparing with QCustomPlot")
endif()
