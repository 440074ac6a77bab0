// Every file of the fuzz seed corpus (fuzz/corpus/) goes through the fuzz target's own
// invariant checker in each ordinary test run, so a finding that was copied there stays
// fixed; and the checker itself is shown to reject each kind of broken pack.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../../fuzz/pack_invariants.h"
#include "support/demo_tune.h"

namespace zspack::fuzzing {
namespace {

std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(ZSPACK_SOURCE_DIR "/fuzz/corpus")) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(FuzzCorpusReplay, EveryFileKeepsThePackInvariants) {
  const std::vector<std::filesystem::path> files = CorpusFiles();
  ASSERT_GE(files.size(), 20u) << "the seed corpus is missing";
  for (const auto& path : files) {
    EXPECT_EQ(CheckPackInvariants(ReadBytes(path)), "") << path.filename();
  }
}

// The seed names say what each file must be: a tune that packs, or a malformed file of
// one class; a seed that drifted into the other kind no longer covers what it was for.
TEST(FuzzCorpusReplay, SeedsAreTheKindTheirNamesSay) {
  struct Expected {
    const char* name;
    DepackStatus status;
  };
  const Expected table[] = {
      {"tune-empty", DepackStatus::kDone},
      {"tune-two-songs", DepackStatus::kDone},
      {"tune-glides", DepackStatus::kDone},
      {"tune-tables", DepackStatus::kDone},
      {"tune-all-features", DepackStatus::kDone},
      {"tune-full-tracks", DepackStatus::kDone},
      {"tune-sectors-without-end", DepackStatus::kDone},
      {"tune-target-4040-padded", DepackStatus::kDone},
      {"malformed-empty", DepackStatus::kTooShort},
      {"malformed-4-bytes", DepackStatus::kTooShort},
      {"malformed-no-end-record", DepackStatus::kNoEndRecord},
      {"malformed-run-cut-short", DepackStatus::kRunCutShort},
      {"malformed-escape-last", DepackStatus::kRunCutShort},
      {"malformed-target-below-image", DepackStatus::kTargetBelowImage},
      {"malformed-beyond-image-run", DepackStatus::kBeyondImage},
      {"malformed-beyond-image-literal", DepackStatus::kBeyondImage},
      {"malformed-target-ffff", DepackStatus::kBeyondImage},
  };
  for (const Expected& e : table) {
    const std::vector<uint8_t> bytes = ReadBytes(std::filesystem::path(ZSPACK_SOURCE_DIR "/fuzz/corpus") / e.name);
    ASSERT_GE(bytes.size(), kSwitchBytes) << e.name;
    const FuzzCase c = DecodeFuzzInput(bytes);
    PackState state;
    PackedTune out;
    PackTune(c.file, c.options, state, out);
    EXPECT_EQ(out.depack, e.status) << e.name;
  }
}

TEST(FuzzCorpusReplay, SwitchBytesDecodeAsDocumented) {
  struct Row {
    std::vector<uint8_t> input;
    int16_t song;
    uint32_t start;
    bool psid;
    int16_t sid;
    std::string_view inputName;
    size_t fileSize;
  };
  const Row table[] = {
      {{}, kAllSongs, 0x1000, false, 0, "tune.prg", 0},
      {{7}, 2, 0x1000, false, 0, "tune.prg", 0},
      {{4, 0x34, 0x12, 1, '3', 0xAA}, 4, 0x1234, true, 3, "tune.prg", 1},
      {{0, 0, 0, 6, 'A', 1, 2}, 0, 0, false, 17, "", 2},
      {{9, 0xFF, 0xFF, 0xFF, 0}, 4, 0xFFFF, true, -48, "", 0},
  };
  for (const Row& r : table) {
    const FuzzCase c = DecodeFuzzInput(r.input);
    EXPECT_EQ(c.options.RequestedSong, r.song);
    EXPECT_EQ(c.options.StartAddress, r.start);
    EXPECT_EQ(c.options.PsidFlag, r.psid);
    EXPECT_EQ(c.options.SidType, r.sid);
    EXPECT_EQ(c.options.InputName, r.inputName);
    EXPECT_EQ(c.file.size(), r.fileSize);
  }
}

// The checks the fuzz target relies on must fail on the faults they are there for.
TEST(FuzzCorpusReplay, CheckerRejectsBrokenText) {
  struct Row {
    const char* what;
    std::string text;
  };
  const Row table[] = {
      {"bare LF", ";a\r\n;b\n"},
      {"bare CR", ";a\r;b\r\n"},
      {"control byte", ";a\x01\r\n"},
      {"byte above ASCII other than $FC", ";\xE4\r\n"},
      {"DEL", ";\x7F\r\n"},
      {"no final line end", ";a\r\n;b"},
  };
  for (const Row& r : table) {
    EXPECT_NE(detail::CheckCharacters("x", r.text), "") << r.what;
  }
  EXPECT_EQ(detail::CheckCharacters("x", ";Defines f\xFCr a\r\n\t* = $1000\r\n"), "");
}

// A minimal data file that the checker accepts for one sector and one song; each row
// breaks it in one way.
std::string GoodData() {
  return ";data dump of \"a\"\r\n;\r\narpspds\t!by $00,$00,$00,$00\r\ntunedats\r\n"
         "\t!by <.trk00,>.trk00,<.trk01,>.trk01,<.trk02,>.trk02,$05,$00\r\n"
         ".trk00\r\n\t!by $00,$FF\r\n.trk01\r\n\t!by $FF\r\n.trk02\r\n\t!by $FF\r\n;...\r\n"
         "gldtbl\r\n\t!by $00\r\ngldtbh\r\n\t!by $00\r\n;...\r\nadtb\r\n\t!by $00\r\nsrtb\r\n\t!by $00\r\n"
         "aptb\r\n\t!by $00\r\npptb\r\n\t!by $00\r\nfptb\r\n\t!by $00\r\nv1tb\r\n\t!by $00\r\nv2tb\r\n\t!by $00\r\n"
         "v3tb\r\n\t!by $00\r\nhrtb\r\n\t!by $00\r\nhf1tb\r\n\t!by $00\r\nhf2tb\r\n\t!by $00\r\n"
         "wave\r\n\t!by $00\r\ntrans\r\n\t!by $00\r\nptb1 = *-1\r\n\t!by $00\r\nptb2 = *-1\r\n\t!by $00\r\n"
         "ftb1 = *-1\r\n\t!by $00\r\nftb2 = *-1\r\n\t!by $00\r\n;...\r\n.sec00\r\n\t!by $FF\r\n"
         "Asecsl\r\n\t!by <.sec00\r\nAsecsh\r\n\t!by >.sec00\r\n";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at == std::string::npos) ADD_FAILURE() << "no " << from;
  else text.replace(at, from.size(), to);
  return text;
}

TEST(FuzzCorpusReplay, CheckerRejectsBrokenDataFiles) {
  PackState state;
  state.exploration.counts.SectorCount = 1;
  state.exploration.maps.SectorMap[0] = 1;
  state.exploration.maps.SongMap[0] = 1;
  ASSERT_EQ(detail::CheckDataFile(GoodData(), state), "");
  // Crunched, voice 2 names the label of voice 1, whose bytes it shares.
  PackState shared = state;
  shared.exploration.trackLabels[2] = 1;
  EXPECT_EQ(detail::CheckDataFile(Replace(Replace(GoodData(), "<.trk02,>.trk02", "<.trk01,>.trk01"),
                                          ".trk02\r\n\t!by $FF\r\n", ""), shared), "");

  std::string eighteen = "\t!by $00";
  for (int i = 1; i < 18; ++i) eighteen += ",$00";
  const struct {
    const char* what;
    std::string data;
  } table[] = {
      {"18 values on a line", Replace(GoodData(), "\t!by $00,$FF", eighteen)},
      {"tunedats line of 7 values", Replace(GoodData(), ",$05,$00", ",$05")},
      {"undefined track label", Replace(GoodData(), ".trk02\r\n", ".trk03\r\n")},
      {"undefined sector label", Replace(GoodData(), ".sec00\r\n\t", ".sec01\r\n\t")},
      {"sector list names another sector", Replace(GoodData(), "<.sec00", "<.sec01")},
      {"sector list longer than 8", Replace(GoodData(), "<.sec00", "<.sec00,<.sec01,<.sec02,<.sec03,<.sec04,<.sec05,<.sec06,<.sec07,<.sec08")},
      {"label defined twice", Replace(GoodData(), ".trk01\r\n", ".trk00\r\n")},
      {"empty line", Replace(GoodData(), ";...\r\n", "\r\n")},
      {"lower-case hex", Replace(GoodData(), "$05", "$0a")},
      {"high byte where the low belongs", Replace(GoodData(), "<.trk01", ">.trk01")},
      {"missing table", Replace(GoodData(), "gldtbh\r\n\t!by $00\r\n", "")},
      {"unknown label", Replace(GoodData(), "hrtb\r\n", "hrtab\r\n")},
      {"values before any label", Replace(GoodData(), "arpspds\t!by", "\t!by")},
      {"tunedats line of a song not packed",
       Replace(GoodData(), "$05,$00\r\n", "$05,$00\r\n\t!by <.trk00,>.trk00,<.trk01,>.trk01,<.trk02,>.trk02,$05,$00\r\n")},
      {"tracks out of voice order", Replace(GoodData(), "<.trk00,>.trk00,<.trk01,>.trk01", "<.trk01,>.trk01,<.trk00,>.trk00")},
      {"track not named by tunedats", Replace(GoodData(), ".trk02\r\n\t!by $FF\r\n", ".trk02\r\n\t!by $FF\r\n.trk05\r\n\t!by $FF\r\n")},
  };
  for (const auto& row : table) {
    EXPECT_NE(detail::CheckDataFile(row.data, state), "") << row.what;
  }
}

// A crunched pack of the demo tune that the crunch check accepts, broken in one way per row.
TEST(FuzzCorpusReplay, CheckerRejectsBrokenCrunches) {
  const std::vector<uint8_t> file = testing::DemoTuneFile();
  PackOptions options;
  auto plain = std::make_unique<PackState>();
  PackedTune plainOut;
  PackTune(file, options, *plain, plainOut);
  options.Crunch = true;
  auto good = std::make_unique<PackState>();
  PackedTune goodOut;
  PackTune(file, options, *good, goodOut);
  ASSERT_EQ(detail::CheckCrunched(*plain, plainOut, *good, goodOut), "");

  const struct {
    const char* what;
    void (*breakIt)(PackState&, PackedTune&);
  } table[] = {
      {"a note of a crunched sector", [](PackState& s, PackedTune&) { s.image.Set(SectorAddress(0) + 1, 0x19); }},
      {"a track naming another's label", [](PackState& s, PackedTune&) { s.exploration.trackLabels[4] = 1; }},
      {"a value more than the plain data", [](PackState&, PackedTune& o) {
         o.data += "\t!by $00";
         for (int i = 0; i < 60; ++i) o.data += ",$00";
       }},
      {"the refusal line", [](PackState&, PackedTune& o) { o.console += "Crunching would change the music ...\n"; }},
      {"a byte count off", [](PackState&, PackedTune& o) { o.data += "\t!by $00\r\n"; }},
      {"a feature the plain pack lacks", [](PackState& s, PackedTune&) { s.features.Set(Feature::kTuneFf); }},
      {"a changed exploration report", [](PackState&, PackedTune& o) { o.console.insert(0, "\n"); }},
  };
  for (const auto& row : table) {
    PackState broken = *good;
    PackedTune brokenOut = goodOut;
    row.breakIt(broken, brokenOut);
    EXPECT_NE(detail::CheckCrunched(*plain, plainOut, broken, brokenOut), "") << row.what;
  }
}

TEST(FuzzCorpusReplay, CheckerRejectsInconsistentMaps) {
  const struct {
    const char* what;
    void (*breakIt)(PackState&);
  } table[] = {
      {"gap in SectorMap", [](PackState& s) { s.exploration.maps.SectorMap[0] = 0; }},
      {"mark beyond SectorCount", [](PackState& s) { s.exploration.maps.SectorMap[5] = 1; }},
      {"gap in WaveMap", [](PackState& s) { s.exploration.maps.WaveMap[1] = 0; }},
      {"mark of 2", [](PackState& s) { s.exploration.maps.PulseMap[3] = 2; }},
      {"InstrumentCount off", [](PackState& s) { s.exploration.counts.InstrumentCount = 2; }},
      {"GlideCount off", [](PackState& s) { s.exploration.counts.GlideCount = 0; }},
      {"track names a sector beyond SectorCount",
       [](PackState& s) {
         s.exploration.maps.SongMap[1] = 1;
         s.image.Set(TrackAddress(1, 2) + 1, 2);
       }},
      {"used sector selects a glide beyond GlideCount",
       [](PackState& s) { s.image.Set(SectorAddress(1) + 2, 0x61); }},
      {"wavetable jump beyond the kept rows",
       [](PackState& s) {
         s.image.Set(addr::wave + 2, 0x90);
         s.image.Set(addr::trans + 2, 3);
       }},
      {"instrument starts beyond the kept rows", [](PackState& s) { s.image.Set(addr::aptb, 3); }},
  };
  for (const auto& row : table) {
    PackState state;
    state.exploration.counts = Counts{2, 1, 1, 0};
    state.exploration.maps.SectorMap[0] = state.exploration.maps.SectorMap[1] = 1;
    state.exploration.maps.WaveMap[0] = state.exploration.maps.WaveMap[1] = state.exploration.maps.WaveMap[2] = 1;
    state.exploration.maps.InstrumentMap[0] = 1;
    state.exploration.maps.GlideMap[7] = 1;
    // Song 1 plays sectors 0 and 1; sector 1 selects glide 0 after a command whose
    // parameter looks like glide 1; row 1 jumps back to row 0; instrument 0 starts at 2.
    state.exploration.maps.SongMap[1] = 1;
    for (int v = 0; v < kVoiceCount; ++v) {
      state.image.Set(TrackAddress(1, v), 0);
      state.image.Set(TrackAddress(1, v) + 1, 1);
      state.image.Set(TrackAddress(1, v) + 2, 0xFF);
      state.image.Set(TrackAddress(1, v) + 3, 0x50);  // after the end: not a reference
    }
    state.image.Set(SectorAddress(1), 0xF8);
    state.image.Set(SectorAddress(1) + 1, 0x61);
    state.image.Set(SectorAddress(1) + 2, 0x60);
    state.image.Set(SectorAddress(1) + 3, 0xFF);
    state.image.Set(SectorAddress(1) + 4, 0x7F);  // after the end: not a select
    state.image.Set(addr::wave + 1, 0x90);
    state.image.Set(addr::trans + 1, 0);
    state.image.Set(addr::aptb, 2);
    ASSERT_EQ(detail::CheckState(state), "");
    row.breakIt(state);
    EXPECT_NE(detail::CheckState(state), "") << row.what;
  }
}

}  // namespace
}  // namespace zspack::fuzzing
