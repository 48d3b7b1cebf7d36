# `cmake --install`: the player and what it finds at run time, in the GNU layout.
#   bin/zvp
#   libexec/zvp/Hopover                      (when the relauncher is built)
#   libexec/zvp/Faultpost                    the crash report dialog (CAppFolder::GetHelperFolder)
#   share/zvp/ZVP.ini                        CAppFolder::GetResourceFolder
#   share/applications/zvp.desktop
#   share/icons/hicolor/<n>x<n>/apps/zvp.png, share/icons/hicolor/scalable/apps/zvp.svg
# Nothing else is installed: the libraries are static and the tests stay in the build tree.
include(GNUInstallDirs)

if(TARGET zvp)
  install(TARGETS zvp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES $<TARGET_FILE_DIR:zvp>/ZVP.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/zvp)
  install(FILES ${ZVP_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size IN LISTS ZVP_ICON_SIZES)
    install(FILES ${ZVP_ICON_DIR}/hicolor/${size}x${size}/apps/zvp.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${ZVP_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
if(TARGET Hopover)
  install(TARGETS Hopover RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/zvp)
endif()
if(TARGET Faultpost)
  install(TARGETS Faultpost RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/zvp)
endif()
