#include "crunch/crunch_report.h"

#include "common/text.h"

namespace zspack {

void AppendCrunchReport(std::string& console, const CrunchReport& crunched, int bytesBefore, int bytesAfter) {
  console += "Crunching music data ... ";
  AppendNumber(console, bytesBefore);
  console += " -> ";
  AppendNumber(console, bytesAfter);
  console += " bytes.\n";
  if (crunched.unfollowable) {
    console += "nothing crunched: a track or sector of the packed songs has no end, or a track loops from its last entry.\n";
    return;
  }
  for (size_t t = 0; t < kProgramTables; ++t) {
    const LeftAsIs why = crunched.leftAsIs[t];
    if (why == LeftAsIs::kNo) continue;
    console += kProgramTableNames[t];
    console += why == LeftAsIs::kReadsOutside ? " table left as it is: a program reads rows that are not written.\n"
                                              : " table left as it is: a row is a value to one program and a link to another.\n";
  }
  for (size_t p = 0; p < kCrunchedParts; ++p) {
    const PartTally& tally = crunched.tally[p];
    if (tally.before == tally.after) continue;
    console += kCrunchedPartNames[p];
    console += ' ';
    AppendNumber(console, tally.before);
    console += " -> ";
    AppendNumber(console, tally.after);
    console += '\n';
  }
}

void AppendCrunchRefused(std::string& console) {
  console += "Crunching would change the music ... packed without crunching; please report this tune.\n";
}

}  // namespace zspack
