// Tunes for the benchmarks, built in memory and packed into the tracker's file format:
// an empty one, a small two-song one, and the worst case that makes every stage of a
// pack do the most work it can.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/music_image.h"
#include "support/tracker_file.h"

namespace zspack::bench {

using zspack::testing::PackImage;

// A file whose stream is only the end record: no song, nothing used.
std::vector<uint8_t> EmptyTuneFile();

// Two songs on sectors 0, 1, 2 and 5, instruments 0..2, no glide: a small tune, used
// when the bundled example is not there.
std::vector<uint8_t> TwoSongTuneFile();

// The image of the worst case (see bench_tunes.cpp for what it holds and why).
MusicImage WorstCaseImage();
std::vector<uint8_t> WorstCaseTuneFile();

// The whole file read into memory; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace zspack::bench
