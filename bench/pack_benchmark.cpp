// In-process pack benchmarks: the whole pack (depack, exploration, both generated files
// rendered) of an empty tune, the bundled example and the worst case; the worst case's
// stages one by one; and the one-pass sector/glide compaction against the literal
// one-move-at-a-time reference on the worst case.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_tunes.h"
#include "explore/scan_music.h"
#include "pack/pack_tune.h"
#include "explore/explore_music.h"
#include "explore/renumber.h"
#include "output/defines_file.h"
#include "features/derive_features.h"
#include "output/data_file.h"
#include "support/renumber_reference.h"

namespace {

using zspack::PackedTune;
using zspack::PackState;
using zspack::PackOptions;

PackOptions BenchOptions() {
  PackOptions options;
  options.InputName = "tune.prg";
  options.OutputName = "tune";
  return options;
}

struct NamedTune {
  std::string name;
  std::string label;
  std::vector<uint8_t> file;
};

NamedTune DemoTune() {
  std::vector<uint8_t> file = zspack::bench::ReadFileBytes(ZSPACK_DEMO_TUNE);
  if (!file.empty()) return {"demo", "examples/demo.prg", std::move(file)};
  return {"demo", "examples/demo.prg missing: built-in two-song tune", zspack::bench::TwoSongTuneFile()};
}

void PackTuneBenchmark(benchmark::State& state, const NamedTune& tune, bool mustMove) {
  const PackOptions options = BenchOptions();
  auto packState = std::make_unique<PackState>();
  PackedTune out;
  zspack::PackTune(tune.file, options, *packState, out);
  if (out.depack != zspack::DepackStatus::kDone) {
    state.SkipWithError("the tune does not depack");
    return;
  }
  if (mustMove && out.console.find("after reorganizing") == std::string::npos) {
    state.SkipWithError("the worst case moved no sector");
    return;
  }
  const size_t outputBytes = out.console.size() + out.defines.size() + out.data.size();
  for (auto _ : state) {
    zspack::PackTune(tune.file, options, *packState, out);
    benchmark::DoNotOptimize(out.data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * outputBytes));
  state.counters["file_bytes"] = static_cast<double>(tune.file.size());
  state.counters["output_bytes"] = static_cast<double>(outputBytes);
  state.SetLabel(tune.label);
}

// The worst case just depacked, and the same state at the two compaction points.
struct WorstCaseStates {
  std::unique_ptr<PackState> depacked = std::make_unique<PackState>();
  std::unique_ptr<PackState> beforeSectors = std::make_unique<PackState>();  // step 8
  std::unique_ptr<PackState> beforeGlides = std::make_unique<PackState>();   // step 14
  std::vector<uint8_t> file = zspack::bench::WorstCaseTuneFile();
  bool ok = true;

  WorstCaseStates() {
    ok = zspack::DepackMusic(std::span<const uint8_t>(file), depacked->image) ==
         zspack::DepackStatus::kDone;
    *beforeSectors = *depacked;
    PackState& s = *beforeSectors;
    s.exploration.maps.SongMap = zspack::FindSongs(s.image);
    for (int song = 0; song < zspack::kSongCount; ++song) {
      if (s.exploration.maps.SongMap[static_cast<size_t>(song)] == 0) continue;
      for (int v = 0; v < zspack::kVoiceCount; ++v) {
        s.exploration.counts.SectorCount = static_cast<int16_t>(s.exploration.counts.SectorCount + zspack::ScanTrack(s.image, song, v, s.exploration));
      }
    }
    *beforeGlides = s;
    PackState& g = *beforeGlides;
    zspack::CompactSectors(g.image, g.exploration.maps.SectorMap);
    for (int n = 0; n < zspack::kSectorCount; ++n) {
      if (g.exploration.maps.SectorMap[static_cast<size_t>(n)] != 0) zspack::ScanSector(g.image, n, g.exploration);
    }
  }
};

const WorstCaseStates& Worst() {
  static const WorstCaseStates states;
  return states;
}

bool SameImage(const PackState& a, const PackState& b) {
  return a.image == b.image && a.exploration.maps.SectorMap == b.exploration.maps.SectorMap;
}

// Times `step` alone on a fresh copy of `from` each iteration: the manual (wall) time
// leaves the copy out, the CPU column has it in.
template <typename Step>
void TimeOnCopies(benchmark::State& state, const PackState& from, Step step) {
  auto work = std::make_unique<PackState>();
  for (auto _ : state) {
    *work = from;
    benchmark::ClobberMemory();
    const auto start = std::chrono::steady_clock::now();
    step(*work);
    benchmark::ClobberMemory();
    const auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
}

void CheckWorst(benchmark::State& state) {
  if (!Worst().ok) state.SkipWithError("the worst case does not depack");
}

// The copy alone: what the CPU column of the rows above includes besides the step (their
// Time column is the step alone).
void BM_StateCopyOnly(benchmark::State& state) {
  CheckWorst(state);
  TimeOnCopies(state, *Worst().beforeSectors, [](PackState& s) { benchmark::DoNotOptimize(&s); });
}

void BM_CompactSectors_OnePass(benchmark::State& state) {
  CheckWorst(state);
  TimeOnCopies(state, *Worst().beforeSectors, [](PackState& s) { zspack::CompactSectors(s.image, s.exploration.maps.SectorMap); });
}

void BM_CompactSectors_OneByOne(benchmark::State& state) {
  CheckWorst(state);
  TimeOnCopies(state, *Worst().beforeSectors, [](PackState& s) { zspack::testing::CompactSectorsOneByOne(s.image, s.exploration.maps.SectorMap); });
}

void BM_CompactGlides_OnePass(benchmark::State& state) {
  CheckWorst(state);
  TimeOnCopies(state, *Worst().beforeGlides, [](PackState& s) { zspack::CompactGlides(s.image, s.exploration.maps); });
}

void BM_CompactGlides_OneByOne(benchmark::State& state) {
  CheckWorst(state);
  TimeOnCopies(state, *Worst().beforeGlides, [](PackState& s) { zspack::testing::CompactGlidesOneByOne(s.image, s.exploration.maps); });
}

void BM_WorstStage_Depack(benchmark::State& state) {
  CheckWorst(state);
  auto work = std::make_unique<PackState>();
  const auto body = std::span<const uint8_t>(Worst().file);
  for (auto _ : state) {
    work->image.Clear();
    benchmark::DoNotOptimize(zspack::DepackMusic(body, work->image));
    benchmark::ClobberMemory();
  }
}

void BM_WorstStage_Explore(benchmark::State& state) {
  CheckWorst(state);
  const PackOptions options = BenchOptions();
  std::string console;
  TimeOnCopies(state, *Worst().depacked, [&](PackState& s) {
    console.clear();
    s.exploration = zspack::ExploreMusic(s.image, console); s.features = zspack::DeriveFeatures(s.image, s.exploration, options);
    benchmark::DoNotOptimize(console.data());
  });
}

void BM_WorstStage_RenderDefines(benchmark::State& state) {
  CheckWorst(state);
  const PackOptions options = BenchOptions();
  auto explored = std::make_unique<PackState>(*Worst().depacked);
  std::string console;
  explored->exploration = zspack::ExploreMusic(explored->image, console); explored->features = zspack::DeriveFeatures(explored->image, explored->exploration, options);
  for (auto _ : state) {
    std::string text = zspack::RenderDefinesFile(options, explored->features);
    benchmark::DoNotOptimize(text.data());
  }
}

void BM_WorstStage_RenderData(benchmark::State& state) {
  CheckWorst(state);
  const PackOptions options = BenchOptions();
  auto explored = std::make_unique<PackState>(*Worst().depacked);
  std::string console;
  explored->exploration = zspack::ExploreMusic(explored->image, console); explored->features = zspack::DeriveFeatures(explored->image, explored->exploration, options);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string text;
    zspack::AppendDataFile(text, explored->image, explored->exploration, explored->features, options.InputName);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

int main(int argc, char** argv) {
  // The one-pass compactions must leave the same bytes as the reference.
  {
    auto onePass = std::make_unique<PackState>(*Worst().beforeSectors);
    auto reference = std::make_unique<PackState>(*Worst().beforeSectors);
    zspack::CompactSectors(onePass->image, onePass->exploration.maps.SectorMap);
    zspack::testing::CompactSectorsOneByOne(reference->image, reference->exploration.maps.SectorMap);
    auto glidesOnePass = std::make_unique<PackState>(*Worst().beforeGlides);
    auto glidesReference = std::make_unique<PackState>(*Worst().beforeGlides);
    zspack::CompactGlides(glidesOnePass->image, glidesOnePass->exploration.maps);
    zspack::testing::CompactGlidesOneByOne(glidesReference->image, glidesReference->exploration.maps);
    if (!SameImage(*onePass, *reference) || !SameImage(*glidesOnePass, *glidesReference)) {
      std::fprintf(stderr, "one-pass and reference compaction differ on the worst case\n");
      return 1;
    }
  }

  static const NamedTune kEmpty{"empty", "no song", zspack::bench::EmptyTuneFile()};
  static const NamedTune kDemo = DemoTune();
  static const NamedTune kWorst{"worst_case", "4 songs, 95 of 96 sectors move, 31 glides move",
                                zspack::bench::WorstCaseTuneFile()};
  benchmark::RegisterBenchmark("PackTune/empty",
                               [](benchmark::State& s) { PackTuneBenchmark(s, kEmpty, false); })
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("PackTune/demo",
                               [](benchmark::State& s) { PackTuneBenchmark(s, kDemo, false); })
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("PackTune/worst_case",
                               [](benchmark::State& s) { PackTuneBenchmark(s, kWorst, true); })
      ->Unit(benchmark::kMicrosecond);

  benchmark::RegisterBenchmark("WorstStage/depack", BM_WorstStage_Depack)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("WorstStage/explore", BM_WorstStage_Explore)
      ->UseManualTime()->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("WorstStage/render_defines", BM_WorstStage_RenderDefines)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("WorstStage/render_data", BM_WorstStage_RenderData)
      ->Unit(benchmark::kMicrosecond);

  benchmark::RegisterBenchmark("StateCopyOnly", BM_StateCopyOnly)
      ->UseManualTime()->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("CompactSectors/one_pass", BM_CompactSectors_OnePass)
      ->UseManualTime()->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("CompactSectors/one_by_one", BM_CompactSectors_OneByOne)
      ->UseManualTime()->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("CompactGlides/one_pass", BM_CompactGlides_OnePass)
      ->UseManualTime()->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("CompactGlides/one_by_one", BM_CompactGlides_OneByOne)
      ->UseManualTime()->Unit(benchmark::kMicrosecond);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
