# Documents made at configure and build time from their sources and VERSION: the manual page,
# and for the Debian package its copyright and changelog files.

configure_file(doc/vardilo.1.in ${CMAKE_BINARY_DIR}/vardilo.1 @ONLY)

# Compressed without a name or time in the gzip header, so the bytes depend on the text alone.
function(vardilo_gzip source target)
  add_custom_command(OUTPUT ${target}
                     COMMAND gzip -9 -n -c ${source} > ${target}
                     DEPENDS ${source} VERBATIM)
endfunction()

if(NOT WIN32)
  set(VARDILO_MAN_PAGE_GZ ${CMAKE_BINARY_DIR}/vardilo.1.gz)
  vardilo_gzip(${CMAKE_BINARY_DIR}/vardilo.1 ${VARDILO_MAN_PAGE_GZ})
  add_custom_target(manual ALL DEPENDS ${VARDILO_MAN_PAGE_GZ})
endif()

if(VARDILO_DEB)
  # The machine-readable copyright file carries the licence text of LICENSE, indented, with
  # "." standing for its blank lines.
  file(READ LICENSE licence)
  string(REGEX REPLACE "\n$" "" licence "${licence}")
  string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REGEX REPLACE "\n" "\n " licence "${licence}")
  string(REGEX MATCH "Copyright \\(c\\) [^\n]*" notice "${licence}")
  string(REGEX REPLACE "^Copyright \\(c\\) " "" notice "${notice}")
  string(FIND "${licence}" "Permission is hereby granted" body_start)
  string(SUBSTRING "${licence}" ${body_start} -1 licence_body)
  set(VARDILO_DEBIAN_COPYRIGHT ${CMAKE_BINARY_DIR}/debian/copyright)
  configure_file(packaging/copyright.in ${VARDILO_DEBIAN_COPYRIGHT} @ONLY)

  # The date of the release is the date of its sources (SOURCE_DATE_EPOCH when set).
  string(TIMESTAMP VARDILO_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog.Debian @ONLY)
  set(VARDILO_DEBIAN_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
  vardilo_gzip(${CMAKE_BINARY_DIR}/debian/changelog.Debian ${VARDILO_DEBIAN_CHANGELOG_GZ})
  add_custom_target(debian_docs ALL DEPENDS ${VARDILO_DEBIAN_CHANGELOG_GZ})
endif()
