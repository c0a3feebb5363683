# CLI11 is header-only, so a cross build can use the host's copy: its headers are copied into
# a folder of their own, so that the cross compiler sees CLI11 and nothing else of the host's
# /usr/include. Defines the target CLI11::CLI11 when the headers are found.
find_path(CHIMORA_CLI11_HEADER_DIR CLI/CLI.hpp
  PATHS /usr/include /usr/local/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT CHIMORA_CLI11_HEADER_DIR)
  return()
endif()

set(_cli11_copy ${CMAKE_BINARY_DIR}/cli11-include)
file(COPY ${CHIMORA_CLI11_HEADER_DIR}/CLI DESTINATION ${_cli11_copy})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 INTERFACE ${_cli11_copy})
set(CLI11_FOUND TRUE)
