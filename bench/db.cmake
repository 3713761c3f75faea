# Benchmarks of src/db: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(db_load ${CMAKE_CURRENT_SOURCE_DIR}/db_load.cpp)
# The workload files that bench/workloads.sh makes (bench/run.sh makes them
# on its first run).
target_compile_definitions(db_load PRIVATE
  QUORVEL_WORKLOADS_DIR="${PROJECT_SOURCE_DIR}/bench/.cache")
