// Checks shared by the tests of the two generated sources: CR LF splitting, the line-end
// rule, and a readable first-difference report with CR, TAB and bytes above $7E shown.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zspack::testing {

using Lines = std::vector<std::string>;

// CR, TAB and LF as \r, \t and \n (LF also breaks the line), other control and high
// bytes as \xNN.
inline std::string Visible(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n\n";
    } else if (u < 0x20 || u >= 0x7F) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// Splits at CR LF, dropping the line ends; a text without a final CR LF keeps its last
// piece as a line. LineEndsAreCrLf checks the ends themselves.
inline Lines SplitLines(const std::string& text) {
  Lines lines;
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t end = text.find("\r\n", begin);
    if (end == std::string::npos) {
      lines.push_back(text.substr(begin));
      break;
    }
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

// Every line ends in CR LF, the last one too; no CR or LF stands alone.
inline ::testing::AssertionResult LineEndsAreCrLf(const std::string& text) {
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) {
    return ::testing::AssertionFailure() << "the last line does not end in CR LF:\n" << Visible(text);
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      return ::testing::AssertionFailure() << "bare LF at byte " << i << " of\n" << Visible(text);
    }
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      return ::testing::AssertionFailure() << "bare CR at byte " << i << " of\n" << Visible(text);
    }
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult HasNoEmptyLine(const std::string& text) {
  const Lines lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) {
      return ::testing::AssertionFailure() << "empty line " << i + 1 << " in\n" << Visible(text);
    }
  }
  return ::testing::AssertionSuccess();
}

// Byte-for-byte comparison; on a difference, the first differing line with its number
// and up to three lines before it, in the style of a unified diff, and the line counts.
// The lines are split at LF so that a missing or extra CR shows as \r.
inline ::testing::AssertionResult SameText(const std::string& expected, const std::string& got) {
  if (expected == got) return ::testing::AssertionSuccess();
  auto splitLf = [](const std::string& text) {
    Lines lines;
    size_t begin = 0;
    while (begin < text.size()) {
      const size_t end = text.find('\n', begin);
      if (end == std::string::npos) {
        lines.push_back(text.substr(begin));
        break;
      }
      lines.push_back(text.substr(begin, end + 1 - begin));
      begin = end + 1;
    }
    return lines;
  };
  auto show = [](const std::string& line) {
    std::string v = Visible(line);
    if (!v.empty() && v.back() == '\n') v.pop_back();
    return v;
  };
  const Lines want = splitLf(expected);
  const Lines have = splitLf(got);
  size_t i = 0;
  while (i < want.size() && i < have.size() && want[i] == have[i]) ++i;
  auto result = ::testing::AssertionFailure();
  result << "texts differ (expected " << want.size() << " lines, " << expected.size()
         << " bytes; got " << have.size() << " lines, " << got.size() << " bytes)\n"
         << "@@ first difference at line " << i + 1 << " @@\n";
  for (size_t k = i < 3 ? 0 : i - 3; k < i; ++k) result << "  " << show(want[k]) << "\n";
  result << "- " << (i < want.size() ? show(want[i]) : "<end of expected>") << "\n";
  result << "+ " << (i < have.size() ? show(have[i]) : "<end of got>") << "\n";
  return result;
}

}  // namespace zspack::testing
