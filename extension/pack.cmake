# cmake -DOUTPUT=DIR -P extension/pack.cmake: the extension with the project's version, as
#   DIR/unpacked/                                   for loading unpacked (tests, development): the key
#                                                   that fixes the Chromium id, both background entries
#   DIR/tolvane-delivery-bridge-VERSION-chromium.zip  for the Chromium stores: no `key` (the stores refuse
#                                                   it and give their own id), no Firefox entries
#   DIR/tolvane-delivery-bridge-VERSION-firefox.zip   for Firefox (unsigned until it passes its store):
#                                                   no `key`, no service worker
#   DIR/tolvane-delivery-bridge-VERSION.crx           the Chromium package signed, with the builder's key
#   DIR/tolvane-delivery-bridge-update.xml            its update manifest (see sign_chromium_package)
# Each carries public_suffixes.js, made here from the Public Suffix List of Debian's publicsuffix
# package (-DPUBLIC_SUFFIX_LIST=FILE for another copy of the list), and constants.js, made from
# shared/bridge-constants.json.
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

set(files background.js content.js rules.js hosts.js hidden.css managed_schema.json)
set(generated_files constants.js public_suffixes.js)

# constants.js: what the extension shares with vxbridge.exe, the plug-in and the setup program, as the
# object globalThis.vxBridgeConstants that rules.js reads. The JSON text is a script's object as it is.
include(${source}/../shared/SharedConstants.cmake)
function(shared_constants file)
  file(WRITE ${file} "// Made by the pack step from shared/bridge-constants.json (extension/pack.cmake).\n"
                     "globalThis.vxBridgeConstants = Object.freeze(${VX_SHARED_CONSTANTS_JSON});\n")
endfunction()

# public_suffix_data(FILE): the list's rules (ICANN and private sections alike, as browsers take
# them) as a script that sets globalThis.vxPublicSuffixList, one blank between rules, its licence
# header kept. The background script reads the sites of frames from it; nothing is fetched at run time.
function(public_suffix_data file)
  if(NOT PUBLIC_SUFFIX_LIST)
    set(PUBLIC_SUFFIX_LIST /usr/share/publicsuffix/public_suffix_list.dat)
  endif()
  if(NOT EXISTS ${PUBLIC_SUFFIX_LIST})
    message(FATAL_ERROR "no Public Suffix List at ${PUBLIC_SUFFIX_LIST}: install Debian's publicsuffix package")
  endif()
  file(READ ${PUBLIC_SUFFIX_LIST} whole)
  string(REGEX MATCH "^(//[^\n]*\n)+" header "${whole}")
  file(STRINGS ${PUBLIC_SUFFIX_LIST} lines ENCODING UTF-8)
  set(rules "")
  foreach(line IN LISTS lines)
    # A rule is the line up to its first blank; comments and empty lines hold none.
    string(REGEX REPLACE "[ \t].*" "" rule "${line}")
    if(rule STREQUAL "" OR rule MATCHES "^//")
      continue()
    endif()
    if(NOT rule MATCHES "^(\\*\\.|!)?[^*!\"\\\\]+$")
      message(FATAL_ERROR "${PUBLIC_SUFFIX_LIST}: a rule of a form the extension does not read: ${rule}")
    endif()
    list(APPEND rules "${rule}")
  endforeach()
  list(LENGTH rules count)
  if(count LESS 1000)
    message(FATAL_ERROR "${PUBLIC_SUFFIX_LIST} holds only ${count} rules")
  endif()
  list(JOIN rules " " text)
  file(WRITE ${file} "${header}// Its ${count} rules, from ${PUBLIC_SUFFIX_LIST} (extension/pack.cmake).\n"
                     "globalThis.vxPublicSuffixList = \"${text}\";\n")
endfunction()
file(READ ${source}/manifest.json manifest)
string(JSON manifest SET "${manifest}" version "\"${version}\"")

# stage(FOLDER MANIFEST): the files and that manifest in FOLDER, nothing else.
function(stage folder text)
  file(REMOVE_RECURSE ${folder})
  file(MAKE_DIRECTORY ${folder})
  foreach(file ${files})
    file(COPY_FILE ${source}/${file} ${folder}/${file})
  endforeach()
  foreach(file ${generated_files})
    file(COPY_FILE ${OUTPUT}/${file} ${folder}/${file})
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
                          manifest.json ${files} ${generated_files}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not write ${archive}")
  endif()
  file(REMOVE_RECURSE ${folder})
  message(STATUS "${archive}")
endfunction()

shared_constants(${OUTPUT}/constants.js)
public_suffix_data(${OUTPUT}/public_suffixes.js)
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
