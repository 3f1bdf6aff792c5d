# The Debian package, built with CPack: parlane_VERSION_ARCH.deb. Its library
# dependencies come from dpkg-shlibdeps; the recommended packages cover what
# the program uses at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Parlane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Telnet and dial-up modem terminal sessions")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_PACKAGE_NAME parlane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Parlane developers <developers@parlane.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://parlane.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A display platform for Qt (X11 comes with Qt's GUI library, Wayland and the
# desktop's palette with these), a terminal font, the desktop's own programs
# (help viewer, editor, terminal), a printing system and a sound server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, qt6-gtk-platformtheme | qt6-xdgdesktopportal-platformtheme, fonts-dejavu-core, xdg-utils, xterm | x-terminal-emulator, cups-client, pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "orca")
# The first line of the control file's description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Parlane is a desktop communications program. One window holds any number of
terminal sessions: Telnet client sessions, one dial-up session through a
Hayes modem on a serial port, and a Telnet host mode server that opens a
session for every client that connects.

Sessions emulate TTY, VT100, PC ANSI and SCO ANSI terminals with scroll-back,
key mapping, capture and printing. Files are sent and received with the
built-in Zmodem and Ymodem-G engines; a phonebook keeps hosts, numbers and
login scripts. The tools parlane-render, parlane-config and parlane-xfer
render byte streams, edit the settings files and transfer files from the
command line.")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
