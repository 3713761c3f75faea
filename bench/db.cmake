# Benchmarks of src/db: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(db_load ${CMAKE_CURRENT_SOURCE_DIR}/db_load.cpp)
# The shared workload files sit beside the repository.
target_compile_definitions(db_load PRIVATE
  QUORVEL_WORKLOADS_DIR="${PROJECT_SOURCE_DIR}/../shared/workloads")
