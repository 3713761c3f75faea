# Benchmarks of src/arith: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(arith_kernels_bench ${CMAKE_CURRENT_LIST_DIR}/arith_kernels.cpp)
quorvel_add_bench(arith_batch_bench ${CMAKE_CURRENT_LIST_DIR}/arith_batch.cpp)
