// The generator's search stage: the primes above 10^6 handed to quorvel's
// own search must strike exactly what the generator's sieve strikes when it
// goes on prime by prime (long ranges, both forms, k with prime factors in
// the stage's range), keep the numbers that are primes of that range
// (brute force), and leave no trace: no scratch directory, the same current
// directory, the program's pmin floor as it was.
#include "newdat/search_stage.hpp"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "newdat/newdat_reference.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

std::size_t total(const candidate_lists_t& lists) {
  std::size_t t = 0;
  for (const auto& l : lists) t += l.size();
  return t;
}

// Stage one to 10^6 by the generator's sieve, then the search to `bound`.
candidate_lists_t staged(int form, const std::vector<std::int32_t>& ks, std::uint32_t nmin,
                         std::uint32_t nmax, std::uint32_t bound, unsigned threads) {
  candidate_lists_t lists = generate_candidates(form, ks, nmin, nmax, search_stage_from);
  const std::string error =
      strike_with_search(form, ks, nmin, nmax, search_stage_from, bound, threads, lists);
  EXPECT_EQ(error, "");
  return lists;
}

// TMPDIR pointed at a fresh directory of its own while the object lives, so
// that what the stage leaves in the temporary folder can be seen (other tests
// running beside this one use the usual folder).
class private_tmpdir_t {
 public:
  private_tmpdir_t() {
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    std::string name = (std::filesystem::temp_directory_path() / "stage-test-XXXXXX").string();
    if (::mkdtemp(name.data()) != nullptr) path_ = name;
    ::setenv("TMPDIR", path_.c_str(), 1);
  }
  ~private_tmpdir_t() {
    if (had_) {
      ::setenv("TMPDIR", old_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  bool had_ = false;
  std::string old_;
  std::filesystem::path path_;
};

TEST(SearchStage, StrikesWhatSievingEveryPrimeStrikes) {
  // Large k (2147483647 is prime, 1999999999 = 31 * 64516129), and k with a
  // prime of the stage's range in them: 1000003 is one, 4500021 = 3 * 1500007.
  const std::vector<std::int32_t> ks = {3,     5,          4847,       10223,   21181,
                                        65537, 1999999999, 2147483647, 1000003, 4500021};
  const std::uint32_t bound = 2000000;
  for (const int form : {mode_proth, mode_riesel}) {
    const candidate_lists_t before = generate_candidates(form, ks, 1000, 21000, search_stage_from);
    const candidate_lists_t got = staged(form, ks, 1000, 21000, bound, 2);
    EXPECT_EQ(got, generate_candidates(form, ks, 1000, 21000, bound)) << "form=" << form;
    // The stage has work to do: some hundreds of n have a factor in (10^6, 2*10^6].
    EXPECT_GT(total(before), total(got) + 200) << "form=" << form;
  }
}

TEST(SearchStage, TopOfTheNRangeAndOneThreadAgree) {
  const std::vector<std::int32_t> ks = {1, 7, 4847, 33661};
  const std::uint32_t nmax = 4294967295u, nmin = nmax - 30000, bound = 1500000;
  for (const int form : {mode_proth, mode_riesel})
    EXPECT_EQ(staged(form, ks, nmin, nmax, bound, 1),
              generate_candidates(form, ks, nmin, nmax, bound))
        << "form=" << form;
}

TEST(SearchStage, KeepsNumbersThatArePrimesOfItsRangeAndMatchesBruteForce) {
  const std::uint32_t bound = 1300000;
  const std::vector<std::uint32_t> primes = test::ref_primes(bound);
  for (const int form : {mode_proth, mode_riesel}) {
    const bool proth = form == mode_proth;
    // For a few n, the first odd k whose number is a prime above 10^6.
    std::vector<std::int32_t> ks = {1, 3};
    std::vector<std::uint32_t> prime_n;
    for (const std::uint32_t n : {4u, 9u, 14u}) {
      std::uint64_t k = (search_stage_from >> n) | 1;
      while (test::ref_number(proth, k, n) <= search_stage_from ||
             !ref::is_prime_trial(static_cast<std::uint64_t>(test::ref_number(proth, k, n))))
        k += 2;
      ASSERT_LE(test::ref_number(proth, k, n), bound) << "n=" << n;
      ks.push_back(static_cast<std::int32_t>(k));
      prime_n.push_back(n);
    }
    const candidate_lists_t got = staged(form, ks, 0, 60, bound, 1);
    for (std::size_t j = 0; j < ks.size(); ++j) {
      EXPECT_EQ(got[j], test::ref_candidates(proth, static_cast<std::uint64_t>(ks[j]), 0, 60,
                                             primes))
          << "form=" << form << " k=" << ks[j];
      if (j >= 2) {
        EXPECT_TRUE(std::binary_search(got[j].begin(), got[j].end(), prime_n[j - 2]))
            << "form=" << form << " k=" << ks[j] << " n=" << prime_n[j - 2];
      }
    }
  }
}

TEST(SearchStage, EmptyListsAndNoTraceLeft) {
  const auto cwd = std::filesystem::current_path();
  const private_tmpdir_t tmp;
  ASSERT_FALSE(tmp.path().empty());
  // 7*2^n+1 for n = 0, 1 is 8 and 15: k = 7 has no n left; 5*2+1 = 11 stays.
  candidate_lists_t lists = generate_candidates(mode_proth, {7, 5}, 0, 1, search_stage_from);
  ASSERT_EQ(lists, (candidate_lists_t{{}, {1}}));
  EXPECT_EQ(strike_with_search(mode_proth, {7, 5}, 0, 1, search_stage_from, 2000000, 1, lists), "");
  EXPECT_EQ(lists, (candidate_lists_t{{}, {1}}));
  // Nothing left at all: nothing to run.
  candidate_lists_t none = {{}, {}};
  EXPECT_EQ(strike_with_search(mode_proth, {7, 9}, 0, 0, search_stage_from, 2000000, 1, none), "");
  EXPECT_EQ(none, (candidate_lists_t{{}, {}}));

  EXPECT_EQ(std::filesystem::current_path(), cwd);
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
  EXPECT_EQ(search_pmin_floor, proth_pmin_floor);
}

}  // namespace
}  // namespace quorvel
