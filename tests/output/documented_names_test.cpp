// The documents cannot drift from the program: the guide for player authors names every
// define and label that the renderers can write, taken from the renderers' own tables, and
// the README's troubleshooting table names every message that a run can end with.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

#include "driver/outcome.h"
#include "output/data_file_tables.h"
#include "output/defines_file_tables.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// True when `text` holds the name in backquotes as the files show it: `name`, a define with
// its value `name = N`, or for a label stem such as ".trk" a numbered label `.trk00`.
bool NamesInBackquotes(std::string_view text, std::string_view name) {
  const std::string opening = "`" + std::string(name);
  for (size_t at = text.find(opening); at != std::string_view::npos; at = text.find(opening, at + 1)) {
    const std::string_view rest = text.substr(at + opening.size());
    if (rest.starts_with('`') || rest.starts_with(" = ")) return true;
    if (rest.size() >= 3 && std::isxdigit(static_cast<unsigned char>(rest[0])) &&
        std::isxdigit(static_cast<unsigned char>(rest[1])) && rest[2] == '`') {
      return true;
    }
  }
  return false;
}

TEST(DocumentedNames, GuideNamesEveryDefineAndLabel) {
  const std::string guide = ReadText(std::string(ZSPACK_SOURCE_DIR) + "/docs/generated-sources.md");
  ASSERT_FALSE(guide.empty());
  const struct {
    const char* file;
    std::span<const std::string_view> names;
  } kRenderers[] = {
      {"the_defines.a", kDefinesFileNames},
      {"the_data.a", kDataFileLabels},
  };
  for (const auto& renderer : kRenderers) {
    EXPECT_GT(renderer.names.size(), 5u) << renderer.file;
    for (const std::string_view name : renderer.names) {
      EXPECT_TRUE(NamesInBackquotes(guide, name))
          << "docs/generated-sources.md does not name " << name << " of " << renderer.file;
    }
  }
}

TEST(DocumentedNames, TroubleshootingTableNamesEveryMessage) {
  const std::string readme = ReadText(std::string(ZSPACK_SOURCE_DIR) + "/README.md");
  const size_t table = readme.find("### Troubleshooting");
  ASSERT_NE(table, std::string::npos) << "README.md has no troubleshooting table";
  const std::string_view troubleshooting = std::string_view(readme).substr(table);
  for (int i = 0; i < static_cast<int>(Outcome::kCount); ++i) {
    const OutcomeReport& report = ReportFor(static_cast<Outcome>(i));
    const std::string message = report.runtimeError ? "Runtime error " + std::to_string(report.exitCode)
                                                    : std::string(report.message);
    if (message.empty()) continue;
    EXPECT_NE(troubleshooting.find("`" + message), std::string_view::npos)
        << "the README's troubleshooting table does not name \"" << message << '"';
  }
}

}  // namespace
}  // namespace zspack::testing
