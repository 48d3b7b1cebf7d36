# Desktop integration files made at build time.
#
# zvp_add_desktop_files(<target>): renders resources/icons/zvp.svg with rsvg-convert into
# ${ZVP_ICON_DIR}/hicolor/<n>x<n>/apps/zvp.png for every size of ZVP_ICON_SIZES, compiles them
# into <target> as ":/icons/hicolor/<n>x<n>/apps/zvp.png", and writes ${ZVP_DESKTOP_FILE}
# from resources/zvp.desktop.in with the MIME types of resources/mime-types.txt.
set(ZVP_ICON_SIZES 16 22 24 32 48 64 128 256)
set(ZVP_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/zvp.svg)
set(ZVP_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ZVP_MIME_TABLE ${PROJECT_SOURCE_DIR}/resources/mime-types.txt)
set(ZVP_DESKTOP_FILE ${CMAKE_BINARY_DIR}/zvp.desktop)

# The types of the table, in table order, each once: "a/b;c/d;".
function(zvp_read_mime_types out)
  file(STRINGS ${ZVP_MIME_TABLE} lines)
  set(types "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    string(REGEX REPLACE "[ \t].*$" "" type "${line}")
    list(APPEND types ${type})
  endforeach()
  list(REMOVE_DUPLICATES types)
  list(JOIN types ";" joined)
  set(${out} "${joined};" PARENT_SCOPE)
endfunction()

function(zvp_add_desktop_files target)
  find_program(ZVP_RSVG_CONVERT rsvg-convert REQUIRED)
  set(pngs "")
  foreach(size IN LISTS ZVP_ICON_SIZES)
    set(png ${ZVP_ICON_DIR}/hicolor/${size}x${size}/apps/zvp.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ZVP_ICON_DIR}/hicolor/${size}x${size}/apps
      COMMAND ${ZVP_RSVG_CONVERT} --width ${size} --height ${size} --format png
              --output ${png} ${ZVP_ICON_SVG}
      DEPENDS ${ZVP_ICON_SVG}
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  add_custom_target(zvp_icons DEPENDS ${pngs})
  qt_add_resources(${target} app_icons
    PREFIX /icons
    BASE ${ZVP_ICON_DIR}
    FILES ${pngs})

  # The MIME table also goes into the program, for MPRIS and folder arguments.
  qt_add_resources(${target} app_mime_types
    PREFIX /desktop
    BASE ${PROJECT_SOURCE_DIR}/resources
    FILES ${ZVP_MIME_TABLE})

  zvp_read_mime_types(ZVP_DESKTOP_MIME_TYPES)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZVP_MIME_TABLE})
  configure_file(${PROJECT_SOURCE_DIR}/resources/zvp.desktop.in ${ZVP_DESKTOP_FILE} @ONLY)
endfunction()
