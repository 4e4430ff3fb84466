# The Debian package (make deb), made by CPack's DEB generator from the
# install rules with the prefix /usr. See packaging/README.md.
set(POCOSA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# What Debian asks of every package: the copyright and changelog files, and
# manual pages kept gzipped. Only the package installs these.
set(POCOSA_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/pocosa)
install(FILES ${POCOSA_PACKAGING_DIR}/copyright DESTINATION ${POCOSA_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)
install(CODE "
  set(docdir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${POCOSA_DOCDIR}\")
  file(MAKE_DIRECTORY \"\${docdir}\")
  execute_process(COMMAND gzip -9nc \"${POCOSA_PACKAGING_DIR}/changelog\"
                  OUTPUT_FILE \"\${docdir}/changelog.gz\" COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB pages \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/*.1\"
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/ja/man1/*.1\")
  foreach(page IN LISTS pages)
    execute_process(COMMAND gzip -9nf \"\${page}\" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
" COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pocosa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora <pocosa@velmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small kitchen timer that floats on the desktop")
set(CPACK_PACKAGE_DESCRIPTION "Pocosa is a kitchen timer in one small borderless window shaped like a
picture you choose. Set minutes and seconds with two round buttons, start
it, and it counts down once a second. At 00:00 the digits blink, the window
comes to the front and a chime plays every five seconds until you stop it.
Started from 00:00 it counts up instead.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The program's own files and the documentation of the package, nothing of
# the test and benchmark libraries.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/"
                                 "${CMAKE_BINARY_DIR};${PROJECT_NAME};deb;/")
set(CPACK_DEB_COMPONENT_INSTALL OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vlm.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so invisible to dpkg-shlibdeps: the platform plugins
# (X11 in libqt6gui6, Wayland in qt6-wayland) and the fonts the layouts'
# faces are replaced with. The sound module's libpulse0 and
# libsndfile1 are found by dpkg-shlibdeps, as the module links them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic, fonts-roboto-unhinted, fonts-dejavu-core")
# Qt's own texts in Japanese (qtbase_ja.qm) come with qt6-translations-l10n.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${POCOSA_PACKAGING_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
