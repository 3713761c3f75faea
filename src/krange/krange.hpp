// k-range and k-range twin modes: one bitmap per side over the odd k of
// krange_klow .. krange_khigh (one bit per odd k, set = eliminated), the text
// files that hold them between runs, and the per-prime elimination that sets
// the bit of every k whose number k*2^n-1 or k*2^n+1 the prime divides.
//
// The range values krange_klow/khigh/nlow/nhigh live in quorvel/config.hpp;
// the command line guarantees klow odd and klow <= khigh < 2^32-1.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "db/strike_result.hpp"
#include "quorvel/arith_state.hpp"

namespace quorvel {

/// Whether the plus side (k*2^n+1) and the minus side (k*2^n-1) are sieved;
/// set by krange_initialize / krangetwin_initialize (twin mode: both).
extern bool krange_doplus, krange_dominus;
/// The bitmaps of k-range mode, krange_bitmapsize bytes each when their side
/// is active (empty otherwise). Bit ((k-klow)>>1)&7 of byte (k-klow)>>4 stands
/// for the odd k; the bits past the last k are always set. Live until exit.
extern std::vector<std::uint8_t> krange_bitmapplus, krange_bitmapminus;
/// The single bitmap of twin mode (both signs share it), same layout.
extern std::vector<std::uint8_t> krangetwin_bitmap;
/// Bytes per bitmap: ceil(c/8) with c = ((khigh-klow)>>1)+1 odd k.
extern std::uint32_t krange_bitmapsize;

/// k-range mode set-up: reads (or starts from scratch) the minus side, then
/// the plus side; a file name "0" switches its side off.
void krange_initialize(const std::string& plusfile, const std::string& minusfile);
/// Twin mode set-up: both signs, one bitmap.
void krangetwin_initialize(const std::string& file);
/// Fills `bitmap` (krange_bitmapsize bytes) from `file`: every listed odd k of
/// the range is toggled from eliminated to candidate; lines with an even k or
/// a k outside the range are ignored. A file that cannot be opened gives a
/// start from scratch (every k a candidate).
void krange_readdat(const std::string& file, std::span<std::uint8_t> bitmap);
/// The numbers a k-range file holds, which its header names for the next
/// program: k*2^n+1 ("p:P:0:2:1"), k*2^n-1 ("p:M:0:2:2") or both ("p:T:0:2:3").
enum class krange_form { plus, minus, twin };
/// Writes the header of `form` with depth p and one line "k nlow" per
/// candidate k; the file is replaced whole or not at all (false: the old
/// file is unchanged; the end of a range passes over it silently).
bool krange_writefile(const std::string& file, std::uint64_t p,
                      std::span<const std::uint8_t> bitmap, krange_form form);
/// krange_writefile between "Writing <file>..." and " Done." on the console.
bool krange_write_side(const std::string& file, std::uint64_t p,
                       std::span<const std::uint8_t> bitmap, krange_form form);
/// The sieve depth in the header line of a k-range file (its leading
/// number; 0 when the file cannot be read or the header has none).
std::uint64_t krange_file_depth(const std::string& file);
/// End-of-range writes of the active sides (minus first), with their console lines.
void krange_writedat(const std::string& plusfile, const std::string& minusfile, std::uint64_t p);
void krangetwin_writedat(const std::string& file, std::uint64_t p);

/// The chains of 2^-n over the exponents stop where the residue repeats, but
/// only from this exponent on: below it a number k*2^n+-1 may equal p, and p
/// does not strike a k whose number it is.
inline constexpr std::uint64_t krange_repeat_floor = 64;

/// Per-prime routines for the odd prime p (3 <= p < 2^62) with its modulus
/// state m (set_prime_modulus).
void krange_do_p(std::uint64_t p, const arith_state_t& m);
void krangetwin_do_p(std::uint64_t p, const arith_state_t& m);
/// Sets the bit of every odd k of the range with k == k0 (mod p), 0 < k0 < p,
/// except a k whose number k*2^n+side equals p (a prime). For p >=
/// krange_khigh that is k0 alone, and a k0 that was still a candidate is
/// reported as "p | k0*2^n-1" (side -1) or "...+1" (side +1).
void krange_do_p_sign(std::uint64_t p, std::uint64_t k0, std::span<std::uint8_t> bitmap,
                      std::uint32_t n, int side);

/// Strikes the number k*2^n+1 (sign > 0) or k*2^n-1 of a verified factor
/// from the bitmaps of the mode set up last (`twin`: the twin bitmap). The
/// result says whether it was a candidate, already gone, outside the k or n
/// range, or of a side that is switched off (wrong form).
strike_result krange_strike(bool twin, std::uint64_t k, std::uint64_t n, int sign);

/// Candidates left (clear bits) over the active bitmaps of the mode set up
/// last: both sides in k-range mode, the shared bitmap in twin mode.
std::uint32_t krange_numbers_left();

}  // namespace quorvel
