# Benchmarks of src/db: quorvel_add_bench(<name> <sources>...)
