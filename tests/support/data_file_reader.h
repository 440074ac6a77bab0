// ReadDataFile: the tables a player finds in a data file's text, read the way the
// assembler lays the text out: the "!by" values one after the other in memory, every
// label at its address, "<label" and ">label" resolved once the whole text is read; then
// each table taken from memory as the player walks it, never from what the writer meant.
#pragma once

#include <string>
#include <string_view>

#include "output/data_tables.h"

namespace zspack::testing {

// Where the read data is laid out; any address serves, as the player finds every table
// through a label.
inline constexpr uint32_t kReadBase = 0x1000;

// False, with `error` naming the line or table, for a text that cannot be read: a line
// that is not a label, a "label = *-1" or a "!by" line; a value that is not a byte; a
// label defined twice or referred to but never defined; a table label missing; tunedats
// not whole song records; sector address lists of two lengths; an address outside the data.
bool TryReadDataFile(std::string_view text, DataTables& tables, std::string& error);

// The same, a text that cannot be read failing the test (and giving empty tables).
DataTables ReadDataFile(std::string_view text);

// How many bytes the text puts into the program: one per "!by" value (a text that cannot
// be read fails the test).
size_t AssembledBytes(std::string_view text);

// Where two sets of tables first differ, empty when they are equal. DataTables' defaulted
// == cannot stand in: SongTables has no ==, which leaves that one deleted.
std::string TablesDiffer(const DataTables& a, const DataTables& b);

}  // namespace zspack::testing
