# Benchmarks of src/nearmersenne: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(nearmersenne_bench ${CMAKE_CURRENT_LIST_DIR}/nearmersenne_do_p.cpp)
