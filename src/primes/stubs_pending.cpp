// Placeholders until the prime stream is built; this file is deleted then.
#include <cstdlib>
#include <cstdio>

#include "primes/prime_stream.hpp"

namespace quorvel {
[[noreturn]] static void pending(const char* what) {
  std::printf("%s is not built yet\n", what);
  std::exit(1);
}
const std::uint32_t base_prime_bound = 33555456;
std::vector<std::uint16_t> aallprimes;
std::uint32_t nprimes = 0;
std::uint32_t sievewindowsize = 0;
std::uint64_t sievewindowlow = 0;
std::uint32_t sievewindowindex = 0xFFFFFFFFu;
std::uint32_t interval_rate = 0;
ctimer_t timeinterval;
void set_sieve_window_size(std::uint32_t) { pending("prime stream"); }
void eratosthenes_base(std::uint32_t) { pending("prime stream"); }
void eratosthenes_window(std::uint64_t) { pending("prime stream"); }
void eratosthenes_window_lowok(std::uint64_t) { pending("prime stream"); }
std::uint64_t next_sieved_p() { pending("prime stream"); }
std::span<const std::uint32_t> pminus1_factors(std::uint32_t) { pending("prime stream"); }
}  // namespace quorvel
