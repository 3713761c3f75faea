// The per-prime entry of the Proth/Riesel search for a single prime: the
// prime becomes a block of one.
#include "search/search.hpp"
#include "search/search_context.hpp"

namespace quorvel {

void test_idea(std::uint64_t p, std::span<const std::uint32_t> record, search_context_t& ctx) {
  prime_block_t block;
  block.count = 1;
  block.jobs[0].reset(p, record);
  search_block(block, ctx);
  report_found(block.jobs[0]);
}

}  // namespace quorvel
