// The p-1 record: for every prime p of the window, the primes q with
// 31 <= q <= Q that divide p-1, where Q is the window's last sieving prime.
//
// Since p-1 = a + 2r is even for the number p = a + 1 + 2r at index r,
// q divides p-1 exactly at the indices r = -a/2 (mod q): the record is a
// second sieve with the strides q over the same window, which notes q at
// every hit whose number is prime. It runs segment by segment right behind
// the prime sieve. The result is flat: the primes of the window are
// numbered in order (their rank, found from a per-word count and a
// popcount), offsets[rank] .. offsets[rank + 1] delimit the list of a prime
// in one value array. Each segment's hits are put in rank order with a
// counting sort; the short strides come in increasing q and the sort is
// stable, so only a prime with two long strides needs its list sorted. The
// hits are noted without a branch on primality: each is written, and the
// write position moves on only when the number is prime.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "primes/base_primes.hpp"
#include "primes/bit_count.hpp"
#include "primes/prime_stream.hpp"
#include "primes/window.hpp"

namespace quorvel {

namespace primes_detail {

namespace {

/// Smallest q of the record; 3 to 29 are left to the reader's own trial
/// division.
constexpr std::uint64_t first_record_prime = 31;

stride_run record_run;
/// Primes of the window before each word.
std::vector<std::uint32_t> rank_before;
/// Start of each prime's list in values, by rank; one more entry at the end.
std::vector<std::uint32_t> offsets;
std::vector<std::uint32_t> values;
/// Hits of the current segment on primes: bit in segment << 32 | q; later
/// rank in segment << 32 | q.
std::vector<std::uint64_t> found;
std::vector<std::uint32_t> counts;
std::uint32_t primes_so_far = 0;
bool valid = false;

}  // namespace

void pminus1_invalidate() { valid = false; }

const stride_set& pminus1_strides() { return record_run.set; }

void pminus1_begin_window(const window_plan& plan) {
  const std::uint64_t a = plan.low;
  record_run.prepare(plan, first_record_prime);
  record_run.add_up_to_q(plan, [a](std::uint64_t q) {
    std::uint64_t o = (q - a % q) % q;
    if (o & 1) o += q;
    return o / 2;
  });
  rank_before.resize(sievewindowsize / 64);
  offsets.clear();
  values.clear();
  primes_so_far = 0;
}

void pminus1_segment(std::uint32_t s) {
  const std::uint32_t nw = segment_bits / 64;
  const std::size_t first_word = std::size_t{s} * nw;
  const std::uint64_t* words = window_words.data() + first_word;
  std::uint32_t* ranks = rank_before.data() + first_word;
  const std::uint32_t base_rank = primes_so_far;
  std::uint32_t r = base_rank;
  for (std::uint32_t i = 0; i < nw; ++i) {
    ranks[i] = r;
    r += count_ones(~words[i]);
  }
  const std::uint32_t segment_primes = r - base_rank;
  primes_so_far = r;

  // Every hit is written; the write position only moves on for a prime.
  if (found.size() < record_run.set.hit_bound()) found.resize(record_run.set.hit_bound() * 2);
  std::uint64_t* const out_begin = found.data();
  std::uint64_t* long_begin = nullptr;
  std::uint64_t* const out_end = record_run.set.note_segment(
      reinterpret_cast<const std::uint8_t*>(words), out_begin, &long_begin);

  // Counting sort of the hits by rank within the segment (stable, so each
  // list keeps the short strides in increasing order).
  counts.assign(segment_primes + 1, 0);
  for (std::uint64_t* e = out_begin; e != out_end; ++e) {
    const std::uint32_t off = static_cast<std::uint32_t>(*e >> 32);
    const std::uint64_t below = (std::uint64_t{1} << (off & 63)) - 1;
    const std::uint32_t rank = ranks[off >> 6] - base_rank + count_ones(~words[off >> 6] & below);
    ++counts[rank + 1];
    *e = (std::uint64_t{rank} << 32) | static_cast<std::uint32_t>(*e);
  }
  const std::uint32_t value_base = static_cast<std::uint32_t>(values.size());
  for (std::uint32_t i = 0; i < segment_primes; ++i) {
    counts[i + 1] += counts[i];
    offsets.push_back(value_base + counts[i]);
  }
  values.resize(value_base + (out_end - out_begin));
  std::uint32_t* const v = values.data() + value_base;
  for (const std::uint64_t* e = out_begin; e != out_end; ++e) {
    v[counts[*e >> 32]++] = static_cast<std::uint32_t>(*e);
  }
  // Long strides come in no particular order: a list that got one of them
  // is sorted unless it is already.
  for (const std::uint64_t* e = long_begin; e != out_end; ++e) {
    const std::uint32_t rank = static_cast<std::uint32_t>(*e >> 32);
    std::uint32_t* const b = values.data() + offsets[base_rank + rank];
    std::uint32_t* const f = v + counts[rank];  // counts[rank] is now the end of the list
    if (!std::is_sorted(b, f)) std::sort(b, f);
  }
}

void pminus1_end_window(const window_plan& plan) {
  record_run.finish(plan);
  offsets.push_back(static_cast<std::uint32_t>(values.size()));
  valid = true;
}

}  // namespace primes_detail

std::span<const std::uint32_t> pminus1_factors(std::uint32_t index) {
  using namespace primes_detail;
  if (!valid || index >= sievewindowsize) return {};
  const std::uint64_t word = window_words[index >> 6];
  if ((word >> (index & 63)) & 1) return {};
  const std::uint64_t below = (std::uint64_t{1} << (index & 63)) - 1;
  const std::uint32_t rank = rank_before[index >> 6] + count_ones(~word & below);
  return {values.data() + offsets[rank], offsets[rank + 1] - offsets[rank]};
}

}  // namespace quorvel
