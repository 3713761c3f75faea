// Definitions of the k table shared by the candidate reader and the search.
#include "quorvel/ktable.hpp"

namespace quorvel {

std::uint32_t num_k = 0;
std::uint32_t nlow = 0;
std::uint32_t nhigh = 20000000;
std::array<std::int32_t, max_k> ak{};
std::array<std::vector<std::uint32_t>, max_k> aunfacset;
std::array<std::uint32_t, max_k> akpower{};
std::array<std::uint32_t, max_k> akequiv{};
std::array<std::int32_t, max_k> alegk{};
std::uint32_t kpowerlcm = 1;
std::array<std::uint32_t, max_k> akmod{};
std::array<std::uint32_t, max_k * 10> akares{};
std::array<std::uint32_t, max_k> aknres{};
std::uint32_t kmodlcm = 1;
std::uint32_t regular_grange = 1;
std::array<std::vector<std::uint8_t>, max_k> akjacobi;
bool standard_kpowers = false;
std::array<std::array<std::uint64_t, 2>, max_k> ak2powa{};

}  // namespace quorvel
