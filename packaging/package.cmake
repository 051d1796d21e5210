# The Debian package, built by scripts/package: cpack -G DEB over the install rules above, so
# the package holds exactly what `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolva-dsp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TOLVA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live tuning of a USB car-audio DSP unit")
# Lines under 80 characters: apt shows them as they are.
set(CPACK_PACKAGE_DESCRIPTION
    "Tolva DSP Audio reads every setting of a Tolva car-audio signal processor
over USB, shows them in one window and sends each change to the unit at once:
speaker roles, routing, gain, delay, polarity, crossovers and a 31-band EQ per
output, the ten scenes the unit stores, scene and whole-unit profile files,
room correction and firmware upgrades, in a Chinese or English interface.

The package also holds tolva-dsp-cli, the same operations for scripts,
tolva-dsp-emulator, an emulated unit for trying the program without hardware,
and a udev rule that lets the user at the seat open the unit.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Depends is read from the binaries by dpkg-shlibdeps. The Chinese interface needs a CJK font,
# which no binary links, and Qt's translations for the file dialogs' own texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/postinst
                                       ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
