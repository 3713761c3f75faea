# Benchmarks of src/krange: quorvel_add_bench(<name> <sources>...)
