# The Debian package that `cpack -G DEB` makes from a build folder; scripts/package
# configures that folder for /usr, builds the package and checks it with lintian.
# SPDX-License-Identifier: GPL-2.0-or-later


set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sabletide)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Orvane <sabletide@orvane.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://orvane.org/sabletide/)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# Built by its own upstream, the package is native: its version is the
# program's, without a Debian revision, and its changelog is changelog.gz.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "converter of audio files into WAV files of one exact size
Sabletide turns audio files of any format that libsox reads (WAV, FLAC,
AIFF, Ogg Vorbis, MP3 and more) into signed-integer PCM WAV files of one
fixed sample rate, channel count and bit depth, each of one exact size in
bytes, for samplers, embedded players, firmware images and game assets.

The package holds the Qt Quick window, sabletide, and the command-line
tool, sabletide-cli, which runs the same conversions for scripts and
build systems, several inputs at once.")
# Qt, libsox and the C++ runtime come from the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no linked library names: the QML modules the window imports (added from
# the packaged QML files at packaging time), the SVG plugin that draws its
# icon, and the libsox format plugins, without which it reads no FLAC, Ogg or MP3.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5svg5, libsox-fmt-all")
# Qt's own words (its dialogs, the command-line help) in the language of the
# window's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qttranslations5-l10n)

# Passed to packaging/debian-files.cmake, which CPack runs on the staged files.
set(CPACK_SABLETIDE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_SABLETIDE_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/sabletide)
get_target_property(qmake Qt5::qmake IMPORTED_LOCATION)
execute_process(COMMAND ${qmake} -query QT_INSTALL_QML
                OUTPUT_VARIABLE CPACK_SABLETIDE_QML_DIR OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/debian-files.cmake)

include(CPack)
