#include "driver/run.h"

#include <cstdio>
#include <string>

#include "driver/assembler.h"
#include "driver/command_line.h"
#include "driver/console.h"
#include "driver/key_wait.h"
#include "driver/outcome.h"
#include "driver/usage_text.h"
#include "explore/explore_music.h"
#include "explore/map_text.h"
#include "features/defines_file.h"
#include "image/read_music_file.h"
#include "output/data_file.h"
#include "output/file_writer.h"

namespace zspack {

namespace {

class Run {
 public:
  explicit Run(std::span<const std::string_view> args) : args_(args) {}

  int Execute() {
    console_.Write(kBanner);
    if (!console_.Flush()) return Finish(Outcome::kWriteFailed);
    const CommandLine commandLine = ParseCommandLine(args_);
    switch (commandLine.status) {
      case CommandLineStatus::kTooFewArguments:
        console_.Write(kUsageText);
        return Finish(Outcome::kUsage);
      case CommandLineStatus::kBadSwitch:
        console_.Write(kUsageText);
        return Finish(Outcome::kBadSwitch);
      case CommandLineStatus::kBadOutputName:
        return Finish(Outcome::kBadOutputName);
      case CommandLineStatus::kRun:
        break;
    }
    return Finish(Pack(commandLine.options));
  }

 private:
  Outcome Pack(const RunOptions& options) {
    // About 60 KB: the image, the maps and the feature results of this one run.
    PackState owned;
    PackState* state = &owned;
    std::string text;
    const ReadResult read = ReadMusicFile(options.InputName, state->image, text);
    console_.Write(text);
    switch (read.status) {
      case ReadStatus::kCannotOpen: return Outcome::kCannotOpenInput;
      case ReadStatus::kReadFailed: return Outcome::kReadFailed;
      case ReadStatus::kMalformed:
        console_.Write("failed.\n");
        return OutcomeFor(read.depack);
      case ReadStatus::kOk: break;
    }
    if (!console_.Flush()) return Outcome::kWriteFailed;

    text.clear();
    ExploreMusic(*state, options, text);
    console_.Write(text);
    if (!console_.Flush()) return Outcome::kWriteFailed;

    const Outcome defines = WriteGenerated("the_defines.a", RenderDefinesFile(options, state->features),
                                           Outcome::kCannotCreateDefines);
    if (defines != Outcome::kPacked) return defines;
    const Outcome data = WriteGenerated("the_data.a", RenderDataFile(*state, options.InputName),
                                        Outcome::kCannotCreateData);
    if (data != Outcome::kPacked) return data;

    const AssemblerResult assembler = RunAssembler();
    if (!assembler.started) return Outcome::kCannotStartAssembler;
    assemblerExitCode_ = assembler.exitCode;
    return assembler.exitCode == 0 ? Outcome::kPacked : Outcome::kAssemblyFailed;
  }

  static Outcome WriteGenerated(const char* name, const std::string& text, Outcome cannotCreate) {
    switch (WriteWholeFile(name, text)) {
      case WriteStatus::kOk: return Outcome::kPacked;
      case WriteStatus::kCannotCreate: return cannotCreate;
      case WriteStatus::kWriteFailed: return Outcome::kWriteFailed;
    }
    return Outcome::kWriteFailed;
  }

  int Finish(Outcome outcome) {
    const OutcomeReport* report = &ReportFor(outcome);
    if (!report->runtimeError && !report->message.empty()) {
      std::string line(report->message);
      if (outcome == Outcome::kAssemblyFailed) AppendNumber(line, assemblerExitCode_);
      line += '\n';
      console_.Write(line);
    }
    if (!console_.Flush()) report = &ReportFor(Outcome::kWriteFailed);
    if (report->runtimeError) {
      std::fprintf(stderr, "Runtime error %d\n", report->exitCode);
      std::fflush(stderr);
      return report->exitCode;
    }
    if (report->waitForKey) WaitForKey();
    return report->exitCode;
  }

  std::span<const std::string_view> args_;
  ConsoleWriter console_{stdout};
  int assemblerExitCode_ = 0;
};

}  // namespace

int RunZspack(std::span<const std::string_view> args) { return Run(args).Execute(); }

}  // namespace zspack
