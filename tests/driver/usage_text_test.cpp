// The banner and the usage text: the lines whose blanks are easy to get wrong.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "driver/usage_text.h"

namespace zspack {
namespace {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (start != text.size()) lines.emplace_back(text.substr(start));  // a last line without end
  return lines;
}

TEST(UsageText, HasTwentyOneLinesEachEndedByALineFeed) {
  EXPECT_EQ(Lines(kUsageText).size(), 21u);
  EXPECT_TRUE(kUsageText.ends_with('\n'));
  EXPECT_EQ(kUsageText.find('\r'), std::string_view::npos);
}

struct UsageLine {
  int number;  // from 1
  const char* text;
};

// Empty lines, leading blanks and inner runs of blanks, written out so that every blank
// can be counted.
const UsageLine kLinesWithBlanks[] = {
    {1, "Invocation:" "  " "zspack.exe [switches] infile outfile"},
    {2, ""},
    {5, "from either $1000 or a specified address." "  " "This file might be used by"},
    {6, "once for initilization:" "          " "lda #songnumber"},
    {7, "                                 " "jsr $1000" "   " "[jsr _specified_address_]"},
    {8, ""},
    {11, ""},
    {13, "like:" "  " "lda #newvolume" "   " ";newvolume is in [0..$0f]"},
    {14, "       " "jsr $1006 / jsr _specified_address_ + 6"},
    {15, ""},
    {16, "switches: -sX" "      " "only pack song #X"},
    {17, "          " "-aXXXX" "   " "select startadress XXXX for the music"},
    {18, "          " "-c" "       " "crunch - use various algorithms to pack the musicdata"},
    {19, "                   " "a little more tight ;-)"},
    {20, "          " "-pX" "      " "Create PSID-file, directly playable with SIDplay."},
    {21, "                   " "X=0 SIDtype unknown, X=1: oldsid, X=2: newsid, X=3: anysid"},
};

TEST(UsageText, LinesWithBlanksAreExact) {
  const std::vector<std::string> lines = Lines(kUsageText);
  ASSERT_EQ(lines.size(), 21u);
  for (const UsageLine& line : kLinesWithBlanks) {
    SCOPED_TRACE(line.number);
    EXPECT_EQ(lines[static_cast<size_t>(line.number - 1)], line.text);
  }
}

TEST(Banner, IsTheTitleAndSixtyThreeEqualsSigns) {
  const std::vector<std::string> lines = Lines(kBanner);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "ZEPHYRSONGWORKSHOPCOMPOSERSUITE v3.2 - Music Packer version 0.0");
  EXPECT_EQ(lines[1], std::string(63, '='));
  EXPECT_TRUE(kBanner.ends_with('\n'));
}

}  // namespace
}  // namespace zspack
