# The catalogs: resources/translations/<name>.ts, kept in the repository and
# brought up to date with lupdate (tests/translations checks that they are),
# become build/bin/translations/<name>.qm beside the program, made by lrelease
# from Debian's qt6-l10n-tools (found beside Qt's own tools; no Qt6LinguistTools
# package needed).
find_program(POCOSA_LRELEASE NAMES lrelease lrelease-qt6
             HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_LIBEXECS}
                   /usr/lib/qt6/bin)
find_program(POCOSA_LUPDATE NAMES lupdate lupdate-qt6
             HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_LIBEXECS}
                   /usr/lib/qt6/bin)
if(NOT POCOSA_LRELEASE)
  message(FATAL_ERROR "lrelease not found: install qt6-l10n-tools (tools/install-deps.sh)")
endif()

file(GLOB catalogs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/translations/*.ts)
set(qm_files)
foreach(ts IN LISTS catalogs)
  get_filename_component(name ${ts} NAME_WE)
  set(qm ${POCOSA_BIN_DIR}/translations/${name}.qm)
  add_custom_command(OUTPUT ${qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${POCOSA_BIN_DIR}/translations
    COMMAND ${POCOSA_LRELEASE} -silent ${ts} -qm ${qm}
    DEPENDS ${ts}
    COMMENT "Making ${name}.qm"
    VERBATIM)
  list(APPEND qm_files ${qm})
endforeach()
add_custom_target(pocosa_translations ALL DEPENDS ${qm_files})
foreach(program pocosa pocosa-archive pocosa-picture)
  if(TARGET ${program})
    add_dependencies(${program} pocosa_translations)
  endif()
endforeach()
install(FILES ${qm_files} DESTINATION ${POCOSA_INSTALL_APPDIR}/translations)
