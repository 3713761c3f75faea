# Benchmarks of src/search: quorvel_add_bench(<name> <sources>...)
