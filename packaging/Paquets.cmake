# The two Debian packages, made by CPack from the install rules: `kovra` (the tray program,
# kovra-cli, kovra-terminal, the default data files and the stand-in transfer library in a
# private folder) and `tallyra` (tallyra and tallyra-ledger). Build them with
# `cpack -G DEB` in a build folder.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kovra)
set(CPACK_PACKAGE_VENDOR Ruduvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ruduvo <kovra@ruduvo.example>")
# The menu entries name their programs under CMAKE_INSTALL_PREFIX: scripts/paquets.sh
# configures the release build with /usr, the packages' own prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL kovra tallyra)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ruduvo.example/kovra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Library dependencies are read from the programs themselves by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_KOVRA_PACKAGE_NAME kovra)
set(CPACK_DEBIAN_TALLYRA_PACKAGE_NAME tallyra)
set(CPACK_DEBIAN_TALLYRA_PACKAGE_SECTION misc)
# Qt loads these at run time, where dpkg-shlibdeps cannot see them: the X11 platform
# plugin, the SQLite driver, the SVG icon engine, and Qt's own French texts for the dialogs it
# draws (Oui / Non, Annuler, the file dialog); Tallyra talks over the session bus.
set(CPACK_DEBIAN_KOVRA_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6sql6-sqlite, libqt6svg6, qt6-translations-l10n")
set(CPACK_DEBIAN_TALLYRA_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6sql6-sqlite, dbus, qt6-translations-l10n")

set(CPACK_COMPONENT_KOVRA_DESCRIPTION
    "links hand-held barcode terminals to the applications of the PC
Kovra receives what the operator scanned on a hand-held terminal over a serial
port, cuts it into fields and, following the chosen scenario, types the result
into the focused application as keystrokes (X11, or Wayland: wlroots desktops,
KDE Plasma, GNOME) or writes it to a file. It
lives in the notification area. kovra-cli runs the same code from scripts and
diagnoses the machine (kovra-cli doctor); kovra-terminal plays a terminal on a
serial line for trying Kovra without one.")
set(CPACK_COMPONENT_TALLYRA_DESCRIPTION
    "posts a barcode terminal's inventory file to the management application
Tallyra reads the inventory file a terminal produced, looks every article up in
the article database and posts the inventory of a depot to the Ledgra
management application over the D-Bus session bus, in its window or from a
script (tallyra --batch). tallyra-ledger is a stand-in management application
for trying it.")

include(CPack)
