# Benchmarks of src/nearmersenne: quorvel_add_bench(<name> <sources>...)
