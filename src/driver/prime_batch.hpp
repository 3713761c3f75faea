// A batch of consecutive trial primes with the prime stream's p-1 record of
// each: the unit of work the driver hands to a worker. The stream's record of
// a prime is valid only until its next window, so the batch keeps a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvel {

struct prime_batch_t {
  /// The primes, ascending.
  std::vector<std::uint64_t> primes;
  /// The records of prime j are records[record_end[j-1] .. record_end[j]).
  std::vector<std::uint32_t> record_end;
  std::vector<std::uint32_t> records;

  void clear() {
    primes.clear();
    record_end.clear();
    records.clear();
  }
  std::size_t size() const { return primes.size(); }
  bool empty() const { return primes.empty(); }

  void add(std::uint64_t p, std::span<const std::uint32_t> record) {
    primes.push_back(p);
    records.insert(records.end(), record.begin(), record.end());
    record_end.push_back(static_cast<std::uint32_t>(records.size()));
  }

  /// The p-1 record of prime j (empty for a batch filled without records).
  std::span<const std::uint32_t> record(std::size_t j) const {
    const std::uint32_t begin = j == 0 ? 0 : record_end[j - 1];
    return {records.data() + begin, record_end[j] - begin};
  }
};

/// Fills `batch` with the next primes of the stream up to pmax, at most
/// `capacity` of them, with their p-1 records when `with_records` is set;
/// `next` holds the stream's next prime before and after (the first prime
/// above pmax once the range is used up).
void fill_prime_batch(prime_batch_t& batch, std::uint64_t& next, std::uint64_t pmax,
                      std::size_t capacity, bool with_records);

}  // namespace quorvel
