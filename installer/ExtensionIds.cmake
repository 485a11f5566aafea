# Which extensions the bridge's host manifests allow to start vxbridge.exe.
#
# vx_allowed_extensions(ORIGINS EXTENSIONS CHROMIUM_IDS FIREFOX_IDS DEVELOPMENT_ID WITH_DEVELOPMENT_ID):
# sets ORIGINS to the "allowed_origins" entries of the Chromium manifest and EXTENSIONS to the
# "allowed_extensions" entries of the Firefox one, each a JSON list's inside ("a", "b"). The ids are
# the published ones (the stores', or those of the builder's own CRX key); the development id, which
# the repository's public key gives any unpacked copy, only when WITH_DEVELOPMENT_ID is on. An id
# that is not one stops the configuration: it would end up between quotes in a manifest.
function(vx_allowed_extensions origins_out extensions_out chromium_ids firefox_ids development_id with_development_id)
  set(chromium ${chromium_ids})
  if(with_development_id)
    list(PREPEND chromium ${development_id})
  endif()
  list(REMOVE_DUPLICATES chromium)
  set(origins "")
  foreach(id IN LISTS chromium)
    string(LENGTH "${id}" length)
    if(NOT id MATCHES "^[a-p]+$" OR NOT length EQUAL 32)
      message(FATAL_ERROR "\"${id}\" is no Chromium extension id (32 letters a to p)")
    endif()
    list(APPEND origins "\"chrome-extension://${id}/\"")
  endforeach()

  set(firefox ${firefox_ids})
  list(REMOVE_DUPLICATES firefox)
  set(extensions "")
  foreach(id IN LISTS firefox)
    # Firefox add-on ids are an e-mail-like name or a GUID in braces.
    string(LENGTH "${id}" length)
    if(NOT id MATCHES "^[A-Za-z0-9._+-]*@[A-Za-z0-9.-]+$" AND
       NOT (id MATCHES "^{[0-9A-Fa-f-]+}$" AND length EQUAL 38))
      message(FATAL_ERROR "\"${id}\" is no Firefox add-on id (name@domain or {GUID})")
    endif()
    list(APPEND extensions "\"${id}\"")
  endforeach()

  list(JOIN origins ", " origins)
  list(JOIN extensions ", " extensions)
  set(${origins_out} "${origins}" PARENT_SCOPE)
  set(${extensions_out} "${extensions}" PARENT_SCOPE)
endfunction()
