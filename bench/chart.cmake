# Chart engine benchmarks (included by bench/CMakeLists.txt when the GUI is built).
ph_add_bench(bench_chart_addpoints SOURCES bench_chart_addpoints.cpp bench_chart_main.h
             LIBS ph_bench_support ph_chart Qt6::Widgets GUI)
ph_add_bench(bench_chart_draw SOURCES bench_chart_draw.cpp bench_chart_main.h
             LIBS ph_bench_support ph_chart Qt6::Widgets GUI)
ph_add_bench(bench_viewer SOURCES bench_viewer.cpp bench_chart_main.h
             LIBS ph_bench_support ph_ui Qt6::Widgets GUI)
