// The two writers of the n lists: dump_db (the candidate file again, for the
// next run) and write_npg (every k and n in one list sorted by n).
//
// Both build the whole text in memory and hand it to write_file_atomically,
// so an interrupted or failed write leaves the old file as it was.
// dump_db walks each ascending list once, keeping the n within nlow ... nhigh
// and dropping repeats; write_npg merges the lists with a heap keyed by
// (n, k index), which gives the entries in n order and equal n in k-index
// order. The value 4294967295 marks the end of the merge and is never written.
// The npg header names the form for the primality tester that reads the
// file: ":P:0:2:257" for k*2^n+1 (Proth), ":M:0:2:258" for k*2^n-1 (Riesel).
#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <queue>
#include <string>
#include <utility>
#include <vector>

#include "db/candidate_file.hpp"
#include "quorvel/atomic_file.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

namespace {

template <typename T>
void append_number(std::string& out, T value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

/// An ascending copy of a list that is not ascending.
std::vector<std::uint32_t> sorted_copy(const std::vector<std::uint32_t>& list) {
  std::vector<std::uint32_t> copy = list;
  std::sort(copy.begin(), copy.end());
  return copy;
}

void append_record(std::string& out, std::uint32_t j, const std::vector<std::uint32_t>& list) {
  out += "k=";
  append_number(out, ak[j]);
  out += '\n';
  std::uint32_t prev = 0;
  bool any = false;  // whether an n has been written, so repeats can be told apart
  for (const std::uint32_t n : list) {
    if (n < nlow || n > nhigh || (any && n == prev)) continue;
    if (writefulln || prev == 0) {
      append_number(out, n);
    } else {
      out += '+';
      append_number(out, n - prev);
    }
    out += '\n';
    prev = n;
    any = true;
  }
}

}  // namespace

bool dump_db(const std::string& filename) {
  std::size_t total = 0;
  for (std::uint32_t j = 0; j < num_k; ++j) total += aunfacset[j].size();
  std::string out;
  out.reserve(40 + num_k * 16 + total * 8);
  for (const std::uint32_t v : {num_k, nlow, nhigh}) {
    append_number(out, v);
    out += '\n';
  }
  for (std::uint32_t j = 0; j < num_k; ++j) {
    const auto& list = aunfacset[j];
    if (std::is_sorted(list.begin(), list.end())) {
      append_record(out, j, list);
    } else {
      append_record(out, j, sorted_copy(list));
    }
  }
  return write_file_atomically(filename, out);
}

bool write_npg(const std::string& filename, std::uint64_t pmax) {
  std::size_t total = 0;
  for (std::uint32_t j = 0; j < num_k; ++j) total += aunfacset[j].size();
  std::string out;
  out.reserve(40 + total * 16);
  append_number(out, pmax);
  out += mode == mode_proth ? ":P:0:2:257\n" : ":M:0:2:258\n";

  // Heap of the current head of every list: (value, k index), smallest first.
  using head = std::pair<std::uint32_t, std::uint32_t>;
  std::priority_queue<head, std::vector<head>, std::greater<head>> heads;
  std::vector<std::size_t> pos(num_k, 0);
  for (std::uint32_t j = 0; j < num_k; ++j)
    if (!aunfacset[j].empty()) heads.emplace(aunfacset[j][0], j);
  while (!heads.empty()) {
    const auto [n, j] = heads.top();
    if (n == std::numeric_limits<std::uint32_t>::max()) break;
    heads.pop();
    append_number(out, ak[j]);
    out += ' ';
    append_number(out, n);
    out += '\n';
    if (++pos[j] < aunfacset[j].size()) heads.emplace(aunfacset[j][pos[j]], j);
  }
  return write_file_atomically(filename, out);
}

}  // namespace quorvel
