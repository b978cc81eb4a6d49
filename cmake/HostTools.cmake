# Small build tools compiled for the build machine at configure time, so that
# the cross builds can run them too.
find_program(TOVRIN_HOST_CXX NAMES c++ g++ clang++ REQUIRED)

function(tovrin_host_tool name source)
  set(_exe ${CMAKE_BINARY_DIR}/host/${name})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  if(NOT EXISTS ${_exe} OR ${source} IS_NEWER_THAN ${_exe})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host)
    execute_process(COMMAND ${TOVRIN_HOST_CXX} -std=c++17 -O2 -o ${_exe} ${source}
                    RESULT_VARIABLE _rc ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "building ${name} failed:\n${_err}")
    endif()
  endif()
  set(TOVRIN_${name} ${_exe} PARENT_SCOPE)
endfunction()
