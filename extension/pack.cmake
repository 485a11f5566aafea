# cmake -DOUTPUT=DIR -P extension/pack.cmake: the extension with the project's version, as
#   DIR/unpacked/                                   for loading unpacked (tests, development): the key
#                                                   that fixes the Chromium id, both background entries
#   DIR/tolvane-delivery-bridge-VERSION-chromium.zip  for the Chromium stores: no `key` (the stores refuse
#                                                   it and give their own id), no Firefox entries
#   DIR/tolvane-delivery-bridge-VERSION-firefox.zip   for Firefox (unsigned until it passes its store):
#                                                   no `key`, no service worker
#   DIR/tolvane-delivery-bridge-VERSION.crx           the Chromium package signed, with the builder's key
#   DIR/tolvane-delivery-bridge-update.xml            its update manifest (see sign_chromium_package)
cmake_minimum_required(VERSION 3.20)
get_filename_component(source ${CMAKE_CURRENT_LIST_DIR} ABSOLUTE)
if(NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DOUTPUT=DIR -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
get_filename_component(OUTPUT ${OUTPUT} ABSOLUTE)

file(READ ${source}/../CMakeLists.txt project_text)
if(NOT project_text MATCHES "project\\(npVxPlug VERSION ([0-9]+(\\.[0-9]+)*)")
  message(FATAL_ERROR "no project(npVxPlug VERSION ...) in CMakeLists.txt")
endif()
set(version ${CMAKE_MATCH_1})

set(files background.js content.js rules.js hidden.css)
file(READ ${source}/manifest.json manifest)
string(JSON manifest SET "${manifest}" version "\"${version}\"")

# stage(FOLDER MANIFEST): the files and that manifest in FOLDER, nothing else.
function(stage folder text)
  file(REMOVE_RECURSE ${folder})
  file(MAKE_DIRECTORY ${folder})
  foreach(file ${files})
    file(COPY_FILE ${source}/${file} ${folder}/${file})
  endforeach()
  file(WRITE ${folder}/manifest.json "${text}\n")
endfunction()

# pack(NAME MANIFEST): a zip with the files at its top level, with one fixed date so that the same
# sources give the same bytes.
function(pack name text)
  set(folder ${OUTPUT}/stage-${name})
  stage(${folder} "${text}")
  set(archive ${OUTPUT}/tolvane-delivery-bridge-${version}-${name}.zip)
  file(REMOVE ${archive})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${archive} --format=zip "--mtime=2000-01-01 00:00:00 UTC"
                          manifest.json ${files}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not write ${archive}")
  endif()
  file(REMOVE_RECURSE ${folder})
  message(STATUS "${archive}")
endfunction()

stage(${OUTPUT}/unpacked "${manifest}")
message(STATUS "${OUTPUT}/unpacked")

string(JSON store_manifest REMOVE "${manifest}" key)
string(JSON chromium_manifest REMOVE "${store_manifest}" background scripts)
string(JSON chromium_manifest REMOVE "${chromium_manifest}" browser_specific_settings)
pack(chromium "${chromium_manifest}")
string(JSON firefox_manifest REMOVE "${store_manifest}" background service_worker)
pack(firefox "${firefox_manifest}")

# reproducible(ZIP...): the zips the same bytes for the same sources. CMake's zip writer keeps each
# file's access and change times, owner and mode beside the fixed date; Node.js sets them alike.
function(reproducible)
  find_program(NODE node)
  if(NOT NODE)
    message(WARNING "Node.js (node) not found: the zips keep this build's file times and owners")
    return()
  endif()
  execute_process(COMMAND ${NODE} ${source}/pack.mjs reproducible ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not make the zips reproducible")
  endif()
endfunction()

# sign_chromium_package(ZIP): the Chromium package signed as a CRX3, for installing by policy from
# the builder's own server, and the update manifest browsers poll for it, both beside the zips. Only
# with the builder's private key (VX_EXTENSION_KEY_FILE, or the PEM text in VX_EXTENSION_KEY; never
# kept in the repository); the update manifest also needs the CRX's address (VX_EXTENSION_CODEBASE).
function(sign_chromium_package zip)
  set(crx ${OUTPUT}/tolvane-delivery-bridge-${version}.crx)
  set(update_manifest ${OUTPUT}/tolvane-delivery-bridge-update.xml)
  file(REMOVE ${crx} ${update_manifest})
  if("$ENV{VX_EXTENSION_KEY_FILE}" STREQUAL "" AND "$ENV{VX_EXTENSION_KEY}" STREQUAL "")
    message(STATUS "no CRX: no signing key given (VX_EXTENSION_KEY_FILE or VX_EXTENSION_KEY)")
    return()
  endif()
  find_program(NODE node)
  if(NOT NODE)
    message(FATAL_ERROR "signing the CRX needs Node.js (node) on PATH")
  endif()
  execute_process(COMMAND ${NODE} ${source}/pack.mjs crx ${zip} ${crx} ${version} ${update_manifest}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not sign ${crx}")
  endif()
endfunction()

reproducible(${OUTPUT}/tolvane-delivery-bridge-${version}-chromium.zip ${OUTPUT}/tolvane-delivery-bridge-${version}-firefox.zip)
sign_chromium_package(${OUTPUT}/tolvane-delivery-bridge-${version}-chromium.zip)
