// FNV-1a over 64 bits: a checksum that grows a piece at a time, so the checksum
// of a whole is that of its first part extended by the rest.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint64_t kChecksumStart = 14695981039346656037ull;

inline std::uint64_t ExtendChecksum(std::uint64_t checksum, const void* bytes, std::size_t length) {
  const auto* byte = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < length; ++i) checksum = (checksum ^ byte[i]) * 1099511628211ull;
  return checksum;
}
