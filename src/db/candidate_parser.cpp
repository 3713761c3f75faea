// A hand-written scanner over the whole file text: items are the maximal runs
// of non-blank bytes (blank meaning space, tab, line feed, vertical tab, form
// feed or carriage return, so files with CR LF line ends read the same).
// Every item is checked as it is read; the first fault ends the parse.
#include "db/candidate_parser.hpp"

#include <limits>

#include "quorvel/common.hpp"

namespace quorvel {

namespace {

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

/// Read position in the file text.
struct item_cursor {
  const char* pos;
  const char* end;
};

/// Next item without consuming it; empty at the end of the text.
std::string_view peek_item(item_cursor& at) {
  while (at.pos != at.end && is_blank(*at.pos)) ++at.pos;
  const char* stop = at.pos;
  while (stop != at.end && !is_blank(*stop)) ++stop;
  return {at.pos, static_cast<std::size_t>(stop - at.pos)};
}

std::string_view next_item(item_cursor& at) {
  const std::string_view item = peek_item(at);
  at.pos += item.size();
  return item;
}

/// The item as it may be shown in a message: at most 24 bytes, anything
/// unprintable replaced by '?'.
std::string quoted(std::string_view item) {
  constexpr std::size_t shown = 24;
  std::string out = "'";
  for (std::size_t i = 0; i < item.size() && i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(item[i]);
    out.push_back(c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?');
  }
  if (item.size() > shown) out += "...";
  out += "'";
  return out;
}

std::string k_name(std::int32_t k) { return "k=" + std::to_string(k); }

std::string number_fault(number_status st, std::string_view item) {
  return "item " + quoted(item) +
         (st == number_status::too_large ? " does not fit in 32 bits" : " is not a number");
}

}  // namespace

number_status parse_u32(std::string_view digits, std::uint32_t& value) {
  if (digits.empty()) return number_status::not_a_number;
  std::uint64_t v = 0;
  bool too_large = false;
  for (const char c : digits) {
    if (c < '0' || c > '9') return number_status::not_a_number;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (v > std::numeric_limits<std::uint32_t>::max()) {
      too_large = true;
      v = std::numeric_limits<std::uint32_t>::max();  // keeps v*10 from wrapping
    }
  }
  if (too_large) return number_status::too_large;
  value = static_cast<std::uint32_t>(v);
  return number_status::ok;
}

parse_status parse_candidates(std::string_view text, candidate_text& out, std::string& error) {
  item_cursor items{text.data(), text.data() + text.size()};
  out = candidate_text{};

  const char* const header_names[3] = {"num_k", "nlow", "nhigh"};
  std::uint32_t* const header_values[3] = {&out.num_k, &out.nlow, &out.nhigh};
  for (int i = 0; i < 3; ++i) {
    const std::string_view item = next_item(items);
    if (item.empty()) {
      error = "the header needs three numbers (num_k, nlow, nhigh), the file ends before " +
              std::string(header_names[i]);
      return parse_status::bad;
    }
    const number_status st = parse_u32(item, *header_values[i]);
    if (st != number_status::ok) {
      error = "header " + std::string(header_names[i]) + ": " + number_fault(st, item);
      return parse_status::bad;
    }
  }
  if (out.num_k > max_k) return parse_status::too_many_k;
  out.records.reserve(out.num_k);

  for (std::string_view item = next_item(items); !item.empty(); item = next_item(items)) {
    if (item[0] == 'k') {
      if (out.records.size() == out.num_k) {
        error = "the header gives num_k = " + std::to_string(out.num_k) +
                " but the file holds more k records (at " + quoted(item) + ")";
        return parse_status::bad;
      }
      if (item.size() < 3) {
        error = "k item " + quoted(item) + " is shorter than three characters";
        return parse_status::bad;
      }
      std::uint32_t k = 0;
      const number_status st = parse_u32(item.substr(2), k);
      if (st != number_status::ok) {
        error = "k item " + quoted(item) +
                (st == number_status::too_large ? " does not fit in 32 bits"
                                                : " does not hold a number");
        return parse_status::bad;
      }
      if (k == 0 || k > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        error = "k item " + quoted(item) + ": k must lie in 1 ... 2147483647";
        return parse_status::bad;
      }
      candidate_record& rec = out.records.emplace_back();
      rec.k = static_cast<std::int32_t>(k);
      // The first n is absolute; a k item (or the end) right after the k
      // item is an empty record, as written for a k with no n left.
      const std::string_view first = peek_item(items);
      if (first.empty() || first[0] == 'k') continue;
      next_item(items);
      if (first[0] == '+') {
        error = k_name(rec.k) + ": the first n must be absolute, not " + quoted(first);
        return parse_status::bad;
      }
      std::uint32_t n = 0;
      const number_status nst = parse_u32(first, n);
      if (nst != number_status::ok) {
        error = k_name(rec.k) + ": " + number_fault(nst, first);
        return parse_status::bad;
      }
      rec.n.push_back(n);
      continue;
    }

    if (out.records.empty()) {
      error = "item " + quoted(item) + " comes before the first k item";
      return parse_status::bad;
    }
    candidate_record& rec = out.records.back();
    const std::uint32_t prev = rec.n.back();  // a record that gets here has its first n
    std::uint32_t value = 0;
    const bool delta = item[0] == '+';
    const number_status st = parse_u32(delta ? item.substr(1) : item, value);
    if (st != number_status::ok) {
      error = k_name(rec.k) + ": " + number_fault(st, item);
      return parse_status::bad;
    }
    std::uint32_t n = value;
    if (delta) {
      if (value == 0) {
        error = k_name(rec.k) + ": delta " + quoted(item) + " is zero";
        return parse_status::bad;
      }
      if (value > std::numeric_limits<std::uint32_t>::max() - prev) {
        error = k_name(rec.k) + ": delta " + quoted(item) + " after n = " + std::to_string(prev) +
                " gives an n that does not fit in 32 bits";
        return parse_status::bad;
      }
      n = prev + value;
    } else if (n <= prev) {
      error = k_name(rec.k) + ": n = " + std::to_string(n) +
              " is not above the previous n = " + std::to_string(prev);
      return parse_status::bad;
    }
    rec.n.push_back(n);
  }

  if (out.records.size() != out.num_k) {
    error = "the header gives num_k = " + std::to_string(out.num_k) + " but the file holds " +
            std::to_string(out.records.size()) + " k records";
    return parse_status::bad;
  }
  return parse_status::ok;
}

}  // namespace quorvel
