# What `cmake --install` and `make package` ship: the program (src/app), its
# icons (data/icons), and here the data folder with the default character, the
# desktop entry, the AppStream metainfo and the Debian package description.
# Developer tools (acs-dump, the character generator, the screenshot and icon
# renderers) have no install rules and stay out.

set(QUORVIX_APP_ID "io.github.quorvix.QuorvixOptions")

# The data folder the program looks for next to its own bin folder
# (<prefix>/share/quorvix-options), so the install can be moved anywhere.
install(FILES "${QUORVIX_PIPWREN_ACS}"
        DESTINATION "${QUORVIX_DATA_SUBDIR}/Msagent/chars")

install(FILES "${PROJECT_SOURCE_DIR}/packaging/${QUORVIX_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

# The release entry carries the project's version; its date is the configure
# date unless SOURCE_DATE_EPOCH pins it for a reproducible build.
string(TIMESTAMP QUORVIX_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file("${PROJECT_SOURCE_DIR}/packaging/${QUORVIX_APP_ID}.metainfo.xml"
               "${PROJECT_BINARY_DIR}/packaging/${QUORVIX_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/packaging/${QUORVIX_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Debian package (cpack -G DEB). The libraries the program links come from
# dpkg-shlibdeps with the versions it finds; the packages named here are the
# ones the program loads at run time or cannot work without: the GStreamer
# elements behind Qt's media back end, the Japanese face the windows are drawn in,
# and Qt's own Japanese translations for the standard dialogs. (The X11 platform and
# image plugins ship with libqt6gui6, the audio plugins with libqt6multimedia6.)
set(CPACK_PACKAGE_NAME "quorvix-options")
set(CPACK_PACKAGE_VENDOR "The Quorvix developers")
set(CPACK_PACKAGE_CONTACT "The Quorvix developers <quorvix-options@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Option editor of the Quorvix mail checker (LAN edition)")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads every option of the Quorvix mail checker from the per-user store, shows them
in a tabbed window and writes them back on OK: timers, start-up switches, mail
programs, POP3 accounts with their popup colours, the agent character with its
animations and speech templates, reading volume and speed and the balloon font.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/quorvix/quorvix-options")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "quorvix-options")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "mail")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(quorvix_runtime_depends "gstreamer1.0-plugins-base, fonts-ipafont-gothic, qt6-translations-l10n")
find_program(QUORVIX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUORVIX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${quorvix_runtime_depends}")
else()
  # Without dpkg-shlibdeps, name the Qt libraries by hand.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), \
libqt6multimedia6 (>= 6.4), libxcb1, ${quorvix_runtime_depends}")
endif()
# No qt6-wayland: on a Wayland session the program runs through XWayland, the
# only way its character can be placed, kept on top and out of the task bar
# there. Desktops with Wayland sessions bring XWayland along; minimal ones may not,
# and then the program falls back to native Wayland (see README).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xwayland")

include(CPack)
