# FindOpenCV: OpenCV from Debian's per-module packages (libopencv-core-dev and its siblings),
# which ship headers and libraries but not OpenCV's own CMake package file; that comes only
# with the whole libopencv-dev. A full installation's package file is used where there is one.
#   find_package(OpenCV REQUIRED COMPONENTS core imgproc ...)
# gives OpenCV_INCLUDE_DIRS, OpenCV_LIBS (imported targets opencv_<component>) and
# OpenCV_VERSION.
find_package(OpenCV CONFIG QUIET COMPONENTS ${OpenCV_FIND_COMPONENTS})
if(OpenCV_FOUND)
  return()
endif()

find_path(OpenCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)
if(OpenCV_INCLUDE_DIR AND EXISTS ${OpenCV_INCLUDE_DIR}/opencv2/core/version.hpp)
  set(OpenCV_VERSION)
  foreach(part MAJOR MINOR REVISION)
    file(STRINGS ${OpenCV_INCLUDE_DIR}/opencv2/core/version.hpp _cv_line REGEX "^#define CV_VERSION_${part} ")
    string(REGEX REPLACE "^#define CV_VERSION_${part} +([0-9]+).*" "\\1" _cv_number "${_cv_line}")
    list(APPEND OpenCV_VERSION ${_cv_number})
  endforeach()
  string(JOIN "." OpenCV_VERSION ${OpenCV_VERSION})
endif()

set(OpenCV_LIBS)
set(_cv_missing)
foreach(component IN LISTS OpenCV_FIND_COMPONENTS)
  find_library(OpenCV_${component}_LIBRARY opencv_${component})
  if(OpenCV_${component}_LIBRARY)
    set(OpenCV_${component}_FOUND TRUE)
    if(NOT TARGET opencv_${component})
      add_library(opencv_${component} UNKNOWN IMPORTED)
      set_target_properties(opencv_${component} PROPERTIES
        IMPORTED_LOCATION ${OpenCV_${component}_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${OpenCV_INCLUDE_DIR})
    endif()
    list(APPEND OpenCV_LIBS opencv_${component})
  else()
    list(APPEND _cv_missing ${component})
  endif()
endforeach()
set(OpenCV_INCLUDE_DIRS ${OpenCV_INCLUDE_DIR})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCV
  REQUIRED_VARS OpenCV_INCLUDE_DIR OpenCV_LIBS
  VERSION_VAR OpenCV_VERSION
  HANDLE_COMPONENTS
  REASON_FAILURE_MESSAGE "install the libopencv-<component>-dev packages (scripts/install-deps), missing: ${_cv_missing}")
