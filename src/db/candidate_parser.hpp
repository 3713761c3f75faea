// The candidate file as text: a header of three numbers (num_k, nlow, nhigh)
// and then num_k k records, each a k item ("k=" and the k) followed by its n
// values in ascending order, the first absolute, each further one absolute
// or "+" and the difference to the previous one. Items are separated by any
// white space; line breaks mean nothing.
//
// parse_candidates checks everything the analysis and the search rely on and
// refuses a file that breaks any of it, with a description of the first fault.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

struct candidate_record {
  std::int32_t k = 0;
  std::vector<std::uint32_t> n;  ///< strictly ascending; may be empty
};

struct candidate_text {
  std::uint32_t num_k = 0, nlow = 0, nhigh = 0;
  std::vector<candidate_record> records;
};

enum class parse_status {
  ok,          ///< header and exactly num_k well-formed records
  too_many_k,  ///< num_k above max_k; only the header has been read
  bad,         ///< a fault, described in the error text
};

/// Parses a whole candidate file; on `bad` the error text says what is wrong
/// (naming the k and the offending item where there is one).
parse_status parse_candidates(std::string_view text, candidate_text& out, std::string& error);

/// Value of a text that is nothing but decimal digits and fits in 32 bits.
enum class number_status { ok, not_a_number, too_large };
number_status parse_u32(std::string_view digits, std::uint32_t& value);

}  // namespace quorvel
