// Reading a factor file line by line (see db/factor_line.hpp for the form of
// a line). The lines are handed to a visitor with their line numbers, so the
// callers decide what a malformed or false line means for them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "db/factor_line.hpp"

namespace quorvel {

/// Called for every line that is not blank or a comment: its number
/// (counting from 1), whether it is a factor or malformed, the factor, and
/// the line's text.
using factor_line_visitor = std::function<void(std::uint64_t line_number, line_status status,
                                               const factor_line_t& factor, std::string_view text)>;

/// Visits the lines of `file`; false when it cannot be opened.
bool for_each_factor_line(const std::string& file, const factor_line_visitor& visit);

/// The text of a line for a message: without a trailing carriage return,
/// cut after 100 characters.
std::string line_for_message(std::string_view text);

}  // namespace quorvel
