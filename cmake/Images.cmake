# The firmware images the program carries. By default the build generates
# reproducible stand-ins; TOVRIN_IMAGE_DIR names a folder with the real
# tovrin.bin, boot.bin and firmware.bin instead. Images the program cannot carry
# stop the configuration with the tool's message.
set(TOVRIN_IMAGE_DIR "" CACHE PATH "Folder with tovrin.bin, boot.bin and firmware.bin (empty: stand-ins)")

include(${CMAKE_CURRENT_LIST_DIR}/HostTools.cmake)
tovrin_host_tool(imagetool ${CMAKE_SOURCE_DIR}/tools/imagetool.cpp)
set(TOVRIN_IMAGETOOL ${TOVRIN_imagetool})

if(TOVRIN_IMAGE_DIR)
  get_filename_component(TOVRIN_IMAGES ${TOVRIN_IMAGE_DIR} ABSOLUTE)
  foreach(_f tovrin.bin boot.bin firmware.bin)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TOVRIN_IMAGES}/${_f})
  endforeach()
else()
  set(TOVRIN_IMAGES ${CMAKE_BINARY_DIR}/images)
  file(MAKE_DIRECTORY ${TOVRIN_IMAGES})
  execute_process(COMMAND ${TOVRIN_IMAGETOOL} generate ${TOVRIN_IMAGES} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "generating the stand-in images failed")
  endif()
endif()

execute_process(COMMAND ${TOVRIN_IMAGETOOL} check ${TOVRIN_IMAGES} RESULT_VARIABLE _rc ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${_err}")
endif()
message(STATUS "Firmware images: ${TOVRIN_IMAGES}")
