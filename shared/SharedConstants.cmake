# The values and words that the plug-in, vxbridge.exe, the extension and the setup program must agree
# on, kept once in bridge-constants.json beside this file. The top-level CMakeLists.txt takes the host
# name, the MIME type and the file extension from it for the host manifests, the setup program and
# the version resource; extension/pack.cmake (script mode) packs it as the extension's constants.js.
# The C++ code keeps its own constants beside their reasons, and the bridge's tests hold them to it.
set(VX_SHARED_CONSTANTS_FILE ${CMAKE_CURRENT_LIST_DIR}/bridge-constants.json)
file(READ ${VX_SHARED_CONSTANTS_FILE} VX_SHARED_CONSTANTS_JSON)
string(STRIP "${VX_SHARED_CONSTANTS_JSON}" VX_SHARED_CONSTANTS_JSON)
string(JSON ignored ERROR_VARIABLE error LENGTH "${VX_SHARED_CONSTANTS_JSON}")
if(error)
  message(FATAL_ERROR "${VX_SHARED_CONSTANTS_FILE}: ${error}")
endif()

# vx_shared_constant(OUT NAME): the text of the value NAME. The values end up between quotes in C,
# JSON and NSIS and in the ANSI version resource, so anything but printable ASCII without a quote or
# a backslash stops the build.
function(vx_shared_constant out name)
  string(JSON value ERROR_VARIABLE error GET "${VX_SHARED_CONSTANTS_JSON}" ${name})
  if(error)
    message(FATAL_ERROR "${VX_SHARED_CONSTANTS_FILE}: ${error}")
  endif()
  if(NOT value MATCHES "^[ -~]*$" OR value MATCHES "[\"\\\\]")
    message(FATAL_ERROR "${VX_SHARED_CONSTANTS_FILE}: \"${name}\" is not printable ASCII without a quote or a backslash")
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
