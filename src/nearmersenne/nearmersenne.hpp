// Near-Mersenne mode: the numbers N = 2^a - 2^b + 1 for nm_alow <= a <=
// nm_ahigh and 1 <= b < a. The candidates still in play are a bitmap with one
// row per a (set bit = eliminated), kept between runs in the ABC text file;
// for each trial prime p, nm_do_p eliminates every pair whose N p divides.
//
// nm_alow, nm_ahigh and nm_abcfile live in quorvel/config.hpp; the command
// line guarantees 1 <= nm_alow <= nm_ahigh <= 65535.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "quorvel/config.hpp"

namespace quorvel {

/// The candidate bitmap, nm_bitmapsize bytes, allocated by nm_initialize and
/// kept until exit. Pair (a, b) is bit nm_bit_index(a, b), least significant
/// bit first; positions b >= a of a row stand for nothing.
extern std::vector<std::uint8_t> nm_bitmap;
/// R * (nm_ahigh - nm_alow + 1) bytes, R = (nm_ahigh + 6) >> 3 bytes per row.
extern std::uint32_t nm_bitmapsize;
/// Candidates left: counted when the file is read, lowered by one for each
/// pair eliminated.
extern std::uint64_t nm_candidates;

/// Bytes per row of the bitmap: room for b = 1 .. nm_ahigh - 1.
inline std::uint64_t nm_rowbytes() { return (static_cast<std::uint64_t>(nm_ahigh) + 6) >> 3; }

/// Bit number of the pair (a, b), nm_alow <= a <= nm_ahigh, 1 <= b < a.
inline std::uint64_t nm_bit_index(std::uint64_t a, std::uint64_t b) {
  return (a - nm_alow) * 8 * nm_rowbytes() + (b - 1);
}

/// The mode's set-up: sizes and allocates the bitmap and the exponent table,
/// sets hash_bits (smallest h >= 1 with 2^h >= nm_ahigh, plus 4) and reads
/// nm_abcfile. Returns 1; returns 0 after a one-line message when the tables
/// cannot be allocated (the mode must not run then).
int nm_initialize();

/// Fills `bitmap` (nm_bitmapsize bytes) and nm_candidates from the ABC file,
/// or from scratch (every pair a candidate) when the file cannot be opened.
/// Pairs outside the bitmap (a out of range, b < 1 or b >= a) are skipped,
/// a pair listed twice counts once, reading stops at the first pair that is
/// not two whole numbers.
void nm_readdat(const std::string& file, std::span<std::uint8_t> bitmap);

/// Writes the ABC file of `bitmap` with sieve depth p: the header, then one
/// line "da db" per candidate in increasing a and b. The file is replaced
/// whole or not at all; false when it could not be written.
bool nm_writefile(const std::string& file, std::uint64_t p, std::span<const std::uint8_t> bitmap);

/// "Writing <file>..." nm_writefile(file, p, nm_bitmap) " Done."; a failed
/// write is not reported.
void nm_writedat(const std::string& file, std::uint64_t p);

/// The per-prime routine: eliminates every candidate (a, b) with p | N,
/// sieving row a only when p < 2^(a-2) for a <= 50, p < 2^(a-1) for a > 50
/// (so no N equal to p is removed). Every tenth call of the process prints
/// "trying p: <p> (<nm_candidates> numbers left)". p is an odd prime below
/// 2^62; the routine needs no other per-prime state.
void nm_do_p(std::uint64_t p);

}  // namespace quorvel
