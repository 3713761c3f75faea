# Benchmarks of src/krange: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(krange_bench ${CMAKE_CURRENT_LIST_DIR}/krange_do_p.cpp)
