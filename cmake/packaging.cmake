# CPack: `cpack -G DEB` in a Linux build folder makes zspack_<version>_<arch>.deb;
# `cpack -G ZIP` in the MinGW-w64 build folder makes zspack-<version>-win64.zip.
set(CPACK_PACKAGE_NAME zspack)
set(CPACK_PACKAGE_VENDOR "The zspack developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music packer for ZSWCS v3.2 tracker files (Commodore 64)")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME zspack-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/sort-zip.cmake)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # One package of the installed files and the Debian ones, without the plain manual page.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL zspack debian)
  set(CPACK_DEBIAN_PACKAGE_NAME zspack)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZSPACK_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS acme)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS sidplayfp)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # CPack puts CPACK_PACKAGE_DESCRIPTION_SUMMARY in front as the synopsis line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"zspack packs Commodore 64 music made with the ZEPHYRSONGWORKSHOPCOMPOSERSUITE
tracker (ZSWCS v3.2). It depacks the program file that the tracker saved, finds
the songs, sectors, instruments, glides and table rows that the music uses,
renumbers and compacts them, and writes two sources for the ACME
cross-assembler, which then builds a C64 program with the player at $1000 or a
chosen address, or a PSID file for SID players.
.
The package holds stand-ins for the musician's main source, PSID header and
player, so that the whole way can be tried with the bundled demo tune; the
stand-in player plays no music.")
endif()
include(CPack)

# The packaged binary as Debian's strip leaves it: without the compilers' version strings,
# which lintian reports as an unneeded section.
if(NOT WIN32 AND CMAKE_OBJCOPY)
  add_custom_command(TARGET zspack POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:zspack> VERBATIM)
endif()
