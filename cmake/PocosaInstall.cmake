# Installation layout:
#   <prefix>/lib/pocosa/     pocosa, pocosa-sound.so, timer.wav, backimage/, resource/, translations/
#                            (the program folder)
#   <prefix>/bin/pocosa      relative symlink to ../lib/pocosa/pocosa
#   <prefix>/bin/pocosa-*    the command-line tools
#   <prefix>/share/...       desktop entry, icons, AppStream metainfo, manual pages
#   <sysconfdir>/xdg/velmora/pocosa.ini   the machine-wide record of the install folder

install(TARGETS pocosa RUNTIME DESTINATION ${POCOSA_INSTALL_APPDIR})
install(TARGETS pocosa-sound LIBRARY DESTINATION ${POCOSA_INSTALL_APPDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/timer.wav DESTINATION ${POCOSA_INSTALL_APPDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/backimage)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/backimage/ DESTINATION ${POCOSA_INSTALL_APPDIR}/backimage
          FILES_MATCHING PATTERN "*.png" PATTERN "*.jpg" PATTERN "*.jpeg" PATTERN "*.jpx" PATTERN "*.bmp")
else()
  install(DIRECTORY DESTINATION ${POCOSA_INSTALL_APPDIR}/backimage)
endif()
install(DIRECTORY DESTINATION ${POCOSA_INSTALL_APPDIR}/resource)

foreach(tool pocosa-picture pocosa-archive)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(CODE "
  set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bindir}\")
  file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
       \"\${CMAKE_INSTALL_PREFIX}/${POCOSA_INSTALL_APPDIR}/pocosa\")
  file(REMOVE \"\${bindir}/pocosa\")
  file(CREATE_LINK \"\${target}\" \"\${bindir}/pocosa\" SYMBOLIC)
  message(STATUS \"Installing: \${bindir}/pocosa -> \${target}\")
")

# The machine-wide record of the install folder, read as the key "AppDir".
install(CODE "
  # The prefix may be given only now (cmake --install --prefix): place etc/ by it.
  if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"/usr\")
    set(sysconf \"/etc\")
  else()
    set(sysconf \"\${CMAKE_INSTALL_PREFIX}/etc\")
  endif()
  set(confdir \"\$ENV{DESTDIR}\${sysconf}/xdg/velmora\")
  file(MAKE_DIRECTORY \"\${confdir}\")
  file(WRITE \"\${confdir}/pocosa.ini\"
       \"[General]\\nAppDir=\${CMAKE_INSTALL_PREFIX}/${POCOSA_INSTALL_APPDIR}\\n\")
  message(STATUS \"Installing: \${confdir}/pocosa.ini\")
")

install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/org.velmora.Pocosa.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/org.velmora.Pocosa.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/pocosa.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/ja/pocosa.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
foreach(tool pocosa-picture pocosa-archive)
  if(TARGET ${tool})
    install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/${tool}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
