# Where `cmake --install` puts Parlane: the program and the tools, the help
# pages, the icons, the desktop entry, the AppStream metadata and the manual
# pages, under the prefix in the usual places.
include(GNUInstallDirs)

set(PARLANE_APP_ID org.parlane.Parlane)
set(_data ${CMAKE_SOURCE_DIR}/data)

foreach(target parlane parlane-render parlane-config parlane-xfer)
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The help pages are HTML in data/help/.
if(EXISTS ${_data}/help)
  install(DIRECTORY ${_data}/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/parlane/help)
endif()

if(PARLANE_GUI)
  install(FILES ${_data}/icons/${PARLANE_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  file(GLOB _pngs ${_data}/icons/${PARLANE_APP_ID}-*.png)
  foreach(png ${_pngs})
    string(REGEX REPLACE ".*-([0-9]+)\\.png$" "\\1" size ${png})
    install(FILES ${png} RENAME ${PARLANE_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${_data}/desktop/${PARLANE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_data}/desktop/${PARLANE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Manual pages: scdoc sources in docs/man, made into compressed roff.
find_program(PARLANE_SCDOC scdoc)
find_program(PARLANE_GZIP gzip)
if(PARLANE_SCDOC AND PARLANE_GZIP)
  file(GLOB _pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.scd)
  set(_made)
  foreach(src ${_pages})
    get_filename_component(page ${src} NAME_WLE)  # parlane.1
    set(out ${CMAKE_BINARY_DIR}/man/${page})
    add_custom_command(
      OUTPUT ${out} ${out}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${PARLANE_SCDOC} < ${src} > ${out}
      COMMAND ${PARLANE_GZIP} -9nc ${out} > ${out}.gz
      DEPENDS ${src}
      COMMENT "Manual page ${page}"
      VERBATIM)
    list(APPEND _made ${out}.gz)
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${_made})
  install(FILES ${_made} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "scdoc or gzip not found: the manual pages are not built")
endif()

# The package's copyright and changelog, where Debian keeps them.
set(_docdir ${CMAKE_INSTALL_DATADIR}/doc/parlane)
install(FILES ${_data}/debian/copyright DESTINATION ${_docdir})
if(PARLANE_GZIP)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND ${PARLANE_GZIP} -9nc ${_data}/debian/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${_data}/debian/changelog
    VERBATIM)
  add_custom_target(parlane_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${_docdir})
endif()
