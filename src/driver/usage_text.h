// The banner and the usage text, byte for byte, with "\n" line ends.
#pragma once

#include <string_view>

namespace zspack {

inline constexpr std::string_view kBanner =
    "ZEPHYRSONGWORKSHOPCOMPOSERSUITE v3.2 - Music Packer version 0.0\n"
    "===============================================================\n";

inline constexpr std::string_view kUsageText =
    "Invocation:  zspack.exe [switches] infile outfile\n"
    "\n"
    "<infile> needs to be a binary C=64 file created with ZSWCS v3.2.\n"
    "<outfile> will be a binary C=64 file, containing the Music with a Player\n"
    "from either $1000 or a specified address.  This file might be used by\n"
    "once for initilization:          lda #songnumber\n"
    "                                 jsr $1000   [jsr _specified_address_]\n"
    "\n"
    "do a 'jsr $1003' [jsr _specified_address_+3] with the appropriate rate\n"
    "(i.E. Framerate, twice per frame, ...) after init for playback.\n"
    "\n"
    "If you need to change the master volume at any time, call a c0desequence\n"
    "like:  lda #newvolume   ;newvolume is in [0..$0f]\n"
    "       jsr $1006 / jsr _specified_address_ + 6\n"
    "\n"
    "switches: -sX      only pack song #X\n"
    "          -aXXXX   select startadress XXXX for the music\n"
    "          -c       crunch - use various algorithms to pack the musicdata\n"
    "                   a little more tight ;-)\n"
    "          -pX      Create PSID-file, directly playable with SIDplay.\n"
    "                   X=0 SIDtype unknown, X=1: oldsid, X=2: newsid, X=3: anysid\n";

}  // namespace zspack
