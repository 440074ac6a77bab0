#!/usr/bin/env python3
"""Puts deliberate faults into a scratch copy of zspack, one at a time, and runs the tests.

Every row of FAULTS is a plausible bug: a changed bound, a swapped label, a lost step,
a dropped check. For each one the script copies the tree into a scratch folder (kept
between runs, so that builds are incremental), replaces the row's snippet, which must
occur exactly once in its file, builds, and runs the whole test suite of the normal
build through ctest. A fault is caught when the suite fails (or hangs past the time
limit), missed when it passes. A fault whose snippet is missing or ambiguous, or that
does not build, stops the run: the table itself is wrong then.

  scripts/fault-injection.py                 every fault, then the table and the totals
  scripts/fault-injection.py --only ID,ID    just these faults
  scripts/fault-injection.py --list          the table, without building anything
  scripts/fault-injection.py --check         that every snippet occurs exactly once
  scripts/fault-injection.py --differential 300
                                             also run each faulty binary against the
                                             unchanged one on 300 generated tunes, to
                                             see that the fault changes behaviour
  scripts/fault-injection.py --skip-tests --differential 300
                                             after porting the table: every fault
                                             builds and changes behaviour, no tests

When a file moves, only its row's file and snippet change.
"""

import argparse
import collections
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

Fault = collections.namedtuple("Fault", "id file original replacement description")

FAULTS = [
    # --- command line -------------------------------------------------------------------
    Fault("switch-hex-letter-g", "src/driver/command_line.cpp",
          r"if (c >= 'A' && c <= 'F') return c - 'A' + kFirstLetterDigit;",
          r"if (c >= 'A' && c <= 'G') return c - 'A' + kFirstLetterDigit;",
          "a G counts as a hexadecimal digit of -a"),
    Fault("switch-address-three-digits", "src/driver/command_line.cpp",
          r"for (size_t i = kValueAt; i < kValueAt + kAddressDigits; ++i) {",
          r"for (size_t i = kValueAt; i < kValueAt + kAddressDigits - 1; ++i) {",
          "-a reads three digits instead of four"),
    Fault("switch-song-4-rejected", "src/driver/command_line.cpp",
          r"arg[kValueAt] > '0' + kAllSongs)",
          r"arg[kValueAt] > '0' + kAllSongs - 1)",
          "-s4 (all songs) shows the usage text"),
    Fault("switch-sid-type-offset", "src/driver/command_line.cpp",
          r"static_cast<unsigned char>(arg[kValueAt]) - '0');",
          r"static_cast<unsigned char>(arg[kValueAt]) - '1');",
          "-pX takes the SID type off by one"),
    Fault("switch-psid-flag-lost", "src/driver/command_line.cpp",
          r"options.PsidFlag = true;",
          r"options.PsidFlag = false;",
          "-p no longer asks for a PSID file"),
    Fault("switch-scan-with-two-arguments", "src/driver/command_line.cpp",
          r"if (count > 2) {",
          r"if (count >= 2) {",
          "two arguments are scanned for switches"),
    Fault("output-name-quote-accepted", "src/driver/command_line.cpp",
          r"""if (c == '"' || static_cast<unsigned char>(c) < kFirstPrintable) return false;""",
          r"if (static_cast<unsigned char>(c) < kFirstPrintable) return false;",
          "an output name with a double quote is accepted"),
    Fault("too-few-arguments-bound", "src/driver/command_line.cpp",
          r"if (count < 2) {",
          r"if (count < 1) {",
          "one argument runs a pack instead of the usage text"),
    # --- outcomes, run sequence, assembler, usage text, reading -------------------------
    Fault("exit-code-bad-switch", "src/driver/outcome.cpp",
          r'{.outcome = kBadSwitch, .message = "", .exitCode = kUsageError,',
          r'{.outcome = kBadSwitch, .message = "", .exitCode = 0,',
          "a bad switch ends with exit code 0"),
    Fault("exit-code-read-failed", "src/driver/outcome.cpp",
          r'{.outcome = kReadFailed, .message = "", .exitCode = kReadErrorNumber,',
          r'{.outcome = kReadFailed, .message = "", .exitCode = kWriteErrorNumber,',
          "a failed read reports runtime error 101 instead of 100"),
    Fault("key-wait-lost-after-pack", "src/driver/outcome.cpp",
          r'{.outcome = kPacked, .message = "", .exitCode = 0, .waitForKey = true,',
          r'{.outcome = kPacked, .message = "", .exitCode = 0, .waitForKey = false,',
          "no key wait after a normal pack"),
    Fault("outcome-messages-swapped", "src/driver/outcome.cpp",
          r'{.outcome = kNoEndRecord, .message = "The packed data ends before its end record, bailing out ...",',
          r'{.outcome = kNoEndRecord, .message = "The packed data ends inside a run record, bailing out ...",',
          "a missing end record is reported as a run cut short"),
    Fault("outcome-for-beyond-image", "src/driver/outcome.cpp",
          r"{.status = DepackStatus::kBeyondImage, .outcome = kBeyondImage},",
          r"{.status = DepackStatus::kBeyondImage, .outcome = kTargetBelowImage},",
          "data past $B3FF is reported as a target below the image"),
    Fault("data-written-after-defines-failed", "src/driver/run.cpp",
          r"if (defines != Outcome::kPacked) return defines;",
          r"",
          "the data file and the assembler follow a defines file that could not be created"),
    Fault("assembler-exit-code-ignored", "src/driver/run.cpp",
          r"return assembler.exitCode == 0 ? Outcome::kPacked : Outcome::kAssemblyFailed;",
          r"return Outcome::kPacked;",
          "a failing assembler counts as a good pack"),
    Fault("malformed-line-end-text", "src/driver/run.cpp",
          r'console_.Write("failed.\n");',
          r'console_.Write("failed\n");',
          "the depacking line of a malformed file ends without its full stop"),
    Fault("final-flush-unchecked", "src/driver/run.cpp",
          r"if (!console_.Flush()) report = &ReportFor(Outcome::kWriteFailed);",
          r"console_.Flush();",
          "a console that fails at the last line is not a runtime error"),
    Fault("runtime-error-text", "src/driver/run.cpp",
          r'errors_.Write("Runtime error ");',
          r'errors_.Write("Runtime error: ");',
          "the runtime error line gets a colon"),
    Fault("assembler-exit-code-not-shown", "src/driver/run.cpp",
          r"if (outcome == Outcome::kAssemblyFailed) AppendNumber(line, assemblerExitCode_);",
          r"",
          "the assembler's exit code is missing from its message"),
    Fault("assembler-argument", "src/driver/assembler_posix.cpp",
          r'char verbose[] = "-v9";',
          r'char verbose[] = "-v1";',
          "the assembler gets -v1 instead of -v9"),
    Fault("assembler-from-search-path", "src/driver/assembler_posix.cpp",
          r"const int spawned = posix_spawn(&pid, program, nullptr, &attributes, argv, environ);",
          r'const int spawned = posix_spawnp(&pid, "ACME.exe", nullptr, &attributes, argv, environ);',
          "ACME.exe is looked up on the search path, not in the working folder"),
    Fault("assembler-signal-exit-code", "src/driver/assembler_posix.cpp",
          r"return {true, kSignalled + WTERMSIG(status)};",
          r"return {true, WTERMSIG(status)};",
          "an assembler killed by a signal reports the bare signal number"),
    Fault("sigchld-left-ignored", "src/driver/process_signals_posix.cpp",
          r"std::signal(SIGCHLD, SIG_DFL);",
          r"",
          "started with SIGCHLD ignored, the assembler's exit code is lost"),
    Fault("key-wait-echoes", "src/driver/key_wait_posix.cpp",
          r"waitSettings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));",
          r"waitSettings.c_lflag &= static_cast<tcflag_t>(~ICANON);",
          "the key wait leaves echo on, so the key pressed shows on the terminal"),
    Fault("usage-text-blank-lost", "src/driver/usage_text.h",
          r'"switches: -sX      only pack song #X\n"',
          r'"switches: -sX     only pack song #X\n"',
          "the usage text loses a blank"),
    Fault("banner-rule-short", "src/driver/usage_text.h",
          r'"===============================================================\n";',
          r'"==============================================================\n";',
          "the banner's rule has 62 characters instead of 63"),
    # --- the image, depacking -----------------------------------------------------------
    Fault("image-read-outside", "src/common/music_image.h",
          r"return Holds(address) ? entries_[address - kImageFirst] : 0;",
          r"return entries_[address - kImageFirst];",
          "a read outside the image reaches past its buffer"),
    Fault("image-write-outside", "src/common/music_image.h",
          r"if (Holds(address)) entries_[address - kImageFirst] = value;",
          r"entries_[address - kImageFirst] = value;",
          "a write outside the image lands past its buffer"),
    Fault("depack-first-address-refused", "src/image/depack.cpp",
          r"if (target < kImageFirst) return DepackStatus::kTargetBelowImage;",
          r"if (target <= kImageFirst) return DepackStatus::kTargetBelowImage;",
          "a file that starts at $403C is refused"),
    Fault("depack-last-literal-refused", "src/image/depack.cpp",
          r"if (target > kImageLast) return DepackStatus::kBeyondImage;",
          r"if (target >= kImageLast) return DepackStatus::kBeyondImage;",
          "a literal byte at $B3FF is refused"),
    Fault("depack-run-bound", "src/image/depack.cpp",
          r"if (target + count - 1 > kImageLast) return DepackStatus::kBeyondImage;",
          r"if (target + count > kImageLast) return DepackStatus::kBeyondImage;",
          "a run that ends at $B3FF is refused"),
    Fault("depack-run-record-length", "src/image/depack.cpp",
          r"""    target += count;
    p += kRunRecordBytes;""",
          r"""    target += count;
    p += kRunRecordBytes - 1;""",
          "a run record is taken as two bytes long"),
    Fault("read-ok-text", "src/driver/run.cpp",
          r'console_.Write("ok.\nDepacking data ... ");',
          r'console_.Write("ok\nDepacking data ... ");',
          "the reading line ends in ok without its full stop"),
    Fault("read-directory-opened", "src/driver/open_for_reading_posix.cpp",
          r'std::FILE* file = S_ISDIR(info.st_mode) ? nullptr : fdopen(fd, "rb");',
          r'std::FILE* file = fdopen(fd, "rb");',
          "a folder given as input is opened and its read fails"),
    # --- exploration --------------------------------------------------------------------
    Fault("song-test-no-parameter-skip", "src/explore/scan_music.cpp",
          r"constexpr WalkRule kSongSearch{WalkEnd::kTrackEnd, true};",
          r"constexpr WalkRule kSongSearch{WalkEnd::kTrackEnd, false};",
          "the song test no longer hides the byte after $F6..$FA"),
    Fault("song-test-loop-not-an-end", "src/explore/scan_music.cpp",
          r"songs[static_cast<size_t>(s)] = walk.ended ? 1 : 0;",
          r"songs[static_cast<size_t>(s)] = walk.ended && ClassifyTrackEntry(walk.last).kind != TrackEntry::kLoop ? 1 : 0;",
          "a song whose voice 0 ends in a loop ($FE) does not exist"),
    Fault("sector-count-line-blank", "src/explore/explore_music.cpp",
          r'console += " Sectors : \n";',
          r'console += " Sectors :\n";',
          "the sector count line loses its trailing blank"),
    Fault("sector-map-line-width", "src/explore/map_text.h",
          r"inline constexpr size_t kSectorMapLine = 48;",
          r"inline constexpr size_t kSectorMapLine = 64;",
          "the sector map is printed 64 to a line instead of 48"),
    Fault("glides-flag-missing", "src/features/derive_features.cpp",
          r"if (found.counts.GlideCount > 0) f.Set(Feature::kGlides);",
          r"",
          "_GLIDES_ is never set"),
    Fault("glide-renumbering-lost", "src/explore/explore_music.cpp",
          r"""  CompactGlides(image, maps);
  return found;""",
          r"  return found;",
          "the used glides are not renumbered"),
    Fault("pulse-filter-reports-swapped", "src/explore/explore_music.cpp",
          r"""  maps.PulseMap = ExplorePulseTable(image, maps, console);
  maps.FilterMap = ExploreFilterTable(image, maps, console);""",
          r"""  maps.FilterMap = ExploreFilterTable(image, maps, console);
  maps.PulseMap = ExplorePulseTable(image, maps, console);""",
          "the filter table is explored and reported before the pulse table"),
    Fault("tracks-of-voice-2-not-scanned", "src/explore/explore_music.cpp",
          r"for (int v = 0; v < kVoiceCount; ++v) {",
          r"for (int v = 0; v < kVoiceCount - 1; ++v) {",
          "the track scan skips voice 2 of every song"),
    Fault("track-rewrite-stops-at-song-change", "src/explore/renumber.cpp",
          r"constexpr WalkRule kRenumberedTrack{WalkEnd::kLoopOrEnd, false};",
          r"constexpr WalkRule kRenumberedTrack{WalkEnd::kLoopOrEnd, true};",
          "the sector renumbering skips the track entry after a $F6..$FA byte"),
    Fault("sector-copy-short", "src/explore/renumber.cpp",
          r"for (uint32_t i = 0; i < kSectorEntries; ++i) image.Set(target + i, image.At(source + i));",
          r"for (uint32_t i = 0; i + 1 < kSectorEntries; ++i) image.Set(target + i, image.At(source + i));",
          "a moved sector loses its last entry"),
    Fault("glide-rewrite-parameter-of-fa", "src/explore/renumber.cpp",
          r"constexpr WalkRule kRenumberedSector{WalkEnd::kSectorEnd, true};",
          r"constexpr WalkRule kRenumberedSector{WalkEnd::kSectorEnd, false};",
          "the glide renumbering rewrites command parameters as glide selects"),
    Fault("glide-data-high-from-low", "src/explore/renumber.cpp",
          r"image.Set(addr::gldtbh + t, image.At(addr::gldtbh + f));",
          r"image.Set(addr::gldtbh + t, image.At(addr::gldtbl + f));",
          "a moved glide's second byte is copied from gldtbl"),
    Fault("moved-sector-stays-marked", "src/explore/renumber.cpp",
          r"sectors[static_cast<size_t>(n)] = 0;",
          r"",
          "a moved sector keeps its old mark"),
    Fault("walk-end-not-visited", "src/common/music_format.h",
          r"""    visit(i, value);
    if (EndsWalk(rule.end, value)) return {i + 1, true, value};""",
          r"""    if (EndsWalk(rule.end, value)) return {i + 1, true, value};
    visit(i, value);""",
          "the entry that ends a track or sector walk is not visited"),
    Fault("walk-last-entry-unread", "src/common/music_format.h",
          r"for (int i = 0; i < entries;) {",
          r"for (int i = 0; i + 1 < entries;) {",
          "a walk without an end never reaches the 256th entry"),
    Fault("wave-jump-row-value", "src/common/music_format.h",
          r"inline constexpr uint8_t kWaveJump = 0x90;",
          r"inline constexpr uint8_t kWaveJump = 0x91;",
          "the wavetable jump row is $91 instead of $90"),
    Fault("wave-error-instrument-from-1", "src/explore/wave_table.cpp",
          r"AppendNumber(console, i);",
          r"AppendNumber(console, i + 1);",
          "the wavetable error counts instruments from 1"),
    Fault("wave-jump-target-not-renumbered", "src/explore/wave_table.cpp",
          r"if (kind == kWaveJump) link = newRow[link];",
          r"",
          "jump targets keep their old row after compaction"),
    Fault("wave-start-of-unused-instrument", "src/explore/wave_table.cpp",
          r"""    if (instruments[i] == 0) continue;
    image.Set(addr::aptb + i,""",
          r"    image.Set(addr::aptb + i,",
          "the wavetable start of an unused instrument is renumbered too"),
    Fault("wave-compaction-lost", "src/explore/wave_table.cpp",
          r"if (kept != r) moves = true;",
          r"",
          "the wavetable is never compacted"),
    Fault("pulse-walks-filter-command", "src/explore/pulse_filter.cpp",
          r"constexpr TableKind kPulse{addr::ptb1, addr::pptb, kPulseCommand,",
          r"constexpr TableKind kPulse{addr::ptb1, addr::pptb, kFilterCommand,",
          "the pulse exploration follows $F6 instead of $F7"),
    Fault("filter-from-pulse-pointer", "src/explore/pulse_filter.cpp",
          r"constexpr TableKind kFilter{addr::ftb1, addr::fptb,",
          r"constexpr TableKind kFilter{addr::ftb1, addr::pptb,",
          "filter programs start at the instruments' pulse pointer"),
    Fault("step-second-row-unmarked", "src/explore/pulse_filter.cpp",
          r"""      map[p + 1] = 1;
      p = Link(image, base, p + 1);""",
          r"      p = Link(image, base, p + 1);",
          "a program step marks only its first row"),
    Fault("link-from-column-1", "src/explore/pulse_filter.cpp",
          r"return image.Byte(base + kPageSize + row);",
          r"return image.Byte(base + row);",
          "a step's link is read from column 1"),
    Fault("later-visit-link-0-inconsistent", "src/explore/pulse_filter.cpp",
          r"consistent = map[n] != 0 || n == 0;",
          r"consistent = map[n] != 0;",
          "a later visit whose chain ends in link 0 is inconsistent"),
    Fault("sector-command-in-last-entry", "src/explore/pulse_filter.cpp",
          r"if (value != kind.sectorCommand || i + 1 >= kSectorEntries) return;",
          r"if (value != kind.sectorCommand) return;",
          "a command in a sector's last entry takes the next sector's first byte"),
    Fault("later-visit-results-kept", "src/explore/pulse_filter.cpp",
          r"""      known_.fill(kUnknown);
      return WalkTableProgram""",
          r"      return WalkTableProgram",
          "checked steps keep their result after a first visit changes the marks"),
    # --- the track and sector vocabulary, the scans, the derived features ---------------
    Fault("speed-change-range", "src/common/music_format.h",
          r"    {0x60, 0x7F, TrackEntry::kSpeed, Feature::kSpeedChange},",
          r"""    {0x60, 0x6F, TrackEntry::kSpeed, Feature::kSpeedChange},
    {0x70, 0x7F, TrackEntry::kTranspose, Feature::kTranspose},""",
          "track bytes $70..$7F count as transpose"),
    Fault("loop-does-not-end-track", "src/common/music_format.h",
          r"track == TrackEntry::kSongChange || track == TrackEntry::kLoop || track == TrackEntry::kEnd;",
          r"track == TrackEntry::kSongChange || track == TrackEntry::kEnd;",
          "a loop ($FE) does not end a track"),
    Fault("song-change-range", "src/common/music_format.h",
          r"    {0xF0, 0xF3, TrackEntry::kSongChange, Feature::kSongChange},",
          r"""    {0xF0, 0xF2, TrackEntry::kSongChange, Feature::kSongChange},
    {0xF3, 0xF3, TrackEntry::kSpare, std::nullopt},""",
          "$F3 is not a song change"),
    Fault("sector-parameter-classified", "src/explore/scan_music.cpp",
          r"constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, true};",
          r"constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, false};",
          "a sector command's parameter is scanned as an entry"),
    Fault("tuner-flags-swapped", "src/common/music_format.h",
          r"""    {0xF9, 0xF9, SectorEntry::kCommand, Feature::kTuneSr},
    {0xFA, 0xFA, SectorEntry::kCommand, Feature::kTuneAd},""",
          r"""    {0xF9, 0xF9, SectorEntry::kCommand, Feature::kTuneAd},
    {0xFA, 0xFA, SectorEntry::kCommand, Feature::kTuneSr},""",
          "$F9 sets _TUNEAD_ and $FA sets _TUNESR_"),
    Fault("tie-note-byte", "src/common/music_format.h",
          r"""    {0xFB, 0xFB, SectorEntry::kTie, Feature::kTieNotes},
    {0xFC, 0xFE, SectorEntry::kSpare, std::nullopt},""",
          r"""    {0xFB, 0xFB, SectorEntry::kSpare, std::nullopt},
    {0xFC, 0xFC, SectorEntry::kTie, Feature::kTieNotes},
    {0xFD, 0xFE, SectorEntry::kSpare, std::nullopt},""",
          "tie notes are looked for as $FC"),
    Fault("glide-select-range", "src/common/music_format.h",
          r"    {0x60, 0x7F, SectorEntry::kGlide, std::nullopt},",
          r"""    {0x60, 0x7E, SectorEntry::kGlide, std::nullopt},
    {0x7F, 0x7F, SectorEntry::kNote, std::nullopt},""",
          "glide 31 ($7F) is never selected"),
    Fault("highest-instrument-is-last", "src/explore/scan_music.cpp",
          r"std::max<int>(counts.HighestInstrument.value_or(0), number)",
          r"number",
          "the last instrument selected, not the highest, bounds the instrument tables"),
    Fault("multispeed-low-nibble", "src/features/derive_features.cpp",
          r"const unsigned multiSpeed = image.Byte(addr::arpspds) >> kMultiSpeedShift;",
          r"const unsigned multiSpeed = image.Byte(addr::arpspds) & 0x0F;",
          "the multispeed factor is read from bits 0..3"),
    Fault("multispeed-of-selected-song", "src/features/derive_features.cpp",
          r"const unsigned multiSpeed = image.Byte(addr::arpspds) >> kMultiSpeedShift;",
          r"const unsigned multiSpeed = image.Byte(addr::arpspds + (options.RequestedSong < kAllSongs ? "
          r"ClampTo(options.RequestedSong, kSongCount) : 0)) >> kMultiSpeedShift;",
          "with -sX the multispeed factor comes from song X's arpspds byte, not song 0's"),
    Fault("hard-restart-3-lost", "src/features/derive_features.cpp",
          r"if (hr < kHardRestartKinds) f.Set(kHardRestarts[hr]);",
          r"if (hr < kHardRestartKinds - 1) f.Set(kHardRestarts[hr]);",
          "hard-restart type 3 sets no flag"),
    Fault("vibrato-from-v2tb", "src/features/derive_features.cpp",
          r"if (image.At(addr::v3tb + slot) != 0) f.Set(Feature::kVibrato);",
          r"if (image.At(addr::v2tb + slot) != 0) f.Set(Feature::kVibrato);",
          "vibrato is read from v2tb"),
    Fault("instrument-loop-off-by-one", "src/features/derive_features.cpp",
          r"const int slots = std::clamp(found.counts.InstrumentSlots(), 0, kInstrumentCount);",
          r"const int slots = std::clamp(found.counts.InstrumentSlots() - 1, 0, kInstrumentCount);",
          "the highest instrument in use is left out of the derivation"),
    Fault("single-speed-without-plus-one", "src/features/derive_features.cpp",
          r"f.SingleSpeed = static_cast<int16_t>(speed(requested) + 1);",
          r"f.SingleSpeed = static_cast<int16_t>(speed(requested));",
          "the single speed of one requested song lacks its + 1"),
    Fault("single-speed-three-songs", "src/features/derive_features.cpp",
          r"std::all_of(std::begin(kSongs), std::end(kSongs),",
          r"std::all_of(std::begin(kSongs), std::end(kSongs) - 1,",
          "song 3's speed is left out of the shared-speed test"),
    Fault("pulse-map-sets-filters", "src/features/derive_features.cpp",
          r"if (AnyMark(found.maps.PulseMap)) f.Set(Feature::kPulse);",
          r"if (AnyMark(found.maps.PulseMap)) f.Set(Feature::kFilters);",
          "a used pulse table sets _FILTERS_"),
    Fault("song-0-not-selectable", "src/features/derive_features.cpp",
          r"const bool oneSong = requested < kAllSongs;",
          r"const bool oneSong = requested > 0 && requested < kAllSongs;",
          "-s0 packs all songs"),
    # --- defines file -------------------------------------------------------------------
    Fault("output-name-backslash", "src/output/defines_file.cpp",
          r"if (c == '\\') out += '\\';",
          r"",
          "backslashes in the output name are not doubled"),
    Fault("psid-name-suffix-lost", "src/output/defines_file.cpp",
          r'if (options.PsidFlag) out += ".sid";',
          r"",
          "a PSID output name lacks .sid"),
    Fault("start-address-low-with-dollar", "src/output/defines_file.cpp",
          r"out += HexDigits(static_cast<long>(options.StartAddress));",
          r"out += HexByte(static_cast<long>(options.StartAddress));",
          "the start address's low byte keeps its $"),
    Fault("only-song-line-without-cr", "src/output/defines_file.cpp",
          r"if (features.SelectedSong) AppendValueDefine(out, kOnlySong, 0);",
          r'if (features.SelectedSong) out += "\t_ONLY_SONG_ = 0\n";',
          "the _ONLY_SONG_ line ends without CR"),
    Fault("multispeed-1-dropped", "src/output/defines_file.cpp",
          r"if (features.MultiSpeed && *features.MultiSpeed > 0) AppendValueDefine(",
          r"if (features.MultiSpeed && *features.MultiSpeed > 1) AppendValueDefine(",
          "a multispeed factor of 1 is not written"),
    Fault("only-hr3-ignores-hr2", "src/output/defines_file_tables.h",
          r"!HasAny(f, {Feature::kHr0, Feature::kHr1, Feature::kHr2});",
          r"!HasAny(f, {Feature::kHr0, Feature::kHr1});",
          "_ONLY_HR3_ is written beside _HR2_"),
    Fault("songchange-unten-either", "src/output/defines_file_tables.h",
          r"(f.Has(Feature::kLoop) != f.Has(Feature::kEnd))",
          r"(f.Has(Feature::kLoop) || f.Has(Feature::kEnd))",
          "_SONGCHANGE_unten_ is written with both loop and end"),
    Fault("tuner-count-without-pp", "src/output/defines_file.cpp",
          r"                               Feature::kTuneFp, Feature::kTunePp};",
          r"                               Feature::kTuneFp};",
          "tc leaves out the pulse tuner"),
    Fault("tie-or-tune-without-ties", "src/output/defines_file.cpp",
          r"if (tuners > 0 || features.Has(Feature::kTieNotes)) AppendDefine(out, kTieOrTune);",
          r"if (tuners > 0) AppendDefine(out, kTieOrTune);",
          "tie notes alone do not give _TIE_OR_TUNE_"),
    Fault("defines-header-utf8", "src/output/defines_file.cpp",
          r'out += ";Defines f\xFCr ";',
          r'out += ";Defines f\xC3\xBCr ";',
          "the first line's u-umlaut is written as UTF-8"),
    Fault("define-names-swapped", "src/common/feature_flags.h",
          r'"_TUNEPP_",     "_TUNEFP_",',
          r'"_TUNEFP_",     "_TUNEPP_",',
          "_TUNEPP_ and _TUNEFP_ swap names"),
    # --- data file, hex bytes, file writing, layout -------------------------------------
    Fault("data-line-width", "src/output/data_file.cpp",
          r"constexpr size_t kEntriesPerLine = 17;",
          r"constexpr size_t kEntriesPerLine = 16;",
          "data lines hold 16 values instead of 17"),
    Fault("empty-table-without-value", "src/output/data_file.cpp",
          r"const size_t entries = count > 1 ? static_cast<size_t>(count) : 1;",
          r"const size_t entries = count > 0 ? static_cast<size_t>(count) : 0;",
          "a table with a count of 0 gets no value"),
    Fault("track-loop-parameter-lost", "src/common/written_lengths.h",
          r"return ClassifyTrackEntry(walk.last).kind == TrackEntry::kLoop ? walk.length + 1 : walk.length;",
          r"return walk.length;",
          "a track ending in $FE loses its parameter byte"),
    Fault("track-end-range", "src/common/written_lengths.h",
          r"constexpr WalkRule kWrittenTrack{WalkEnd::kTrackEnd, false};",
          r"constexpr WalkRule kWrittenTrack{WalkEnd::kLoopOrEnd, false};",
          "a song change does not end a written track"),
    Fault("sector-length-parameter", "src/common/written_lengths.h",
          r"constexpr WalkRule kWrittenSector{WalkEnd::kSectorEnd, true};",
          r"constexpr WalkRule kWrittenSector{WalkEnd::kSectorEnd, false};",
          "a parameter $FF ends a written sector"),
    Fault("pulse-table-start-row", "src/output/data_file_tables.h",
          r'constexpr TableSpec kPulseTables[] = {{"ptb1", addr::ptb1},',
          r'constexpr TableSpec kPulseTables[] = {{"ptb1", addr::ptb1 - 1},',
          "ptb1 is written from row 0"),
    Fault("instrument-labels-swapped", "src/output/data_file_tables.h",
          r'{"v1tb", addr::v1tb}, {"v2tb", addr::v2tb},',
          r'{"v1tb", addr::v2tb}, {"v2tb", addr::v1tb},',
          "v1tb and v2tb carry each other's data"),
    Fault("instrument-tables-by-count", "src/output/data_file.cpp",
          r"WriteTables(out, image, kInstrumentTables, found.counts.InstrumentSlots());",
          r"WriteTables(out, image, kInstrumentTables, found.counts.InstrumentCount);",
          "instrument tables stop at the count of instruments, losing those above a gap"),
    Fault("sector-list-line-break", "src/output/data_file.cpp",
          r"constexpr int kSectorsPerLine = 8;",
          r"constexpr int kSectorsPerLine = 16;",
          "the sector address lists hold 16 references to a line"),
    Fault("sector-list-high-operator", "src/output/data_file.cpp",
          r"AppendSectorList(out, found, kSectorHighs, '>');",
          r"AppendSectorList(out, found, kSectorHighs, '<');",
          "Asecsh takes the low bytes"),
    Fault("comment-control-characters", "src/common/text.h",
          r"for (const char c : name) out += static_cast<unsigned char>(c) < kFirstPrintable ? '?' : c;",
          r"for (const char c : name) out += c;",
          "control characters of the input name reach the comment lines"),
    Fault("arpspds-of-song-0", "src/output/data_file.cpp",
          r"out += HexByte(image.At(addr::arpspds + ClampTo(*selected, kSongCount)));",
          r"out += HexByte(image.At(addr::arpspds));",
          "one packed song gets song 0's arpspds byte"),
    Fault("tunedats-setting-is-speed", "src/output/data_file.cpp",
          r"out += HexByte(image.At(SongRecordAddress(s) + kSongSettingOffset));",
          r"out += HexByte(image.At(SongRecordAddress(s) + kSongSpeedOffset));",
          "tunedats repeats the speed in place of the setting byte"),
    Fault("absent-selected-song-packed", "src/output/data_file.cpp",
          r"return (!selected || *selected == song) && found.maps.SongMap[static_cast<size_t>(song)] != 0;",
          r"return !selected ? found.maps.SongMap[static_cast<size_t>(song)] != 0 : *selected == song;",
          "a selected song that does not exist still gets its tracks"),
    Fault("data-file-line-end", "src/output/data_file.cpp",
          r"""void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += kEol;""",
          r"""void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += '\n';""",
          "lines of the data file written through AppendLine lose their CR"),
    Fault("wave-table-one-row-short", "src/output/data_file.cpp",
          r"WriteTables(out, image, kWaveTables, HighestMarked(found.maps.WaveMap) + 1);",
          r"WriteTables(out, image, kWaveTables, HighestMarked(found.maps.WaveMap));",
          "the wave and trans columns stop one row short"),
    Fault("data-hex-lower-case", "src/output/data_file.cpp",
          r"table[v] = {',', hex[0], hex[1], hex[2]};",
          r"table[v] = {',', hex[0], static_cast<char>(hex[1] | 0x20), static_cast<char>(hex[2] | 0x20)};",
          "data values are written in lower-case hexadecimal"),
    Fault("hex-byte-lower-case", "src/output/hex_byte.h",
          r'constexpr std::string_view kDigits = "0123456789ABCDEF";',
          r'constexpr std::string_view kDigits = "0123456789abcdef";',
          "HexByte writes lower-case digits"),
    Fault("write-close-unchecked", "src/driver/file_writer.cpp",
          r"return (written & flushed & closed) ? WriteStatus::kOk",
          r"return (closed) ? WriteStatus::kOk",
          "a short write of a generated file goes unnoticed"),
    Fault("generated-file-appended", "src/driver/file_writer.cpp",
          r'std::FILE* file = std::fopen(name, "wb");',
          r'std::FILE* file = std::fopen(name, "ab");',
          "a stale generated file is appended to instead of replaced"),
    Fault("sector-address-clamp", "src/common/music_layout.h",
          r"return addr::sectors + kPageSize * ClampTo(sector, kSectorCount);",
          r"return addr::sectors + kPageSize * ClampTo(sector, kSectorCount - 1);",
          "sector 95 is read at sector 94's address"),
    # --- crunching and its check --------------------------------------------------------
    Fault("crunch-switch-prefix", "src/driver/command_line.cpp",
          r"if (arg == kCrunchSwitch) {",
          r"if (arg.starts_with(kCrunchSwitch)) {",
          "--crunchy crunches too"),
    Fault("crunch-instrument-select-kept", "src/crunch/crunch_music.cpp",
          r"bytes[at] = static_cast<uint8_t>(entry.first + instrumentTo[number]);",
          r"bytes[at] = static_cast<uint8_t>(entry.first + number);",
          "sectors keep their old instrument numbers"),
    Fault("crunch-glide-select-kept", "src/crunch/crunch_music.cpp",
          r"bytes[at] = static_cast<uint8_t>(entry.first + glideTo[number]);",
          r"bytes[at] = static_cast<uint8_t>(entry.first + number);",
          "sectors keep their old glide numbers"),
    Fault("crunch-pulse-command-kept", "src/crunch/crunch_music.cpp",
          r"if (value == kPulseCommand) bytes[at + 1] = pulse.start[bytes[at + 1]];",
          r"if (value == kPulseCommand) bytes[at + 1] = bytes[at + 1];",
          "a $F7 command keeps its old pulse row"),
    Fault("crunch-filter-command-as-pulse", "src/crunch/crunch_music.cpp",
          r"if (value == kFilterCommand) bytes[at + 1] = filter.start[bytes[at + 1]];",
          r"if (value == kFilterCommand) bytes[at + 1] = pulse.start[bytes[at + 1]];",
          "a $F6 command's row moves as if it were a pulse row"),
    Fault("crunch-wave-pointer-kept", "src/crunch/crunch_music.cpp",
          r"instruments[i][kAptb] = wave.start[instruments[i][kAptb]];",
          r"instruments[i][kAptb] = instruments[i][kAptb];",
          "instruments keep their old wave rows"),
    Fault("crunch-track-sector-kept", "src/crunch/crunch_music.cpp",
          r"static_cast<uint16_t>(sectorTo[static_cast<size_t>(SelectedNumber(entry, value))]));",
          r"static_cast<uint16_t>(SelectedNumber(entry, value)));",
          "tracks keep their old sector numbers"),
    Fault("crunch-tracks-shared-by-first-entry", "src/crunch/crunch_music.cpp",
          r"writtenTracks.try_emplace(AsKey(bytes), track)",
          r"writtenTracks.try_emplace(AsKey({bytes.begin(), bytes.begin() + 1}), track)",
          "tracks that begin alike share one label"),
    Fault("crunch-other-songs-kept", "src/crunch/crunch_music.cpp",
          r"if ((selected && *selected != s) || found.maps.SongMap[static_cast<size_t>(s)] == 0) continue;",
          r"if (found.maps.SongMap[static_cast<size_t>(s)] == 0) continue;",
          "a single-song pack keeps what only the other songs reach"),
    Fault("crunch-last-instrument-dropped", "src/crunch/crunch_music.cpp",
          r"std::optional<int16_t>(static_cast<int16_t>(keptInstruments.size() - 1));",
          r"std::optional<int16_t>(static_cast<int16_t>(keptInstruments.size() - 2));",
          "the last crunched instrument is not written"),
    Fault("crunch-unfollowable-crunched", "src/crunch/crunch_music.cpp",
          r"  if (!reach.followable) {",
          r"  if (false) {",
          "music with a track or sector without end is crunched anyway"),
    Fault("crunch-wave-jump-kept", "src/crunch/table_programs.cpp",
          r"static_cast<uint8_t>(newRow[static_cast<size_t>(target[static_cast<size_t>(r)])]);",
          r"rows.trans[static_cast<size_t>(r)];",
          "a wave jump keeps its old target row"),
    Fault("crunch-rows-alike-by-ending-alone", "src/crunch/table_programs.cpp",
          r"const std::pair<uint32_t, int> key{token[p], next[p] >= 0 ? kGoesOn : next[p]};",
          r"const std::pair<uint32_t, int> key{0, next[p] >= 0 ? kGoesOn : next[p]};",
          "rows of other values count as the same play"),
    Fault("crunch-refinement-one-round", "src/crunch/table_programs.cpp",
          r"    if (first.size() == kinds) return kind;",
          r"    return kind;",
          "rows are told apart by their next row only, not the whole program"),
    Fault("crunch-pulse-link-kept", "src/crunch/table_programs.cpp",
          r"static_cast<uint8_t>(to == 0 ? 0 : newRow[static_cast<size_t>(to)]);",
          r"static_cast<uint8_t>(to);",
          "a pulse or filter link keeps its old row"),
    Fault("crunch-mixed-row-moved", "src/crunch/table_programs.cpp",
          r"    if (role == Role::kBoth) return Unchanged(image, base + 1, held, LeftAsIs::kMixedRow);",
          r"",
          "a row that is a value and a link moves as a link"),
    Fault("crunch-rows-from-zero", "src/crunch/table_programs.cpp",
          r"newRow[static_cast<size_t>(r)] = static_cast<int>(table.column1.size());  // rows count from 1",
          r"newRow[static_cast<size_t>(r)] = static_cast<int>(table.column1.size()) - 1;",
          "the closed-up pulse and filter rows are numbered from 0"),
    Fault("crunch-start-none-walked", "src/crunch/table_programs.cpp",
          r"""    if (StartsNothing(s)) continue;
    if (!ReachTwoColumn(""",
          r"""    if (!ReachTwoColumn(""",
          "a start of 0 or $FF is taken for a program"),
    Fault("crunch-tail-offset-one-late", "src/crunch/crunch_music.cpp",
          r"place = {static_cast<uint8_t>(h), static_cast<uint8_t>(host.size() - tail.size())};",
          r"place = {static_cast<uint8_t>(h), static_cast<uint8_t>(host.size() - tail.size() + 1)};",
          "a sector written inside another begins one byte late"),
    Fault("data-file-tail-label-early", "src/output/data_file.cpp",
          r"tailAt[place.offset] = n;",
          r"tailAt[place.offset - 1] = n;",
          "the label of a sector written inside another stands one byte early"),
    Fault("view-instrument-values-ignored", "src/pack/music_view.cpp",
          r"        default: key.push_back(ByteToken(value)); break;",
          r"        default: break;",
          "the view sees no instrument values but the program pointers"),
    Fault("view-loop-not-one-name", "src/pack/music_view.cpp",
          r"    if (tokens[before] == token) return Spot(spot->cycle, before);",
          r"",
          "a loop entered one row earlier looks like other music"),
    Fault("view-pulse-start-row-ignored", "src/pack/music_view.cpp",
          r"const uint32_t startRow = Token(Tag::kStartRow, TwoBytes(At(c1, start), At(c2, start)));",
          r"const uint32_t startRow = Token(Tag::kStartRow, 0);",
          "the view does not see a pulse or filter program's start row"),
    Fault("view-loop-target-ignored", "src/pack/music_view.cpp",
          r"key.push_back(HasParameter(i, entries) ? ByteToken(bytes[static_cast<size_t>(i) + 1]) : kOutsideToken);",
          r"key.push_back(kOutsideToken);",
          "the view does not see where a track loops to"),
    Fault("check-skipped", "src/pack/pack_tune.cpp",
          r"  if (before != after) {",
          r"  if (false) {",
          "crunched music is written whatever its view"),
    Fault("check-fallback-silent", "src/pack/pack_tune.cpp",
          r"    AppendCrunchRefused(out.console);",
          r"",
          "the fallback to the plain pack says nothing"),
    Fault("crunch-bytes-without-address-lists", "src/output/data_file.cpp",
          r"return bytes + 2 * std::min<int>(std::max<int>(found.counts.SectorCount, 0), kSectorCount);",
          r"return bytes;",
          "the byte count leaves out the sector address lists"),
    Fault("crunch-report-parts-swapped", "src/crunch/crunch_music.h",
          r'"instruments", "sectors", "sectors written whole",',
          r'"sectors", "instruments", "sectors written whole",',
          "the report names instruments and sectors the wrong way round"),
]


def run(command, log, timeout=None):
    """Runs a command with its output appended to `log`; the exit code, or None when it
    ran past `timeout` (then it is ended with every process it started)."""
    with open(log, "ab") as out:
        out.write(("$ %s\n" % " ".join(command)).encode())
        out.flush()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            out.write(b"\n(time limit reached)\n")
            return None


def source_files():
    """The repository's files as git knows them (tracked or new, not ignored)."""
    listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                            cwd=ROOT, check=True, stdout=subprocess.PIPE).stdout
    return sorted(name for name in listed.decode().split("\0") if name and os.path.isfile(os.path.join(ROOT, name)))


def sync_tree(tree):
    """Makes `tree` a copy of the repository, touching only files whose bytes differ."""
    wanted = set(source_files())
    for name in wanted:
        source, target = os.path.join(ROOT, name), os.path.join(tree, name)
        with open(source, "rb") as f:
            data = f.read()
        if os.path.isfile(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        shutil.copymode(source, target)
    for folder, _, files in os.walk(tree):
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), tree)
            if relative not in wanted:
                os.remove(os.path.join(folder, name))


def check_snippets(faults, tree=ROOT):
    problems = []
    ids = collections.Counter(f.id for f in FAULTS)
    for fault in faults:
        if ids[fault.id] > 1:
            problems.append("%s: the id is used %d times" % (fault.id, ids[fault.id]))
        path = os.path.join(tree, fault.file)
        if not os.path.isfile(path):
            problems.append("%s: %s does not exist" % (fault.id, fault.file))
            continue
        with open(path, encoding="latin-1") as f:
            found = f.read().count(fault.original)
        if found != 1:
            problems.append("%s: the snippet occurs %d times in %s" % (fault.id, found, fault.file))
        if fault.original == fault.replacement:
            problems.append("%s: the replacement equals the snippet" % fault.id)
    return problems


def first_failure(log):
    """The first test that ctest reports as failed, from the fault's log."""
    with open(log, encoding="latin-1") as f:
        for line in f:
            found = re.search(r"Test +#\d+: (\S+) .*\*\*\*(\w+)", line)
            if found and found.group(2) != "Skipped":  # a skipped test failed nothing
                return found.group(1) + ("" if found.group(2) == "Failed" else " (%s)" % found.group(2))
    return ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", action="append", default=[], help="fault ids, comma-separated (repeatable)")
    parser.add_argument("--list", action="store_true", help="print the faults and stop")
    parser.add_argument("--check", action="store_true", help="check that every snippet occurs once, and stop")
    parser.add_argument("--jobs", type=int, default=2, help="build and test jobs (default 2)")
    parser.add_argument("--scratch", default=os.path.join(ROOT, "build-faults"),
                        help="scratch folder, kept for incremental builds (default build-faults)")
    parser.add_argument("--time-limit", type=int, default=900, help="seconds for one fault's test run (default 900)")
    parser.add_argument("--differential", type=int, default=0, metavar="COUNT",
                        help="also compare each faulty binary with the unchanged one on COUNT tunes")
    parser.add_argument("--skip-tests", action="store_true",
                        help="build only zspack and run no test: with --differential, a quick check "
                             "that a ported table builds and changes behaviour")
    options = parser.parse_args()

    faults = FAULTS
    if options.only:
        wanted = [i for group in options.only for i in group.split(",") if i]
        known = {f.id for f in FAULTS}
        unknown = [i for i in wanted if i not in known]
        if unknown:
            print("fault-injection: unknown fault ids: %s" % ", ".join(unknown), file=sys.stderr)
            return 2
        faults = [f for f in FAULTS if f.id in wanted]
    if options.list:
        for fault in faults:
            print("%-36s %-34s %s" % (fault.id, fault.file, fault.description))
        print("%d faults in %d files" % (len(faults), len({f.file for f in faults})))
        return 0
    problems = check_snippets(faults)
    if problems:
        print("fault-injection: the fault table does not fit the sources:", file=sys.stderr)
        for problem in problems:
            print("  " + problem, file=sys.stderr)
        return 2
    if options.check:
        print("fault-injection: all %d snippets occur exactly once" % len(faults))
        return 0

    started = time.monotonic()
    scratch = os.path.abspath(options.scratch)
    tree, build, logs = (os.path.join(scratch, name) for name in ("tree", "build", "logs"))
    os.makedirs(logs, exist_ok=True)
    sync_tree(tree)
    setup_log = os.path.join(logs, "baseline.log")
    if os.path.exists(setup_log):
        os.remove(setup_log)
    generator = ["-G", "Ninja"] if shutil.which("ninja") else []
    build_command = ["cmake", "--build", build, "-j", str(options.jobs)]
    if options.skip_tests:
        build_command += ["--target", "zspack", "make_random_tunes"]
    # A test that fails by chance under load gets a second try; a fault fails it twice.
    test_command = ["ctest", "--test-dir", build, "-j", str(options.jobs), "--stop-on-failure",
                    "--repeat", "until-pass:2", "--timeout", "300", "--output-on-failure"]
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        if run(["cmake", "-S", tree, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"] + generator, setup_log) != 0:
            print("fault-injection: configuring failed, see %s" % setup_log, file=sys.stderr)
            return 2
    print("fault-injection: building and testing the unchanged tree", flush=True)
    baseline_started = time.monotonic()
    if run(build_command, setup_log) != 0 or (
            not options.skip_tests and run(test_command, setup_log, options.time_limit) != 0):
        print("fault-injection: the unchanged tree does not build or pass its tests, see %s" % setup_log,
              file=sys.stderr)
        return 2
    print("fault-injection: unchanged tree passes (%.0f s)" % (time.monotonic() - baseline_started), flush=True)
    unchanged_binary = os.path.join(scratch, "zspack-unchanged")
    shutil.copy2(os.path.join(build, "zspack"), unchanged_binary)
    tunes_tool = os.path.join(scratch, "make_random_tunes")
    shutil.copy2(os.path.join(build, "tests", "make_random_tunes"), tunes_tool)

    results = []
    for number, fault in enumerate(faults, 1):
        fault_started = time.monotonic()
        log = os.path.join(logs, fault.id + ".log")
        if os.path.exists(log):
            os.remove(log)
        path = os.path.join(tree, fault.file)
        with open(path, "rb") as f:
            original = f.read()
        try:
            text = original.decode("latin-1")
            with open(path, "wb") as f:
                f.write(text.replace(fault.original, fault.replacement).encode("latin-1"))
            if run(build_command, log) != 0:
                print("fault-injection: %s does not build, see %s" % (fault.id, log), file=sys.stderr)
                return 2
            verdict, evidence = "untested", ""
            if not options.skip_tests:
                code = run(test_command, log, options.time_limit)
                verdict = "missed" if code == 0 else "caught"
                evidence = "time limit" if code is None else first_failure(log) if code != 0 else ""
            behaviour = ""
            if options.differential:
                differential = os.path.join(scratch, "differential")
                os.makedirs(differential, exist_ok=True)
                seen = run([sys.executable, os.path.join(ROOT, "scripts", "differential.py"), "--tunes-tool",
                            tunes_tool, "--scratch-parent", differential, "--show", "1",
                            unchanged_binary, os.path.join(build, "zspack"), str(options.differential)],
                           log, options.time_limit)
                shutil.rmtree(differential, ignore_errors=True)
                behaviour = "differs" if seen != 0 else "same"
        finally:
            with open(path, "wb") as f:
                f.write(original)
        results.append((fault, verdict, evidence, behaviour, time.monotonic() - fault_started))
        print("[%d/%d] %-36s %-7s %s%s (%.0f s)" % (
            number, len(faults), fault.id, verdict, evidence,
            (" [differential: %s]" % behaviour) if behaviour else "", time.monotonic() - fault_started), flush=True)

    print()
    print("%-36s %-7s %-13s %s" % ("fault", "result", "differential" if options.differential else "", "first failing test"))
    for fault, verdict, evidence, behaviour, _ in results:
        print("%-36s %-7s %-13s %s" % (fault.id, verdict, behaviour, evidence))
    caught = sum(1 for r in results if r[1] == "caught")
    print()
    missed = [r[0].id for r in results if r[1] == "missed"]
    if missed:
        print("missed: %s" % ", ".join(missed))
    if options.differential:
        unchanged = [r[0].id for r in results if r[3] == "same"]
        print("no difference in the differential run: %s" % (", ".join(unchanged) or "none"))
    minutes = (time.monotonic() - started) / 60
    if options.skip_tests:
        print("%d of %d faults built, tests skipped (%.0f min)" % (len(results), len(results), minutes))
    else:
        print("caught %d of %d (%.0f min)" % (caught, len(results), minutes))
    return 0


if __name__ == "__main__":
    sys.exit(main())
