#include "driver/run.h"

#include <cstdio>
#include <string>

#include "common/pack_state.h"
#include "common/text.h"
#include "driver/assembler.h"
#include "driver/command_line.h"
#include "driver/console.h"
#include "driver/file_writer.h"
#include "driver/key_wait.h"
#include "driver/outcome.h"
#include "driver/read_music_file.h"
#include "driver/usage_text.h"
#include "pack/pack_tune.h"

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
  Outcome Pack(const PackOptions& options) {
    console_.Write("Reading \"");
    console_.Write(options.InputName);
    console_.Write("\" ... ");
    const MusicFile file = ReadMusicFile(options.InputName);
    switch (file.status) {
      case ReadStatus::kCannotOpen: return Outcome::kCannotOpenInput;
      case ReadStatus::kReadFailed: return Outcome::kReadFailed;
      case ReadStatus::kOk: break;
    }
    console_.Write("ok.\nDepacking data ... ");

    // About 60 KB: the image, the maps and the feature results of this one run.
    PackState state;
    PackedTune packed;
    PackTune(file.bytes(), options, state, packed);
    if (packed.depack != DepackStatus::kDone) {
      console_.Write("failed.\n");
      return OutcomeFor(packed.depack);
    }
    console_.Write("done.\n");
    console_.Write(packed.console);
    if (!console_.Flush()) return Outcome::kWriteFailed;

    const Outcome defines = WriteGenerated("the_defines.a", packed.defines, Outcome::kCannotCreateDefines);
    if (defines != Outcome::kPacked) return defines;
    const Outcome data = WriteGenerated("the_data.a", packed.data, Outcome::kCannotCreateData);
    if (data != Outcome::kPacked) return data;

    const AssemblerResult assembler = RunAssembler();
    if (!assembler.started) return Outcome::kCannotStartAssembler;
    assemblerExitCode_ = assembler.exitCode;
    return assembler.exitCode == 0 ? Outcome::kPacked : Outcome::kAssemblyFailed;
  }

  static Outcome WriteGenerated(const char* name, const std::string& text, Outcome cannotCreate) {
    const WriteStatus status = WriteWholeFile(name, text);
    if (status == WriteStatus::kCannotCreate) return cannotCreate;
    return status == WriteStatus::kOk ? Outcome::kPacked : Outcome::kWriteFailed;
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
      // Nothing is left to tell if standard error fails too: the exit code still says it.
      std::string number;
      AppendNumber(number, report->exitCode);
      errors_.Write("Runtime error ");
      errors_.Write(number);
      errors_.Write("\n");
      errors_.Flush();
      return report->exitCode;
    }
    if (report->waitForKey) WaitForKey();
    return report->exitCode;
  }

  std::span<const std::string_view> args_;
  ConsoleWriter console_{stdout};
  ConsoleWriter errors_{stderr};
  int assemblerExitCode_ = 0;
};

}  // namespace

int RunZspack(std::span<const std::string_view> args) { return Run(args).Execute(); }

}  // namespace zspack
