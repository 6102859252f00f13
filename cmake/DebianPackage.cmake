# SPDX-License-Identifier: Apache-2.0
# Install rules of the Linux programs (component naaccr150) and the Debian
# package made of them (target debian_package, into build/packages/):
# tarvos (and cstage) on the PATH, the three libraries in the multiarch
# folder, the C headers of the conversion and Collaborative Stage libraries.
# Made once every target is known, like the Windows package.
function(naaccr_debian_package_target)
  set(libdir lib)
  if(CMAKE_LIBRARY_ARCHITECTURE)
    set(libdir lib/${CMAKE_LIBRARY_ARCHITECTURE})
  endif()
  foreach(t tarvos morvelio)
    if(NOT TARGET ${t})
      return()
    endif()
  endforeach()
  set(programs tarvos)
  if(TARGET cstage)
    list(APPEND programs cstage)
  endif()
  install(TARGETS ${programs} RUNTIME DESTINATION bin COMPONENT naaccr150)
  install(TARGETS vexlin150 cstage0205 morvelio LIBRARY DESTINATION ${libdir} COMPONENT naaccr150)
  install(FILES ${PROJECT_SOURCE_DIR}/conversion/interface/vexlin150.h
                ${PROJECT_SOURCE_DIR}/staging/cstage0205/cstage0205.h
          DESTINATION include COMPONENT naaccr150)

  find_program(NAACCR_DPKG_DEB dpkg-deb)
  find_program(NAACCR_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT NAACCR_DPKG_DEB OR NOT NAACCR_DPKG_SHLIBDEPS)
    message(STATUS "dpkg-deb and dpkg-shlibdeps (Debian package dpkg-dev) not found: no debian_package target")
    return()
  endif()
  set(script ${PROJECT_SOURCE_DIR}/cmake/package/debian/make-deb.sh)
  add_custom_target(debian_package
    COMMAND bash ${script} ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR}/build/packages
    DEPENDS ${script} ${PROJECT_SOURCE_DIR}/cmake/package/debian/copyright ${PROJECT_SOURCE_DIR}/NOTICE
            ${PROJECT_SOURCE_DIR}/staging/tables/LICENSE
    COMMENT "Building the Debian package"
    VERBATIM)
  add_dependencies(debian_package ${programs} vexlin150 cstage0205 morvelio)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL naaccr_debian_package_target)
