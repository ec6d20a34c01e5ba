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

# The release archive's programs (scripts/make-release.sh) carry their own
# C++ library, so that they start where the system's is older, and keep its
# symbols to themselves: the C++ libraries loaded beside them (codecs, the GL
# driver's) keep the system's. libgcc_s stays shared, since the static
# unwinder asks for a newer glibc (_dl_find_object, 2.35) than the archive's.
option(VANTREL_RELEASE_ARCHIVE "link the programs for the release archive" OFF)

# Called at the end of the top-level file, once the programs exist.
function(vantrel_install_rules)
  install(TARGETS vantrel vantrel-capture vantrel-shaderc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${VANTREL_RUN_DIR}/data ${VANTREL_RUN_DIR}/vantrel_data
    DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrel)
  if(VANTREL_RELEASE_ARCHIVE)
    foreach(program vantrel vantrel-capture vantrel-shaderc)
      target_sources(${program} PRIVATE ${PROJECT_SOURCE_DIR}/packaging/arc4random.c)
      target_link_options(${program} PRIVATE -static-libstdc++ -Wl,--exclude-libs,libstdc++.a)
    endforeach()
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL vantrel_install_rules)

# The Debian package (`make package`): the install layout above under /usr,
# a menu entry, man pages made from --help, dependencies from dpkg-shlibdeps.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vantrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(man_pages)
  foreach(program vantrel vantrel-capture)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${HELP2MAN} --no-info --section=1 --output=${page} $<TARGET_FILE:${program}>
      COMMAND gzip -n -9 -f ${page}
      DEPENDS ${program} VERBATIM)
    list(APPEND man_pages ${page}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_CONTACT "Vantrel maintainers <maintainers@users.noreply.c-seed-6e31fc19.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time demo: music and animated 3D scenes, with a capture tool")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens these at run time, so dpkg-shlibdeps cannot see them: EGL for
# the capture tool's off-screen windows, and a driver to draw with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
include(CPack)
