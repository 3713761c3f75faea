// The near-Mersenne bitmap and its ABC file, and the mode's set-up.
//
// The file is a header line, "ABCD 2^$a-2^$b+1 [0 0]", a tab and
// "//sievedepth: p", then one line per candidate holding the increase of a
// and of b since the previous candidate (the first line counts from a = 0,
// b = 0), in increasing a and, within a, increasing b. Reading skips the
// header whole and always starts from a = 0, b = 0; the rest is read as pairs
// of signed whole numbers separated by any white space, up to the first pair
// that cannot be read. Lines whose a lies outside nm_alow .. nm_ahigh still
// move the running a and b, so a file of a wider or narrower range lands on
// the right pairs. The file is read through a small buffer (never whole into
// memory) and written through write_file_atomically.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "nearmersenne/nearmersenne.hpp"
#include "nearmersenne/nm_hash.hpp"
#include "quorvel/atomic_file.hpp"
#include "quorvel/config.hpp"
#include "quorvel/search_state.hpp"

namespace quorvel {

std::vector<std::uint8_t> nm_bitmap;
std::uint32_t nm_bitmapsize = 0;
std::uint64_t nm_candidates = 0;

namespace {

/// Set when nm_initialize could not allocate the tables: nothing is written
/// then, so an existing file is never replaced by an empty one.
bool tables_missing = false;

void print_flushed(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

/// Characters of an open file through a 64 KiB buffer.
class char_reader {
 public:
  explicit char_reader(std::FILE* f) : f_(f) {}
  /// The next character without taking it; EOF at the end.
  int peek() {
    if (pos_ == len_ && !refill()) return EOF;
    return static_cast<unsigned char>(buf_[pos_]);
  }
  void take() { ++pos_; }

 private:
  bool refill() {
    len_ = std::fread(buf_, 1, sizeof buf_, f_);
    pos_ = 0;
    return len_ != 0;
  }
  std::FILE* f_;
  char buf_[1 << 16];
  std::size_t pos_ = 0, len_ = 0;
};

bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void skip_line(char_reader& in) {
  for (int c = in.peek(); c != EOF; c = in.peek()) {
    in.take();
    if (c == '\n') return;
  }
}

/// One signed whole number the way formatted stream input reads it: white
/// space skipped, an optional sign, then digits up to the first non-digit.
/// False at the end of the file, when no digit follows, or when the value
/// does not fit in 64 signed bits.
bool read_signed(char_reader& in, std::int64_t& value) {
  int c = in.peek();
  while (c != EOF && is_space(c)) {
    in.take();
    c = in.peek();
  }
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    in.take();
    c = in.peek();
  }
  if (c < '0' || c > '9') return false;
  std::uint64_t magnitude = 0;
  bool overflow = false;
  while (c >= '0' && c <= '9') {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (magnitude > (UINT64_MAX - digit) / 10) overflow = true;
    else magnitude = magnitude * 10 + digit;
    in.take();
    c = in.peek();
  }
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  if (overflow || magnitude > limit) return false;
  value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

/// Every pair (a, b) of a row counted: sum of (a - 1) over the a range.
std::uint64_t all_pairs() {
  std::uint64_t n = 0;
  for (std::uint64_t a = nm_alow; a <= nm_ahigh; ++a) n += a - 1;
  return n;
}

void append_number(std::string& out, std::int64_t v) {
  char digits[24];
  const auto res = std::to_chars(digits, digits + sizeof digits, v);
  out.append(digits, res.ptr);
}

}  // namespace

int nm_initialize() {
  std::uint32_t h = 1;
  while ((std::uint64_t{1} << h) < nm_ahigh) ++h;
  hash_bits = h + 4;
  const std::uint64_t size =
      nm_ahigh < nm_alow ? 0 : nm_rowbytes() * (std::uint64_t{nm_ahigh} - nm_alow + 1);
  try {
    nm_bitmap.assign(size, 0);
    nm::exponent_table_init(nm_ahigh);
  } catch (const std::bad_alloc&) {
    nm_bitmap = {};
    nm_bitmapsize = 0;
    tables_missing = true;
    print_flushed("Not enough memory for the near-Mersenne tables (" + std::to_string(size) +
                  " bytes of bitmap).\n");
    return 0;
  }
  nm_bitmapsize = static_cast<std::uint32_t>(size);
  tables_missing = false;
  nm_readdat(nm_abcfile, nm_bitmap);
  return 1;
}

void nm_readdat(const std::string& file, std::span<std::uint8_t> bitmap) {
  nm_candidates = 0;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (f == nullptr) {
    print_flushed("No ABC file found, starting from scratch.\n");
    std::memset(bitmap.data(), 0, bitmap.size());
    nm_candidates = all_pairs();
    return;
  }
  print_flushed("Reading " + file + "...");
  std::memset(bitmap.data(), 0xFF, bitmap.size());
  {
    char_reader in(f);
    skip_line(in);
    std::int64_t a = 0, b = 0, da, db;
    while (read_signed(in, da) && read_signed(in, db)) {
      if (__builtin_add_overflow(a, da, &a) || __builtin_add_overflow(b, db, &b)) break;
      if (a < nm_alow || a > nm_ahigh || b < 1 || b >= a) continue;
      const std::uint64_t j = nm_bit_index(static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(b));
      if ((j >> 3) >= bitmap.size()) continue;
      const auto bit = static_cast<std::uint8_t>(1u << (j & 7));
      if ((bitmap[j >> 3] & bit) == 0) continue;  // listed before: counted once
      bitmap[j >> 3] &= static_cast<std::uint8_t>(~bit);
      ++nm_candidates;
    }
  }
  std::fclose(f);
  print_flushed(" Done.\n");
}

bool nm_writefile(const std::string& file, std::uint64_t p, std::span<const std::uint8_t> bitmap) {
  std::string out = "ABCD 2^$a-2^$b+1 [0 0]\t//sievedepth: " + std::to_string(p) + "\n";
  std::int64_t prev_a = 0, prev_b = 0;
  const std::uint64_t row_bits = 8 * nm_rowbytes();
  for (std::uint64_t a = nm_alow; a <= nm_ahigh; ++a) {
    const std::uint64_t row = (a - nm_alow) * row_bits;
    for (std::uint64_t b = 1; b < a; ++b) {
      const std::uint64_t j = row + b - 1;
      if ((j >> 3) >= bitmap.size()) break;
      if ((bitmap[j >> 3] >> (j & 7)) & 1) continue;
      append_number(out, static_cast<std::int64_t>(a) - prev_a);
      out += ' ';
      append_number(out, static_cast<std::int64_t>(b) - prev_b);
      out += '\n';
      prev_a = static_cast<std::int64_t>(a);
      prev_b = static_cast<std::int64_t>(b);
    }
  }
  return write_file_atomically(file, out);
}

void nm_writedat(const std::string& file, std::uint64_t p) {
  print_flushed("Writing " + file + "...");
  // A file that cannot be written is not reported; the old one stays.
  if (!tables_missing) (void)nm_writefile(file, p, nm_bitmap);
  print_flushed(" Done.\n");
}

}  // namespace quorvel
