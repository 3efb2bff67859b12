#pragma once

#include <cstddef>

namespace ct::server::size {

// Widths of the arguments the screen sends.
inline constexpr std::size_t branch = 4;
inline constexpr std::size_t company = 2;
inline constexpr std::size_t budget = 10;
inline constexpr std::size_t seq = 2;
inline constexpr std::size_t party = 21;
inline constexpr std::size_t client = 21;
inline constexpr std::size_t inscription = 20;
inline constexpr std::size_t flag = 10;
inline constexpr std::size_t operator_code = 30;

} // namespace ct::server::size
