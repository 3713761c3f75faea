# Benchmarks of src/primes: quorvel_add_bench(<name> <sources>...)
quorvel_add_bench(primes_bench ${CMAKE_CURRENT_LIST_DIR}/primes_stream.cpp)
