# Windows programs built here run under Wine: CTest starts the tests through the script made
# here (CMAKE_CROSSCOMPILING_EMULATOR), which keeps Wine's prefix, HOME and runtime folder in
# <build>/wine and runs Wine in a Japanese locale (ANSI code page 932), the program's home
# setting. scripts/wine-session adds the X display and one lasting wineserver around a run.
find_program(CHIMORA_WINE NAMES wine wine64)
if(NOT CHIMORA_WINE)
  message(STATUS "Wine not found: the Windows tests are built but cannot run")
  return()
endif()

set(CHIMORA_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(CHIMORA_WINE_RUN ${CHIMORA_WINE_DIR}/run)

# The ja_JP.UTF-8 locale, compiled into the build tree: without it Wine falls back to code
# page 1252. localedef needs Debian's locales package for the locale's source.
set(_locale_dir ${CHIMORA_WINE_DIR}/locale)
if(NOT EXISTS ${_locale_dir}/ja_JP.UTF-8)
  file(MAKE_DIRECTORY ${_locale_dir})
  execute_process(COMMAND localedef -i ja_JP -f UTF-8 ${_locale_dir}/ja_JP.UTF-8
    RESULT_VARIABLE _localedef_result OUTPUT_QUIET ERROR_QUIET)
  if(NOT EXISTS ${_locale_dir}/ja_JP.UTF-8)
    message(WARNING "localedef could not make ja_JP.UTF-8: Wine runs with code page 1252")
  endif()
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CHIMORA_WINE_RUN}
  @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CHIMORA_WINE_RUN})
