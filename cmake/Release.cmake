# The build's version strings, where the programs look for installed data,
# and `make install`'s layout (GNUInstallDirs): programs in bin/, data/ and
# vantrel_data/ in share/vantrel/.
include(GNUInstallDirs)

execute_process(COMMAND git describe --tags --always --dirty
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE VANTREL_GIT_DESCRIPTION
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT VANTREL_GIT_DESCRIPTION)
  set(VANTREL_GIT_DESCRIPTION "not a git checkout")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/VantrelVersion.h.in ${CMAKE_BINARY_DIR}/generated/VantrelVersion.h)
set(VANTREL_INSTALLED_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/vantrel)
set_source_files_properties(${PROJECT_SOURCE_DIR}/frontend/Version.cpp DIRECTORY ${PROJECT_SOURCE_DIR}/frontend
  PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(${PROJECT_SOURCE_DIR}/frontend/DataPath.cpp DIRECTORY ${PROJECT_SOURCE_DIR}/frontend
  PROPERTIES COMPILE_DEFINITIONS VANTREL_INSTALLED_DATA_DIR="${VANTREL_INSTALLED_DATA_DIR}")

# Called at the end of the top-level file, once the programs exist.
function(vantrel_install_rules)
  install(TARGETS vantrel vantrel-capture vantrel-shaderc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${VANTREL_RUN_DIR}/data ${VANTREL_RUN_DIR}/vantrel_data
    DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrel)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL vantrel_install_rules)
