// Renders usage maps as the console shows them: '+' for a used entry, '-' for an unused
// one, entry 0 first, a line end after every `perLine` marks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zspack {

void AppendMapLines(std::string& out, std::span<const uint8_t> map, size_t perLine);

void AppendNumber(std::string& out, long value);

}  // namespace zspack
