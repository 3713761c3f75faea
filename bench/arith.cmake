# Benchmarks of src/arith: quorvel_add_bench(<name> <sources>...)
