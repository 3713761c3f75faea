# Benchmarks of src/search: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(search_bench ${CMAKE_CURRENT_LIST_DIR}/search_per_prime.cpp)
# The workload files that bench/workloads.sh makes (bench/run.sh makes them
# on its first run).
target_compile_definitions(search_bench PRIVATE
  QUORVEL_WORKLOADS_DIR="${PROJECT_SOURCE_DIR}/bench/.cache")
