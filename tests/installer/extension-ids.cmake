# cmake -DSOURCE=ROOT -P extension-ids.cmake: the ids given at build time and the manifests' entries
# they make, or the configuration stopped, row by row.
include(${SOURCE}/installer/ExtensionIds.cmake)
set(development jgdgagebbhgbkbfedcigkojckfigkcjj)
set(store_a abcdefghijklmnopabcdefghijklmnop)
set(store_b ponmlkjihgfedcbaponmlkjihgfedcba)
set(guid {01234567-89ab-cdef-0123-456789ABCDEF})

# One call, in a CMake of its own, for the rows that must stop the configuration.
if(DEFINED ONE_ROW)
  vx_allowed_extensions(origins extensions "${CHROMIUM}" "${FIREFOX}" ${development} OFF)
  return()
endif()

set(failures 0)
function(expect_entries row chromium firefox with_development origins extensions)
  vx_allowed_extensions(got_origins got_extensions "${chromium}" "${firefox}" ${development} ${with_development})
  if(NOT got_origins STREQUAL origins OR NOT got_extensions STREQUAL extensions)
    message(SEND_ERROR "${row}: expected [${origins}] [${extensions}], got [${got_origins}] [${got_extensions}]")
  endif()
endfunction()
function(expect_stop row chromium firefox text)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE=${SOURCE} -DONE_ROW=1 "-DCHROMIUM=${chromium}" "-DFIREFOX=${firefox}"
                          -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE} RESULT_VARIABLE result ERROR_VARIABLE error)
  string(FIND "${error}" "${text}" at)
  if(result EQUAL 0 OR at EQUAL -1)
    message(SEND_ERROR "${row}: expected the configuration to stop with \"${text}\", got ${result}: ${error}")
  endif()
endfunction()

expect_entries("a release: the published ids only" "" vxbridge@tolvane.example OFF
               "" "\"vxbridge@tolvane.example\"")
expect_entries("a test build: the development id" "" vxbridge@tolvane.example ON
               "\"chrome-extension://${development}/\"" "\"vxbridge@tolvane.example\"")
expect_entries("stores' ids in order, the development id once, first" "${store_a};${development};${store_b}" "" ON
               "\"chrome-extension://${development}/\", \"chrome-extension://${store_a}/\", \"chrome-extension://${store_b}/\"" "")
expect_entries("Firefox ids: a name and a GUID, a repeat once" "" "a.b-c_d+e@x.example;${guid};a.b-c_d+e@x.example" OFF
               "" "\"a.b-c_d+e@x.example\", \"${guid}\"")

expect_stop("31 letters" abcdefghijklmnopabcdefghijklmno "" "no Chromium extension id")
expect_stop("33 letters" abcdefghijklmnopabcdefghijklmnopa "" "no Chromium extension id")
expect_stop("a letter after p" abcdefghijklmnopabcdefghijklmnoq "" "no Chromium extension id")
expect_stop("capitals" ABCDEFGHIJKLMNOPABCDEFGHIJKLMNOP "" "no Chromium extension id")
expect_stop("no @" "" vxbridge.tolvane.example "no Firefox add-on id")
expect_stop("a quote" "" "a\"b@x.example" "no Firefox add-on id")
expect_stop("a GUID one digit short" "" "{01234567-89ab-cdef-0123-456789ABCDE}" "no Firefox add-on id")
