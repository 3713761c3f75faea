// The per-prime entry of the Proth/Riesel search for a single prime: the
// prime becomes a block of one.
#include "primes/prime_stream.hpp"
#include "search/prime_job.hpp"
#include "search/search.hpp"

namespace quorvel {

void test_idea(std::uint64_t p) {
  static prime_block_t block;
  block.count = 1;
  block.jobs[0].reset(p, pminus1_factors(sievewindowindex));
  search_block(block);
  report_found(block.jobs[0]);
}

}  // namespace quorvel
