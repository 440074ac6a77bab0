// The command line: switches before the two file names, the usage cases and the names
// that the defines file could not hold.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "driver/command_line.h"

namespace zspack {
namespace {

// What a run is expected to take from the command line; the defaults are the values the
// options have before any switch.
struct Expected {
  CommandLineStatus status = CommandLineStatus::kRun;
  int16_t song = 4;
  uint32_t start = 0x1000;
  bool crunch = false;       // "-c"
  bool crunchStage = false;  // "--crunch"
  bool psid = false;
  int16_t sidType = 0;
  int inputIndex = 1;
  std::string input = "";
  std::string output = "";
};

struct CommandLineCase {
  const char* name;
  std::vector<std::string> args;  // without the program itself
  Expected expected;
};

constexpr CommandLineStatus kRun = CommandLineStatus::kRun;
constexpr CommandLineStatus kTooFew = CommandLineStatus::kTooFewArguments;
constexpr CommandLineStatus kBadSwitch = CommandLineStatus::kBadSwitch;
constexpr CommandLineStatus kBadName = CommandLineStatus::kBadOutputName;

const std::string kLongName(300, 'n');
const std::string kLongOutput = std::string(299, 'o') + "!";

const CommandLineCase kCases[] = {
    // Fewer than two arguments: the usage text.
    {"NoArgument", {}, {.status = kTooFew}},
    {"OneFileName", {"song.prg"}, {.status = kTooFew}},
    {"OneSwitchOnly", {"-s1"}, {.status = kTooFew}},
    {"OneEmptyArgument", {""}, {.status = kTooFew}},

    // Exactly two arguments are the two names, whatever they look like.
    {"TwoNames", {"song.prg", "out"}, {.input = "song.prg", .output = "out"}},
    {"TwoArgumentsSwitchIsTheInput", {"-s1", "song.prg"}, {.input = "-s1", .output = "song.prg"}},
    {"TwoArgumentsBadSwitchIsTheInput", {"-a2OO0", "out"}, {.input = "-a2OO0", .output = "out"}},
    {"TwoArgumentsOutputEmpty", {"song.prg", ""}, {.input = "song.prg", .output = ""}},

    // The switch scan ends at the first argument that is not a switch.
    {"SwitchesThenOneNameLeaveOutputEmpty",
     {"-s1", "-c", "song.prg"},
     {.song = 1, .crunch = true, .inputIndex = 3, .input = "song.prg", .output = ""}},
    {"ThirdFileNameIgnored", {"song.prg", "out", "extra"}, {.input = "song.prg", .output = "out"}},
    {"SwitchAfterInputIsTheOutputName",
     {"-s1", "song.prg", "-s2", "x"},
     {.song = 1, .inputIndex = 2, .input = "song.prg", .output = "-s2"}},
    {"BadSwitchAfterTheNamesNotLookedAt",
     {"song.prg", "out", "-s9"},
     {.input = "song.prg", .output = "out"}},
    {"ThreeSwitchesNameNoInput",
     {"-s1", "-c", "-p2"},
     {.song = 1, .crunch = true, .psid = true, .sidType = 2, .inputIndex = 4}},
    {"FourSwitchesNameNoInput", {"-c", "-x", "-c", "-"}, {.crunch = true, .inputIndex = 5}},
    {"EmptyArgumentIsNotASwitch",
     {"", "song.prg", "out"},
     {.input = "", .output = "song.prg"}},
    {"EmptyArgumentEndsTheScan",
     {"-s2", "", "out"},
     {.song = 2, .inputIndex = 2, .input = "", .output = "out"}},

    // -aXXXX: exactly four hexadecimal digits at characters 3 to 6.
    {"StartAddressLowerCaseSwitch",
     {"-a2000", "song.prg", "out"},
     {.start = 0x2000, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressUpperCaseSwitch",
     {"-A2000", "song.prg", "out"},
     {.start = 0x2000, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressLowerCaseDigits",
     {"-aff00", "song.prg", "out"},
     {.start = 0xFF00, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressMixedCaseDigits",
     {"-aAbCd", "song.prg", "out"},
     {.start = 0xABCD, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressZero",
     {"-a0000", "song.prg", "out"},
     {.start = 0x0000, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressFifthDigitIgnored",
     {"-a12345", "song.prg", "out"},
     {.start = 0x1234, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressFiveCharactersGiveFourDigits",
     {"-a10000", "song.prg", "out"},
     {.start = 0x1000, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressLongTailIgnored",
     {"-a1234" + std::string(294, 'x'), "song.prg", "out"},
     {.start = 0x1234, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"StartAddressLaterSwitchStartsFromZero",
     {"-affff", "-a0001", "song.prg", "out"},
     {.start = 0x0001, .inputIndex = 3, .input = "song.prg", .output = "out"}},
    {"StartAddressLetterO", {"-a2OO0", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressFirstDigitNotHex", {"-ag000", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressFourthDigitNotHex", {"-a200g", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressBlankDigit", {"-a20 0", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressTwoDigits", {"-a12", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressThreeDigits", {"-a123", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressNoDigits", {"-a", "song.prg", "out"}, {.status = kBadSwitch}},
    {"StartAddressBadAfterGoodOne", {"-a2000", "-a20x0", "song.prg", "out"}, {.status = kBadSwitch}},

    // -sX: songs 0 to 3, or 4 for all of them.
    {"SongLaterSwitchWins",
     {"-s2", "-s3", "song.prg", "out"},
     {.song = 3, .inputIndex = 3, .input = "song.prg", .output = "out"}},
    {"SongZero",
     {"-s0", "song.prg", "out"},
     {.song = 0, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"SongFourIsAllSongs",
     {"-s4", "song.prg", "out"},
     {.song = 4, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"SongUpperCaseSwitch",
     {"-S1", "song.prg", "out"},
     {.song = 1, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"SongOnlyThirdCharacterRead",
     {"-s12", "song.prg", "out"},
     {.song = 1, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"SongFive", {"-s5", "song.prg", "out"}, {.status = kBadSwitch}},
    {"SongBelowZero", {"-s/", "song.prg", "out"}, {.status = kBadSwitch}},
    {"SongLetter", {"-sa", "song.prg", "out"}, {.status = kBadSwitch}},
    {"SongWithoutDigit", {"-s", "song.prg", "out"}, {.status = kBadSwitch}},

    // -pX: the third character's byte value minus 48, unchecked.
    {"PsidOldSid",
     {"-p1", "song.prg", "out"},
     {.psid = true, .sidType = 1, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidZeroStillSetsTheFlag",
     {"-p0", "song.prg", "out"},
     {.psid = true, .sidType = 0, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidNineAccepted",
     {"-p9", "song.prg", "out"},
     {.psid = true, .sidType = 9, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidLetterA",
     {"-pA", "song.prg", "out"},
     {.psid = true, .sidType = 17, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidUpperCaseSwitch",
     {"-P2", "song.prg", "out"},
     {.psid = true, .sidType = 2, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidByteFF",
     {"-p\xFF", "song.prg", "out"},
     {.psid = true, .sidType = 207, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidBelowDigitZero",
     {"-p ", "song.prg", "out"},
     {.psid = true, .sidType = -16, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"PsidLaterSwitchWins",
     {"-p1", "-p3", "song.prg", "out"},
     {.psid = true, .sidType = 3, .inputIndex = 3, .input = "song.prg", .output = "out"}},
    {"PsidWithoutDigit", {"-p", "song.prg", "out"}, {.status = kBadSwitch}},

    // -c, --crunch and switches the packer does not know.
    {"Crunch",
     {"-c", "song.prg", "out"},
     {.crunch = true, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"CrunchUpperCaseWithTail",
     {"-Cxyz", "song.prg", "out"},
     {.crunch = true, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"UnknownLetterIgnored",
     {"-x", "song.prg", "out"},
     {.inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"DigitAsLetterIgnored",
     {"-1", "song.prg", "out"},
     {.inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"LoneDashIgnored",
     {"-", "song.prg", "out"},
     {.inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"DoubleDashIgnored",
     {"--", "song.prg", "out"},
     {.inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"DoubleDashCrunch",
     {"--crunch", "song.prg", "out"},
     {.crunchStage = true, .inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"DoubleDashCrunchAmongOtherSwitches",
     {"-s1", "--crunch", "-c", "song.prg", "out"},
     {.song = 1, .crunch = true, .crunchStage = true, .inputIndex = 4, .input = "song.prg", .output = "out"}},
    {"DoubleDashCrunchIsTheInputOfTwoArguments", {"--crunch", "out"}, {.input = "--crunch", .output = "out"}},
    {"DoubleDashCrunchyIgnored",
     {"--crunchy", "song.prg", "out"},
     {.inputIndex = 2, .input = "song.prg", .output = "out"}},
    {"AllSwitchesTogether",
     {"-x", "-s0", "-aC000", "-c", "-p2", "song.prg", "out"},
     {.song = 0, .start = 0xC000, .crunch = true, .psid = true, .sidType = 2, .inputIndex = 6,
      .input = "song.prg", .output = "out"}},

    // Names are taken whole, however long.
    {"LongNamesKeptWhole",
     {kLongName, kLongOutput},
     {.input = kLongName, .output = kLongOutput}},
    {"LongNamesAfterSwitchKeptWhole",
     {"-c", kLongName, kLongOutput},
     {.crunch = true, .inputIndex = 2, .input = kLongName, .output = kLongOutput}},

    // The output name goes into a string of the defines file.
    {"OutputNameWithQuote", {"song.prg", "a\"b"}, {.status = kBadName}},
    {"OutputNameWithLineFeed", {"song.prg", "a\nb"}, {.status = kBadName}},
    {"OutputNameWithCarriageReturn", {"song.prg", "out\r"}, {.status = kBadName}},
    {"OutputNameWithTab", {"-s1", "song.prg", "x\ty"}, {.status = kBadName}},
    {"OutputNameWithUnitSeparator", {"song.prg", "a\x1F"}, {.status = kBadName}},
    {"OutputNameWithQuoteAfterSwitches", {"-c", "-s1", "song.prg", "\""}, {.status = kBadName}},
    {"OutputNameWithBlank", {"song.prg", "my tune"}, {.input = "song.prg", .output = "my tune"}},
    {"OutputNameWithBackslash", {"song.prg", "a\\b"}, {.input = "song.prg", .output = "a\\b"}},
    {"OutputNameWithDelete", {"song.prg", "a\x7F"}, {.input = "song.prg", .output = "a\x7F"}},
    {"OutputNameWithLatin1Letter",
     {"song.prg", "f\xFCr"},
     {.input = "song.prg", .output = "f\xFCr"}},
    {"InputNameWithQuoteIsFine", {"a\"b", "out"}, {.input = "a\"b", .output = "out"}},
    {"NameAfterTheOutputNotChecked",
     {"song.prg", "out", "a\"b"},
     {.input = "song.prg", .output = "out"}},
    {"BadSwitchReportedBeforeBadOutputName", {"-s9", "song.prg", "a\"b"}, {.status = kBadSwitch}},
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, GivesTheExpectedOptions) {
  const CommandLineCase& c = GetParam();
  std::vector<std::string_view> args = {"zspack"};
  for (const std::string& a : c.args) args.emplace_back(a);

  const CommandLine got = ParseCommandLine(args);

  ASSERT_EQ(got.status, c.expected.status);
  if (c.expected.status != kRun) return;  // the run ends before the options are used
  const PackOptions& o = got.options;
  EXPECT_EQ(o.RequestedSong, c.expected.song);
  EXPECT_EQ(o.StartAddress, c.expected.start);
  EXPECT_EQ(o.CrunchFlag, c.expected.crunch);
  EXPECT_EQ(o.Crunch, c.expected.crunchStage);
  EXPECT_EQ(o.PsidFlag, c.expected.psid);
  EXPECT_EQ(o.SidType, c.expected.sidType);
  EXPECT_EQ(o.InputArgIndex, c.expected.inputIndex);
  EXPECT_EQ(o.InputName, c.expected.input);
  EXPECT_EQ(o.OutputName, c.expected.output);
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CommandLineCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(CommandLine, WithoutEvenTheProgramNameShowsTheUsage) {
  EXPECT_EQ(ParseCommandLine({}).status, kTooFew);
}

}  // namespace
}  // namespace zspack
