# Benchmarks of src/primes: quorvel_add_bench(<name> <sources>...)
