# `cpack -G DEB` (run by ./package) makes the Debian package of what `cmake --install`
# lays down, with /usr as the prefix: the program folder in /usr/lib/velmo-joiner, the
# /usr/bin link, the desktop entry with the video types it opens, and the icon.
set(VELMO_DOC_FOLDER share/doc/velmo-joiner)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${VELMO_DOC_FOLDER})
# Debian keeps a package's changelog and manual pages compressed, the same bytes at every build.
set(VELMO_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
set(VELMO_MANUAL ${CMAKE_BINARY_DIR}/velmo-joiner.1.gz)
foreach(pair "changelog|${VELMO_CHANGELOG}" "velmo-joiner.1|${VELMO_MANUAL}")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 compressed)
  add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/debian/${source} > ${compressed}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/${source})
endforeach()
add_custom_target(velmo_package_documents ALL DEPENDS ${VELMO_CHANGELOG} ${VELMO_MANUAL})
install(FILES ${VELMO_CHANGELOG} DESTINATION ${VELMO_DOC_FOLDER})
install(FILES ${VELMO_MANUAL} DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
# ./package builds what the package holds; the tests are not built for it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CPACK_PACKAGE_NAME velmo-joiner)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The desktop entry names the installed program, so the install runs with the real prefix
# under a staging root.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmo Software <support@velmo-software.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velmo-software.example/joiner/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "join video files of any common format into one file
Velmo AVI Video Joiner lists video files, joins them in list order into one
output file of a chosen profile (AVI, MPEG, MP4, WMV, MOV, VOB, ASF, FLV) and
shows the progress of the job. Files of one format can be joined without
re-encoding. The same job also runs in a terminal.")
# The libraries the two programs link come from dpkg-shlibdeps; these are the packages
# they use without linking them: MediaInfo is loaded at start-up, the encoder runs ffmpeg,
# Qt needs its window-system plugins, and files and folders are opened with xdg-open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmediainfo0v5, ffmpeg, qt6-qpa-plugins, xdg-utils")
include(CPack)
