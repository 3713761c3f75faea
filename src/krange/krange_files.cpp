// The k-range bitmaps and their text files.
//
// A file is a header line followed by one "k nlow" line per candidate k in
// increasing order. The header is the sieve depth and the form of the numbers
// as the primality testers read it: ":P:0:2:1" for the plus file (k*2^n+1),
// ":M:0:2:2" for the minus file (k*2^n-1), ":T:0:2:3" for the twin file
// (both). Files written before the plus and twin headers were corrected
// carry ":M:0:2:2" everywhere; they read back the same. Reading skips the header
// and takes the rest as white-space separated pairs of unsigned numbers up to
// the first pair that cannot be read; each listed k toggles its bit in a
// bitmap that starts all set, so an unlisted k stays eliminated. Lines naming
// an even k or a k outside the range are ignored, so no file can reach
// outside the bitmap. Files are replaced whole through write_file_atomically:
// an interrupted write leaves the previous file.
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "krange/krange.hpp"
#include "krange/krange_bits.hpp"
#include "quorvel/atomic_file.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

bool krange_doplus = false, krange_dominus = false;
std::vector<std::uint8_t> krange_bitmapplus, krange_bitmapminus;
std::vector<std::uint8_t> krangetwin_bitmap;
std::uint32_t krange_bitmapsize = 0;

namespace {

/// Which set-up ran last; decides what krange_numbers_left counts.
bool twin_mode_active = false;

void print_flushed(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

std::uint32_t bitmap_size_for_range() {
  return static_cast<std::uint32_t>((krange_count() + 7) / 8);
}

/// Whole file into `content`; false when it cannot be opened.
bool slurp(const std::string& file, std::string& content) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[1 << 16];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, got);
  std::fclose(f);
  return true;
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

/// Reads one unsigned 64-bit number the way formatted stream input does:
/// white space skipped, optional sign (minus negates modulo 2^64), digits.
/// False at the end of the text, on a non-number or on overflow.
bool read_number(const char*& cur, const char* end, std::uint64_t& value) {
  while (cur != end && is_space(*cur)) ++cur;
  bool negative = false;
  if (cur != end && (*cur == '+' || *cur == '-')) {
    negative = *cur == '-';
    ++cur;
  }
  const auto [next, ec] = std::from_chars(cur, end, value);
  if (ec != std::errc()) return false;
  cur = next;
  if (negative) value = 0 - value;
  return true;
}

void clear_bitmap_from_scratch(std::span<std::uint8_t> bitmap) {
  std::memset(bitmap.data(), 0, bitmap.size());
  // The positions past the last k stay set: they never count as candidates.
  const std::uint64_t c = krange_count();
  for (std::uint64_t pos = c; pos < 8 * static_cast<std::uint64_t>(bitmap.size()); ++pos)
    krange_set_bit(bitmap.data(), pos);
}

std::uint32_t clear_bits(const std::vector<std::uint8_t>& bitmap) {
  std::uint64_t set = 0;
  std::size_t i = 0;
  for (; i + 8 <= bitmap.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bitmap.data() + i, 8);
    set += static_cast<std::uint64_t>(std::popcount(word));
  }
  for (; i < bitmap.size(); ++i) set += static_cast<std::uint64_t>(std::popcount(bitmap[i]));
  return static_cast<std::uint32_t>(8 * static_cast<std::uint64_t>(bitmap.size()) - set);
}

const char* header_form(krange_form form) {
  switch (form) {
    case krange_form::plus:
      return ":P:0:2:1\n";
    case krange_form::minus:
      return ":M:0:2:2\n";
    default:
      return ":T:0:2:3\n";
  }
}

}  // namespace

void krange_readdat(const std::string& file, std::span<std::uint8_t> bitmap) {
  std::string content;
  if (!slurp(file, content)) {
    print_flushed("No krange file found, starting from scratch.\n");
    clear_bitmap_from_scratch(bitmap);
    return;
  }
  print_flushed("Reading " + file + "...");
  std::memset(bitmap.data(), 0xFF, bitmap.size());
  const std::size_t header_end = content.find('\n');
  if (header_end != std::string::npos) {
    const char* cur = content.data() + header_end + 1;
    const char* end = content.data() + content.size();
    const std::uint64_t c = krange_count();
    std::uint64_t k, n;
    while (read_number(cur, end, k) && read_number(cur, end, n)) {
      if (k < krange_klow || k > krange_khigh || (k & 1) == 0) continue;
      const std::uint64_t pos = krange_position(k);
      if (pos < c && (pos >> 3) < bitmap.size()) krange_flip_bit(bitmap.data(), pos);
    }
  }
  print_flushed(" Done.\n");
}

bool krange_write_side(const std::string& file, std::uint64_t p,
                       std::span<const std::uint8_t> bitmap, krange_form form) {
  print_flushed("Writing " + file + "...");
  const bool ok = krange_writefile(file, p, bitmap, form);
  print_flushed(" Done.\n");
  return ok;
}

std::uint64_t krange_file_depth(const std::string& file) {
  std::string content;
  if (!slurp(file, content)) return 0;
  return toint(content.substr(0, content.find('\n')));
}

bool krange_writefile(const std::string& file, std::uint64_t p,
                      std::span<const std::uint8_t> bitmap, krange_form form) {
  std::string content = std::to_string(p) + header_form(form);
  std::string tail(1, ' ');
  tail += std::to_string(krange_nlow);
  tail += '\n';
  const std::uint64_t c = krange_count();
  char digits[24];
  for (std::uint64_t byte = 0; byte < bitmap.size(); ++byte) {
    if (bitmap[byte] == 0xFF) continue;
    for (std::uint64_t pos = byte * 8; pos < byte * 8 + 8 && pos < c; ++pos) {
      if (krange_bit_is_set(bitmap.data(), pos)) continue;
      const std::uint64_t k = krange_klow + 2 * pos;
      const auto res = std::to_chars(digits, digits + sizeof digits, k);
      content.append(digits, res.ptr);
      content += tail;
    }
  }
  // A failed write leaves the old file.
  return write_file_atomically(file, content);
}

void krange_initialize(const std::string& plusfile, const std::string& minusfile) {
  twin_mode_active = false;
  krange_dominus = false;
  krange_doplus = false;
  krange_bitmapsize = bitmap_size_for_range();
  krange_bitmapminus.clear();
  krange_bitmapplus.clear();
  if (minusfile != "0") {
    krange_dominus = true;
    krange_bitmapminus.assign(krange_bitmapsize, 0);
    krange_readdat(minusfile, krange_bitmapminus);
  }
  if (plusfile != "0") {
    krange_doplus = true;
    krange_bitmapplus.assign(krange_bitmapsize, 0);
    krange_readdat(plusfile, krange_bitmapplus);
  }
}

void krangetwin_initialize(const std::string& file) {
  twin_mode_active = true;
  krange_dominus = true;
  krange_doplus = true;
  krange_bitmapsize = bitmap_size_for_range();
  krangetwin_bitmap.assign(krange_bitmapsize, 0);
  krange_readdat(file, krangetwin_bitmap);
}

void krange_writedat(const std::string& plusfile, const std::string& minusfile, std::uint64_t p) {
  if (krange_dominus) krange_write_side(minusfile, p, krange_bitmapminus, krange_form::minus);
  if (krange_doplus) krange_write_side(plusfile, p, krange_bitmapplus, krange_form::plus);
}

void krangetwin_writedat(const std::string& file, std::uint64_t p) {
  krange_write_side(file, p, krangetwin_bitmap, krange_form::twin);
}

std::uint32_t krange_numbers_left() {
  if (twin_mode_active) return clear_bits(krangetwin_bitmap);
  std::uint32_t left = 0;
  if (krange_dominus) left += clear_bits(krange_bitmapminus);
  if (krange_doplus) left += clear_bits(krange_bitmapplus);
  return left;
}

}  // namespace quorvel
