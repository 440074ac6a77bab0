#include "features/defines_file.h"

#include "explore/map_text.h"
#include "output/data_file.h"
#include "output/hex_byte.h"

namespace zspack {

namespace {

constexpr std::string_view kEol = "\r\n";

void AppendDefine(std::string& out, std::string_view name) {
  out += '\t';
  out += name;
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

}  // namespace

std::string RenderDefinesFile(const RunOptions& options, const FeatureState& features) {
  std::string out;
  out.reserve(1024);

  out += ";Defines f\xFCr ";
  AppendCommentSafe(out, options.InputName);
  out += "\r\n;\r\n";
  if (options.PsidFlag) {
    out += "\t_SIDMODEL_ = ";
    AppendNumber(out, options.SidType);
    out += "\r\n\t!SRC \"PSID_header.a\"\r\n";
  } else {
    out += "\t* = ";
    out += HexByte(static_cast<long>(options.StartAddress >> 8));
    out += HexDigits(static_cast<long>(options.StartAddress));
    out += kEol;
  }
  out += kEol;
  out += "\t!to \"";
  AppendOutputName(out, options.OutputName);
  if (options.PsidFlag) out += ".sid";
  out += "\"\r\n\r\n";

  if (features.SelectedSong != -1) out += "\t_ONLY_SONG_ = 0\r\n";
  if (features.SingleSpeed != -1) {
    out += "\t_SINGLE_SPEED_ = ";
    AppendNumber(out, features.SingleSpeed);
    out += kEol;
  }
  if (features.MultiSpeed > 0) {
    out += "\t_MULTISPEED_ = ";
    AppendNumber(out, features.MultiSpeed);
    out += kEol;
  }

  for (size_t i = 0; i < kFeatureCount; ++i) {
    if (features.flags[i]) AppendDefine(out, kFeatureDefines[i]);
  }

  out += ";...\r\n;kreiert aus diesen Obigen ...\r\n;...\r\n";
  for (const DerivedDefine& derived : kDerivedDefines) {
    if (derived.holds(features)) AppendDefine(out, derived.name);
  }

  int tuners = 0;
  for (const Feature t : kTuners) tuners += features.Has(t) ? 1 : 0;
  if (tuners > 0) {
    AppendDefine(out, "_ANYTUNER_");
    out += "\ttc = ";
    AppendNumber(out, tuners);
    out += kEol;
  }
  if (tuners > 0 || features.Has(Feature::kTieNotes)) AppendDefine(out, "_TIE_OR_TUNE_");

  out += ";...\r\n";
  return out;
}

}  // namespace zspack
