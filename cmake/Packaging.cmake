# The Debian package (cpack -G DEB, see scripts/package).
#
# Only the install component "quillet" goes in: the program, its sign-in sheet's web engine
# module (lib/quillet, loaded at the first sign-in), its bundle, the desktop entry, the
# AppStream description and the icons. The development server and the tests install nothing
# into it. The program finds its bundle relative to itself, so the package's /usr prefix needs
# no change to the build.

# The program links only system libraries: it needs no run path of its own once installed.
set_target_properties(quillet quillet-webengine PROPERTIES INSTALL_RPATH "")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR Northwick)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillet is a desktop composer for LinkedIn posts: a plain-text editor that formats by
rewriting characters, a live preview of the post, drafts kept on the machine and synced
with Quillet's server, publishing, an AI rewrite with the user's own key, daily reminders
and insight cards.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};quillet;/")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER Northwick)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://northwick.com/quillet/)

# Shared libraries are found by dpkg-shlibdeps. What the program loads only at run time is
# listed here: the QML modules its screens import (and those they pull in), the platform
# plugins that open a window, the SVG image plugin and the icon theme behind its symbols.
set(quillet_runtime_packages
    qt6-qpa-plugins
    libqt6svg6
    adwaita-icon-theme
    qml6-module-qtqml
    qml6-module-qtqml-workerscript
    qml6-module-qtquick
    qml6-module-qtquick-window
    qml6-module-qtquick-layouts
    qml6-module-qtquick-controls
    qml6-module-qtquick-templates
    qml6-module-qtquick-shapes
    qml6-module-qtquick-dialogs
    qml6-module-qtcore
    qml6-module-qt-labs-folderlistmodel
    qml6-module-qtwebengine
    qml6-module-qtwebchannel)
list(JOIN quillet_runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Desktop services the program uses when they are there and does without otherwise: the
# session bus (notifications, keychain), a Secret Service for the keychain, a browser opener
# and native Wayland windows.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "default-dbus-session-bus | dbus-session-bus, gnome-keyring | libkf5wallet-bin, xdg-utils, qt6-wayland")

include(CPack)
