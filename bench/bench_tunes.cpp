#include "bench_tunes.h"

#include <cstdio>
#include <memory>

#include "common/music_layout.h"

namespace zspack::bench {

namespace {

void Put(MusicImage& image, uint32_t address, uint8_t value) { image.Set(address, value); }

void PutBytes(MusicImage& image, uint32_t address, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) Put(image, address + static_cast<uint32_t>(i), bytes[i]);
}

uint8_t U8(int value) { return static_cast<uint8_t>(value & 0xFF); }

// The pulse or filter table as one program that starts at row 1 and whose steps fill
// rows 2..255: every row but row 0 is used, and a program started at any odd row inside
// it is consistent, so that each later visit checks the whole rest of the chain.
void ChainTable(MusicImage& image, uint32_t column1, int seed) {
  for (int r = 0; r < kTableRows; ++r) {
    Put(image, column1 + static_cast<uint32_t>(r), U8(r * 37 + seed));
    Put(image, column1 + 0x100 + static_cast<uint32_t>(r), U8(0x40 + r + seed));
  }
  for (int p = 2; p <= 254; p += 2) {
    const int link = p < 254 ? p + 2 : 0;  // column 2 of the step's second row
    Put(image, column1 + 0x100 + static_cast<uint32_t>(p + 1), U8(link));
  }
}

// One sector of the worst case: a cycle of every sector command, 255 entries and $FF.
// `c` counts the cycles over all sectors so that the selects go round all instruments and
// glides 1..31 (glide 0 is never selected, so every used glide moves down by one).
std::vector<uint8_t> WorstSector(int sector) {
  std::vector<uint8_t> bytes;
  int c = sector * 16;
  auto room = [&](size_t n) { return bytes.size() + n <= 255; };
  while (bytes.size() < 255) {
    const std::vector<std::vector<uint8_t>> cycle = {
        {U8(0x60 + 1 + c % 31)},              // select glide 1..31
        {U8(0xC0 + c % 32)},                  // select instrument 0..31
        {U8(0x30 + c % 0x30)},                // note
        {0xF6, U8(1 + 2 * ((c * 7) % 127))},  // filter program at an odd row 1..253
        {U8(0x80 + c % 0x40)},                // note
        {0xF7, U8(1 + 2 * ((c * 5) % 127))},  // pulse program at an odd row 1..253
        {0xF8, U8(0x60 + c % 32)},            // parameters that look like commands
        {0xF9, 0xFF},
        {0xFA, U8(0xC0 + c % 32)},
        {0xFB},                               // tie
        {U8(0xFC + c % 3)},                   // note
    };
    for (const auto& item : cycle) {
      if (room(item.size())) {
        bytes.insert(bytes.end(), item.begin(), item.end());
      } else if (room(1)) {
        bytes.push_back(U8(0x30 + (c + static_cast<int>(bytes.size())) % 0x30));
      }
    }
    ++c;
  }
  bytes.push_back(0xFF);
  return bytes;
}

}  // namespace

std::vector<uint8_t> EmptyTuneFile() {
  return {0x01, 0x08, U8(static_cast<int>(kImageFirst)), U8(static_cast<int>(kImageFirst >> 8)), 0xBF,
          0xBF, 0x00};
}

std::vector<uint8_t> TwoSongTuneFile() {
  auto image = std::make_unique<MusicImage>();
  MusicImage& m = *image;
  PutBytes(m, TrackAddress(0, 0), {0, 1, 0xFF});
  PutBytes(m, TrackAddress(0, 1), {2, 0xFF});
  PutBytes(m, TrackAddress(0, 2), {5, 0xFF});
  PutBytes(m, TrackAddress(1, 0), {1, 0xFF});
  PutBytes(m, TrackAddress(1, 1), {0, 0xFF});
  PutBytes(m, TrackAddress(1, 2), {2, 0xFF});
  for (int s = 0; s < 2; ++s) {
    Put(m, SongRecordAddress(s) + kSongSpeedOffset, 5);
    Put(m, SongRecordAddress(s) + kSongSettingOffset, 0);
  }
  PutBytes(m, SectorAddress(0), {0xC0, 0x30, 0x32, 0x34, 0xFF});
  PutBytes(m, SectorAddress(1), {0xC1, 0x3C, 0xFB, 0x3E, 0xFF});
  PutBytes(m, SectorAddress(2), {0xC2, 0x24, 0xF7, 0x01, 0x28, 0xFF});
  PutBytes(m, SectorAddress(5), {0xC0, 0x30, 0xFF});
  for (uint32_t i = 0; i < 3; ++i) {
    Put(m, addr::adtb + i, 0x09);
    Put(m, addr::srtb + i, 0xA9);
    Put(m, addr::aptb + i, U8(static_cast<int>(4 * i)));
    Put(m, addr::pptb + i, i == 1 ? 1 : 0);
    Put(m, addr::hrtb + i, 1);
  }
  for (uint32_t r = 0; r < 12; ++r) {
    Put(m, addr::wave + r, (r % 4 == 3) ? 0xFF : 0x41);
    Put(m, addr::trans + r, U8(static_cast<int>(r * 12)));
  }
  PutBytes(m, addr::ptb1 + 1, {0x08, 0x10, 0x20});
  PutBytes(m, addr::ptb2 + 1, {0x00, 0x40, 0x00});
  return PackImage(m, kImageFirst, SectorAddress(5) + 0xFF);
}

// The worst case: four songs whose twelve tracks are full (about 240 sector references and
// 15 track commands each, the end byte in the last entry);
// all 96 sectors full of every sector command; all 32 instruments, all 32 glide slots, all
// 256 wavetable rows and pulse/filter rows 1..255 in use. Sector 0 and glide 0 are left
// unused, so that compaction has to move every other sector (1..95 to 0..94) and every
// other glide (1..31 to 0..30): with all 96 sectors used nothing would move at all.
MusicImage WorstCaseImage() {
  MusicImage m;
  for (int s = 0; s < kSongCount; ++s) {
    Put(m, addr::arpspds + static_cast<uint32_t>(s), U8(s == 0 ? 0x21 : 0x10 * s + 1));
    for (uint32_t b = 0; b < 6; ++b) Put(m, SongRecordAddress(s) + b, U8(0x11 * static_cast<int>(b + 1)));
    Put(m, SongRecordAddress(s) + kSongSpeedOffset, U8(4 + s));
    Put(m, SongRecordAddress(s) + kSongSettingOffset, U8(s));
  }
  for (int t = 0; t < kTrackCount; ++t) {
    const uint32_t start = TrackAddress(t);
    for (int k = 0; k < kTrackEntries; ++k) {
      uint8_t b = 0;
      if (k % 16 == 15) {
        static constexpr uint8_t kCommands[] = {0x60, 0x80, 0xC0, 0xE0};  // speed, transpose, repeat, volume
        b = U8(kCommands[(k / 16) % 4] + (k / 16 + t) % 16);
      } else {
        b = U8(1 + (t * 256 + k) % 95);  // sectors 1..95
      }
      Put(m, start + static_cast<uint32_t>(k), b);
    }
    // Every track ends at its last entry (a track with no end byte would be walked as far
    // but written as one byte): voice 0 of the four songs with $FF, $FF, a song change and a
    // loop with its parameter, voices 1 and 2 with $FF.
    const int song = t / 3;
    if (t % 3 == 0 && song == 3) {
      Put(m, start + 254, 0xFE);
      Put(m, start + 255, 0x00);
    } else {
      Put(m, start + 255, (t % 3 == 0 && song == 2) ? 0xF0 : 0xFF);
    }
  }
  for (int n = 0; n < kSectorCount; ++n) PutBytes(m, SectorAddress(n), WorstSector(n));
  for (uint32_t g = 0; g < kGlideCount; ++g) {
    Put(m, addr::gldtbl + g, U8(static_cast<int>(3 * g + 1)));
    Put(m, addr::gldtbh + g, U8(static_cast<int>(0x10 + g)));
  }
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    const int n = static_cast<int>(i);
    Put(m, addr::adtb + i, U8(0x09 + n));
    Put(m, addr::srtb + i, U8(0xA0 + n));
    Put(m, addr::aptb + i, U8(8 * n));
    Put(m, addr::pptb + i, U8(1 + 8 * n));
    Put(m, addr::fptb + i, U8(1 + 8 * (31 - n)));
    Put(m, addr::v1tb + i, U8(n));
    Put(m, addr::v2tb + i, U8(0x20 + n));
    Put(m, addr::v3tb + i, U8(n % 2));
    Put(m, addr::hrtb + i, U8(n % 4));
    Put(m, addr::hf1tb + i, 0x0F);
    Put(m, addr::hf2tb + i, 0x81);
  }
  // Instrument i's wavetable program: rows 8i..8i+6 ordinary, row 8i+7 a jump back into
  // the program (even i) or an end row (odd i); together they cover all 256 rows.
  static constexpr uint8_t kWaves[] = {0x11, 0x21, 0x41, 0x81};
  for (int r = 0; r < kTableRows; ++r) {
    const auto row = static_cast<uint32_t>(r);
    const int i = r / 8;
    if (r % 8 != 7) {
      Put(m, addr::wave + row, kWaves[r % 4]);
      Put(m, addr::trans + row, U8(r * 7));
    } else if (i % 2 == 0) {
      Put(m, addr::wave + row, 0x90);
      Put(m, addr::trans + row, U8(8 * i + 2));
    } else {
      Put(m, addr::wave + row, 0xFF);
      Put(m, addr::trans + row, 0x00);
    }
  }
  ChainTable(m, addr::ptb1, 0);
  ChainTable(m, addr::ftb1, 0x55);
  return m;
}

std::vector<uint8_t> WorstCaseTuneFile() {
  auto image = std::make_unique<MusicImage>(WorstCaseImage());
  return PackImage(*image, kImageFirst, kImageLast);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  uint8_t chunk[4096];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace zspack::bench
