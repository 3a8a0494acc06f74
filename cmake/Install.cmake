# Where each deliverable goes on `cmake --install`, and the Debian package `cpack -G DEB` makes.
# The programs find the effect modules relative to themselves (bin/../<libdir>/duovis), so a
# staged prefix works as well as /usr.
include(GNUInstallDirs)
set(DUOVIS_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/duovis)

foreach(program duovis duovis-studio depthscope)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(module DuovisX Duovis)
  if(TARGET ${module})
    install(TARGETS ${module} LIBRARY DESTINATION ${DUOVIS_INSTALL_MODULEDIR})
  endif()
endforeach()

set(CPACK_PACKAGE_NAME duovis)
set(CPACK_PACKAGE_VENDOR "Duovis")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stereoscopic-3D adjustment and preview effect, with its command line, studio and parallax tool")
set(CPACK_PACKAGE_CONTACT "Duovis developers <duovis@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The dependencies are read from what the installed binaries link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The GPU engine needs an OpenCL driver; PoCL runs it on the CPU where there is no GPU.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pocl-opencl-icd")
# The engines whose modules it carries, and the editor that shows them.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "melt, gstreamer1.0-tools, kdenlive")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
