// Filling a batch from the prime stream.
#include "driver/prime_batch.hpp"

#include "primes/prime_stream.hpp"

namespace quorvel {

void fill_prime_batch(prime_batch_t& batch, std::uint64_t& next, std::uint64_t pmax,
                      std::size_t capacity, bool with_records) {
  batch.clear();
  std::uint64_t p = next;
  while (p <= pmax && batch.size() < capacity) {
    // The record describes p only until the stream moves on.
    batch.add(p,
              with_records ? pminus1_factors(sievewindowindex) : std::span<const std::uint32_t>{});
    p = next_sieved_p();
  }
  next = p;
}

}  // namespace quorvel
