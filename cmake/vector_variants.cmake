# Which instruction-set variants of the hot kernels this build compiles.
#
# The portable path is always built. The AVX2+FMA variant is built only on
# x86-64, where a probe shows that the compiler accepts the functions' own
# target attribute and the intrinsics the kernels use, and where
# QUORVEL_FORCE_VARIANT is "auto". Everything is told the outcome through the
# compile definition QUORVEL_HAVE_AVX2 (0 or 1, on quorvel_flags, so every
# target sees it): without it, dispatch never offers the AVX2 variant and the
# program runs the portable path alone.
#
# QUORVEL_FORCE_VARIANT=scalar pins the whole program to the portable path the
# same way: the vector sources are left out, so no caller can reach them
# (the tests of every subsystem then exercise the portable kernels on any
# processor).
#
# To put a further AVX2 file under this switch:
#   1. list it in its folder's CMakeLists.txt with
#        quorvel_avx2_sources(<library> <file>_avx2.cpp ...)
#      instead of in add_library;
#   2. keep its declarations in a *_avx2.hpp, and wrap every use of them (the
#      dispatch case, a test or benchmark that names the variant) in
#        #if QUORVEL_HAVE_AVX2 ... #endif
#      so that a build without the variant keeps the portable path only.
# A wider variant (AVX-512, ...) follows the same pattern: a probe, a
# QUORVEL_HAVE_<ISA> definition and a quorvel_<isa>_sources() function here.
include(CheckCXXSourceCompiles)

set(QUORVEL_FORCE_VARIANT auto CACHE STRING
  "Batch arithmetic variants: auto (the best the processor runs) or scalar (the portable path only)")
set_property(CACHE QUORVEL_FORCE_VARIANT PROPERTY STRINGS auto scalar)
if(NOT QUORVEL_FORCE_VARIANT MATCHES "^(auto|scalar)$")
  message(FATAL_ERROR "QUORVEL_FORCE_VARIANT is auto or scalar, not \"${QUORVEL_FORCE_VARIANT}\"")
endif()

set(QUORVEL_HAVE_AVX2 OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  # The probe uses what the kernels use: a function-level target attribute,
  # 256-bit integer and double intrinsics, FMA, and the run-time CPU check.
  check_cxx_source_compiles([=[
    #include <immintrin.h>
    __attribute__((target("avx2,fma"))) static double probe(double x) {
      const __m256d a = _mm256_set1_pd(x);
      const __m256i b = _mm256_slli_epi64(_mm256_set1_epi64x(1), 3);
      const __m256i c = _mm256_add_epi64(_mm256_castpd_si256(a), b);
      const __m256d r = _mm256_fmadd_pd(_mm256_castsi256_pd(c), a,
                                        _mm256_round_pd(a, _MM_FROUND_TO_NEAREST_INT));
      double out[4];
      _mm256_storeu_pd(out, r);
      return out[0];
    }
    int main(int argc, char**) {
      __builtin_cpu_init();
      if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return 0;
      return probe(argc) > 0.0 ? 0 : 1;
    }
  ]=] QUORVEL_COMPILER_ACCEPTS_AVX2)
  if(QUORVEL_COMPILER_ACCEPTS_AVX2 AND QUORVEL_FORCE_VARIANT STREQUAL "auto")
    set(QUORVEL_HAVE_AVX2 ON)
  endif()
endif()
if(QUORVEL_HAVE_AVX2)
  message(STATUS "quorvel kernel variants: portable, AVX2")
else()
  message(STATUS "quorvel kernel variants: portable only")
endif()
target_compile_definitions(quorvel_flags INTERFACE QUORVEL_HAVE_AVX2=$<BOOL:${QUORVEL_HAVE_AVX2}>)

# quorvel_avx2_sources(<target> <sources>...): adds AVX2 sources to a target
# when this build has the AVX2 variant, and nothing otherwise.
function(quorvel_avx2_sources target)
  if(QUORVEL_HAVE_AVX2)
    target_sources(${target} PRIVATE ${ARGN})
  endif()
endfunction()
