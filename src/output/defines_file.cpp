#include "output/defines_file.h"

#include "common/text.h"
#include "output/defines_file_tables.h"
#include "output/hex_byte.h"

namespace zspack {

namespace {

void AppendDefine(std::string& out, std::string_view name) {
  out += '\t';
  out += name;
  out += kEol;
}

void AppendValueDefine(std::string& out, std::string_view name, long value) {
  out += '\t';
  out += name;
  out += " = ";
  AppendNumber(out, value);
  out += kEol;
}

// Since release 0.97 ACME reads a backslash in a string as an escape, so each one is
// doubled for the file ACME writes to be the one the user named.
void AppendOutputName(std::string& out, std::string_view name) {
  for (const char c : name) {
    if (c == '\\') out += '\\';
    out += c;
  }
}

constexpr Feature kTuners[] = {Feature::kTuneAd, Feature::kTuneSr, Feature::kTuneFf,
                               Feature::kTuneFp, Feature::kTunePp};

}  // namespace

std::string RenderDefinesFile(const PackOptions& options, const FeatureState& features) {
  constexpr size_t kLongestText = 1024;  // every define and both names fit many times over
  std::string out;
  out.reserve(kLongestText + options.InputName.size() + 2 * options.OutputName.size());

  // The one Latin-1 byte of the generated files: the u-umlaut of "für".
  out += ";Defines f\xFCr ";
  AppendCommentSafe(out, options.InputName);
  out += kEol;
  out += ';';
  out += kEol;
  if (options.PsidFlag) {
    AppendValueDefine(out, kSidModel, options.SidType);
    out += "\t!SRC \"PSID_header.a\"";
    out += kEol;
  } else {
    constexpr unsigned kHighByteShift = 8;
    out += "\t* = ";
    out += HexByte(static_cast<long>(options.StartAddress >> kHighByteShift));
    out += HexDigits(static_cast<long>(options.StartAddress));
    out += kEol;
  }
  out += kEol;
  out += "\t!to \"";
  AppendOutputName(out, options.OutputName);
  if (options.PsidFlag) out += ".sid";
  out += '"';
  out += kEol;
  out += kEol;

  if (features.SelectedSong) AppendValueDefine(out, kOnlySong, 0);
  if (features.SingleSpeed) AppendValueDefine(out, kSingleSpeed, *features.SingleSpeed);
  if (features.MultiSpeed && *features.MultiSpeed > 0) AppendValueDefine(out, kMultiSpeed, *features.MultiSpeed);

  for (size_t i = 0; i < kFeatureCount; ++i) {
    if (features.flags[i]) AppendDefine(out, kFeatureDefines[i]);
  }

  for (const std::string_view line : {";...", ";kreiert aus diesen Obigen ...", ";..."}) {
    out += line;
    out += kEol;
  }
  for (const DerivedDefine& derived : kDerivedDefines) {
    if (derived.holds(features)) AppendDefine(out, derived.name);
  }

  int tuners = 0;
  for (const Feature t : kTuners) tuners += features.Has(t) ? 1 : 0;
  if (tuners > 0) {
    AppendDefine(out, kAnyTuner);
    AppendValueDefine(out, kTunerCount, tuners);
  }
  if (tuners > 0 || features.Has(Feature::kTieNotes)) AppendDefine(out, kTieOrTune);

  out += ";...";
  out += kEol;
  return out;
}

}  // namespace zspack
