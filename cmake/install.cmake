# Install rules. On Linux and the like: bin/zspack, the manual page, the documents in
# share/doc/zspack/ and the stand-in sources with the demo tune in share/zspack/examples/.
# The Debian package takes the compressed manual page, a Debian changelog and a copyright
# file in place of the plain manual page and LICENSE (component "debian", which a plain
# `cmake --install` leaves out). On Windows: the layout of the zip, zspack.exe at the top,
# the texts with CR LF line ends and the stand-ins in examples\.
include(GNUInstallDirs)

set(ZSPACK_EXAMPLE_FILES
  ${PROJECT_SOURCE_DIR}/examples/MakeMe.a
  ${PROJECT_SOURCE_DIR}/examples/PSID_header.a
  ${PROJECT_SOURCE_DIR}/examples/placeholder_player.a
  ${PROJECT_SOURCE_DIR}/examples/demo.prg)

if(WIN32)
  # Copies a text file with CR LF line ends, rewriting it only when it changed.
  function(zspack_copy_as_crlf source target)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    set(old "")
    if(EXISTS ${target})
      file(READ ${target} old)
    endif()
    if(NOT old STREQUAL text)
      file(WRITE ${target} "${text}")
    endif()
  endfunction()

  install(TARGETS zspack RUNTIME DESTINATION .)
  foreach(pair README.md:README.txt LICENSE:LICENSE.txt CHANGELOG.md:CHANGELOG.txt
               docs/generated-sources.md:generated-sources.txt)
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 target)
    zspack_copy_as_crlf(${PROJECT_SOURCE_DIR}/${source} ${PROJECT_BINARY_DIR}/zip/${target})
    install(FILES ${PROJECT_BINARY_DIR}/zip/${target} DESTINATION .)
  endforeach()
  install(FILES ${ZSPACK_EXAMPLE_FILES} DESTINATION examples)
  return()
endif()

configure_file(${PROJECT_SOURCE_DIR}/docs/zspack.1.in ${PROJECT_BINARY_DIR}/zspack.1 @ONLY)

install(TARGETS zspack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zspack)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
              ${PROJECT_SOURCE_DIR}/docs/generated-sources.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT zspack)
install(FILES ${ZSPACK_EXAMPLE_FILES}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zspack/examples COMPONENT zspack)

install(FILES ${PROJECT_BINARY_DIR}/zspack.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT plain)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT plain)

# --- The Debian package's own files ---------------------------------------------------
set(ZSPACK_PACKAGE_MAINTAINER "The zspack developers <zspack@users.noreply.invalid>" CACHE STRING
    "Maintainer of the Debian package: name and address")
find_program(ZSPACK_GZIP gzip)
if(NOT ZSPACK_GZIP)
  message(STATUS "gzip not found: no files for the Debian package")
  return()
endif()

# copyright in the machine-readable form: the LICENSE text as the Expat licence paragraph,
# each line indented by one blank and empty lines written as " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE zspack_license_lines)
set(zspack_license_text "")
set(zspack_in_terms OFF)
foreach(line IN LISTS zspack_license_lines)
  if(line MATCHES "^Permission is hereby granted")
    set(zspack_in_terms ON)
  endif()
  if(zspack_in_terms)
    if(line STREQUAL "")
      string(APPEND zspack_license_text " .\n")
    else()
      string(APPEND zspack_license_text " ${line}\n")
    endif()
  endif()
endforeach()
string(REGEX REPLACE "\n$" "" zspack_license_text "${zspack_license_text}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)

# gzip -9n: the smallest files, with no name or time in them, as Debian expects.
foreach(file zspack.1 debian/changelog)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${file}.gz
    COMMAND ${ZSPACK_GZIP} -9nc ${PROJECT_BINARY_DIR}/${file} > ${PROJECT_BINARY_DIR}/${file}.gz
    DEPENDS ${PROJECT_BINARY_DIR}/${file} VERBATIM)
endforeach()
add_custom_target(zspack_debian_files ALL
  DEPENDS ${PROJECT_BINARY_DIR}/zspack.1.gz ${PROJECT_BINARY_DIR}/debian/changelog.gz)

install(FILES ${PROJECT_BINARY_DIR}/zspack.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zspack
        COMPONENT debian EXCLUDE_FROM_ALL)
