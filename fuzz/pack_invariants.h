// What every pack must satisfy, whatever bytes it was given: checked by the fuzz target on
// each generated input and by the corpus replay test on every file in fuzz/corpus/.
// An input is five switch bytes followed by a whole tracker file (fuzz_input.h).
//
// Invariants: packing never crashes, never reads or writes outside its buffers, and
// leaves a consistent pack: a malformed file produces no text; otherwise the usage maps,
// counts and renumbered image agree (state_checks.h), the console report and both
// generated files hold only their allowed characters and line ends, the data file's lines,
// values and labels are well formed (text_checks.h); the same input packed a second
// time, on a scribbled-over state, gives the same bytes and the same state; and packed
// with --crunch it leaves a pack that holds all of the above too, whose data file plays
// the same music as the plain one in no more bytes, whose console is the plain report and
// the crunch stage's lines without the refusal, and whose texts are the plain ones when
// nothing was crunched (crunch_checks.h).
//
// Header-only on purpose: the libFuzzer build and the test build compile it with their
// own flags, and neither links the other's support code.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/pack_state.h"
#include "pack/pack_tune.h"
#include "crunch_checks.h"
#include "fuzz_input.h"
#include "state_checks.h"
#include "text_checks.h"

namespace zspack::fuzzing {

// Packs one checker input and returns the first broken invariant, empty when all hold;
// `depack`, when given, receives how the depacking ended.
inline std::string CheckPackInvariants(std::span<const uint8_t> input, DepackStatus* depack = nullptr) {
  const FuzzCase c = DecodeFuzzInput(input);
  // Three states and three results kept for the whole process, so that an input costs no
  // allocation beyond what the pack itself makes; each state is set to a fixed content
  // first, so a result never depends on an earlier input: the first as a fresh state is,
  // the others scribbled over.
  struct Scratch {
    PackState first;
    PackState second;
    PackState crunched;
    PackedTune out;
    PackedTune again;
    PackedTune crunchedOut;
  };
  static thread_local const std::unique_ptr<Scratch> scratch = std::make_unique<Scratch>();
  PackState& first = scratch->first;
  PackState& second = scratch->second;
  PackState& crunched = scratch->crunched;
  PackedTune& out = scratch->out;
  PackedTune& again = scratch->again;
  PackedTune& crunchedOut = scratch->crunchedOut;
  detail::MakeFresh(first);
  detail::Scribble(second);
  detail::Scribble(crunched);
  PackOptions crunch = c.options;
  crunch.Crunch = true;
  PackTune(c.file, c.options, first, out);
  PackTune(c.file, c.options, second, again);
  PackTune(c.file, crunch, crunched, crunchedOut);
  if (depack != nullptr) *depack = out.depack;
  if (again.depack != out.depack || again.console != out.console || again.defines != out.defines ||
      again.data != out.data) {
    return "packing the same input twice gave different results";
  }

  if (crunchedOut.depack != out.depack) return "crunching changed how the file depacked";

  if (out.depack != DepackStatus::kDone) {
    if (!out.console.empty() || !out.defines.empty() || !out.data.empty() || !crunchedOut.console.empty() ||
        !crunchedOut.defines.empty() || !crunchedOut.data.empty()) {
      return "a malformed file produced text";
    }
    return {};
  }
  if (!detail::SameState(first, second)) return "packing the same input twice left different state";

  std::string problem = detail::CheckState(first);
  if (problem.empty()) problem = detail::CheckConsole(out.console);
  if (problem.empty()) problem = detail::CheckCharacters("the_defines.a", out.defines);
  if (problem.empty()) problem = detail::CheckDataFile(out.data, first);
  if (problem.empty()) problem = detail::CheckState(crunched);
  if (problem.empty()) problem = detail::CheckConsole(crunchedOut.console);
  if (problem.empty()) problem = detail::CheckCharacters("the_defines.a", crunchedOut.defines);
  if (problem.empty()) problem = detail::CheckDataFile(crunchedOut.data, crunched);
  if (problem.empty()) problem = detail::CheckCrunched(first, out, crunched, crunchedOut);
  return problem;
}

}  // namespace zspack::fuzzing
