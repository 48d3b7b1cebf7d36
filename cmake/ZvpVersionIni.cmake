# zvp_write_version_ini(<dir> [BETA]): writes <dir>/ZVP.ini, the version INI that
# GetVersionText (src/app/VersionText.h) reads beside the program, from the project version:
#   [Version]  Major, Minor, Build (PROJECT_VERSION_MAJOR, _MINOR, _PATCH), Beta (1 with BETA).
# <dir> may hold generator expressions, e.g. $<TARGET_FILE_DIR:zvp>. The file is written at
# generate time and rewritten only when its content changes.
function(zvp_write_version_ini dir)
  cmake_parse_arguments(ARG "BETA" "" "" ${ARGN})
  set(beta 0)
  if(ARG_BETA)
    set(beta 1)
  endif()
  set(major ${PROJECT_VERSION_MAJOR})
  set(minor ${PROJECT_VERSION_MINOR})
  set(build ${PROJECT_VERSION_PATCH})
  foreach(part major minor build)
    if("${${part}}" STREQUAL "")
      set(${part} 0)
    endif()
  endforeach()
  file(GENERATE OUTPUT "${dir}/ZVP.ini"
    CONTENT "[Version]\nMajor=${major}\nMinor=${minor}\nBuild=${build}\nBeta=${beta}\n")
endfunction()
