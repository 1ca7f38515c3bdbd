# Export, import and backup of the journal.
vesperlog_bench(bench_export SOURCES ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp LIBS vesperlog_model)
