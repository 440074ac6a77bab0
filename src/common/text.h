// Text pieces every stage writes: decimal numbers as the console shows them, the line end
// of the generated files, and file names made safe for a comment line.
#pragma once

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace zspack {

// Every line of the generated files ends with CR LF, on every system.
inline constexpr std::string_view kEol = "\r\n";

// Decimal, no leading blanks or zeros.
inline void AppendNumber(std::string& out, long value) {
  constexpr size_t kLongestNumber = 24;  // a 64-bit value with its sign
  char digits[kLongestNumber];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// Characters below $20 become '?', so a line break in a file name cannot end a comment.
inline void AppendCommentSafe(std::string& out, std::string_view name) {
  constexpr unsigned char kFirstPrintable = 0x20;
  for (const char c : name) out += static_cast<unsigned char>(c) < kFirstPrintable ? '?' : c;
}

}  // namespace zspack
