# The Debian package (scripts/package.sh): ostrand_<version>_amd64.deb with
# the three programs, their shared files, the desktop entry, icons and
# manual pages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_NAME ostrand)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ostrand developers <ostrand@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Setup wizard and tools for M-Bus gateways")
# The first line of the control file's description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Finds M-Bus gateways on the local network, gives them addresses, pings them,
changes their network settings, works with the meters behind them and tests
their Modbus and ASCII front ends, with every byte shown in a log window.
Includes ostrand-cli, the same operations for scripts, and ostrand-sim, a
simulated gateway with meters for training and tests.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link to are read off the programs themselves
# (dpkg-shlibdeps); among them libqt6svg6, which also brings the SVG image
# and icon plugins the wizard loads, and libqt6gui6 with the X11 window
# plugin.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialog texts (file dialogs, message box buttons) in German.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
include(CPack)
