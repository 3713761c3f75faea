// Setting up a prime's record and handing its factors to the report.
#include "search/prime_job.hpp"

#include <algorithm>

#include "db/factor_report.hpp"

namespace quorvel {

void prime_state_t::reset(std::uint64_t prime, std::span<const std::uint32_t> record) {
  p = prime;
  set_prime_modulus(mod, prime);
  nsieve = static_cast<std::uint32_t>(std::min(record.size(), sieve_primes.size()));
  std::copy(record.begin(), record.begin() + nsieve, sieve_primes.begin());
  npfactors = 0;
  o2bfactors = 0;
  kmaskcnt = 0;
  found.clear();
}

void report_found(const prime_state_t& st) {
  for (const factor_found_t& f : st.found) output_factor(st.p, f.kindex, f.n, f.xmod);
}

}  // namespace quorvel
