#include "output/defines_file.h"

#include <array>
#include <initializer_list>

#include "common/text.h"
#include "output/hex_byte.h"

namespace zspack {

namespace {

// The defines that carry a value or pick the header, as the player sources name them.
constexpr std::string_view kSidModel = "_SIDMODEL_";
constexpr std::string_view kOnlySong = "_ONLY_SONG_";
constexpr std::string_view kSingleSpeed = "_SINGLE_SPEED_";
constexpr std::string_view kMultiSpeed = "_MULTISPEED_";
constexpr std::string_view kAnyTuner = "_ANYTUNER_";
constexpr std::string_view kTunerCount = "tc";
constexpr std::string_view kTieOrTune = "_TIE_OR_TUNE_";
constexpr std::array kValueDefines = {kSidModel, kOnlySong, kSingleSpeed, kMultiSpeed,
                                      kAnyTuner, kTunerCount, kTieOrTune};

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

struct DerivedDefine {
  std::string_view name;
  bool (*holds)(const FeatureState&);
};

bool Any(const FeatureState& f, std::initializer_list<Feature> list) {
  for (const Feature x : list) {
    if (f.Has(x)) return true;
  }
  return false;
}

constexpr DerivedDefine kDerivedDefines[] = {
    {"_TRANSREP_", [](const FeatureState& f) { return Any(f, {Feature::kRepeat, Feature::kTranspose}); }},
    {"_HR01_", [](const FeatureState& f) { return Any(f, {Feature::kHr0, Feature::kHr1}); }},
    {"_HR23_", [](const FeatureState& f) { return Any(f, {Feature::kHr2, Feature::kHr3}); }},
    {"_ONLY_HR3_",
     [](const FeatureState& f) {
       return f.Has(Feature::kHr3) && !Any(f, {Feature::kHr0, Feature::kHr1, Feature::kHr2});
     }},
    {"_LOOPASK_",
     [](const FeatureState& f) { return Any(f, {Feature::kEnd, Feature::kSetMvl, Feature::kSongChange}); }},
    {"_ENDASK_", [](const FeatureState& f) { return Any(f, {Feature::kSetMvl, Feature::kSongChange}); }},
    {"_SONGASK_", [](const FeatureState& f) { return Any(f, {Feature::kLoop, Feature::kEnd}); }},
    {"_NOLOOPEN_", [](const FeatureState& f) { return !Any(f, {Feature::kEnd, Feature::kLoop}); }},
    {"_ONLY_MVL_",
     [](const FeatureState& f) { return !Any(f, {Feature::kEnd, Feature::kLoop, Feature::kSongChange}); }},
    {"_SONGCHANGE_unten_",
     [](const FeatureState& f) {
       return f.Has(Feature::kSongChange) && (f.Has(Feature::kLoop) != f.Has(Feature::kEnd));
     }},
};

constexpr Feature kTuners[] = {Feature::kTuneAd, Feature::kTuneSr, Feature::kTuneFf,
                               Feature::kTuneFp, Feature::kTunePp};

constexpr auto kAllDefineNames = [] {
  std::array<std::string_view,
             std::size(kValueDefines) + kFeatureCount + std::size(kDerivedDefines)> names{};
  size_t n = 0;
  for (const std::string_view name : kValueDefines) names[n++] = name;
  for (const std::string_view name : kFeatureDefines) names[n++] = name;
  for (const DerivedDefine& derived : kDerivedDefines) names[n++] = derived.name;
  return names;
}();

}  // namespace

std::span<const std::string_view> DefinesFileNames() { return kAllDefineNames; }

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
