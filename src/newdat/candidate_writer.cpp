// Writes the candidate lists as a candidate file in the layout the program
// itself writes back: a header of three lines, then per k its "k=" line and
// its n, the first absolute and the rest as differences.
#include <algorithm>

#include "newdat/candidate_gen.hpp"

namespace quorvel {

std::string format_candidate_file(const std::vector<std::int32_t>& ks, std::uint32_t nmin,
                                  std::uint32_t nmax, const candidate_lists_t& lists) {
  std::string text;
  std::size_t total = 0;
  for (const auto& list : lists) total += list.size();
  text.reserve(32 + ks.size() * 16 + total * 8);
  text +=
      std::to_string(ks.size()) + "\n" + std::to_string(nmin) + "\n" + std::to_string(nmax) + "\n";
  for (std::size_t j = 0; j < ks.size(); ++j) {
    text += "k=" + std::to_string(ks[j]) + "\n";
    if (j >= lists.size()) continue;
    std::vector<std::uint32_t> sorted;
    const std::vector<std::uint32_t>* list = &lists[j];
    if (!std::is_sorted(list->begin(), list->end())) {
      sorted = *list;
      std::sort(sorted.begin(), sorted.end());
      list = &sorted;
    }
    const std::vector<std::uint32_t>& ns = *list;
    bool written = false;
    std::uint32_t prev = 0;
    for (std::size_t i = 0; i < ns.size(); ++i) {
      const std::uint32_t n = ns[i];
      if (n < nmin || n > nmax) continue;
      if (written && n == prev) continue;
      // The n after an n of 0 is written in full as well, byte for byte the
      // way the program writes its candidate files back.
      if (!written || prev == 0) {
        text += std::to_string(n);
      } else {
        text += '+';
        text += std::to_string(n - prev);
      }
      text += '\n';
      written = true;
      prev = n;
    }
  }
  return text;
}

}  // namespace quorvel
