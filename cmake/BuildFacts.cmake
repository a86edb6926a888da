# What an installer build is, said when the win32 tree is configured: the
# compiled-in hosts and the release key's fingerprint (the SHA-256 of its DER
# form, as `veltaro-kit inspect` and `openssl pkey -pubin -outform DER | sha256sum`
# give it). Also runs as a script:
#   cmake -DDOWNLOAD_HOST=H -DWEB_HOST=H [-DKEY=FILE.pub] [-DEXAMPLE=1] -P BuildFacts.cmake

# The key's fingerprint in `out`, or a text that says why there is none.
function(veltaro_key_fingerprint key out)
  find_program(VELTARO_OPENSSL openssl)
  set(${out} "(openssl not found: see veltaro-kit inspect)" PARENT_SCOPE)
  if(NOT VELTARO_OPENSSL)
    return()
  endif()
  execute_process(COMMAND ${VELTARO_OPENSSL} pkey -pubin -in "${key}" -outform DER
                  COMMAND ${VELTARO_OPENSSL} dgst -sha256 -r
                  OUTPUT_VARIABLE digest RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND digest MATCHES "^([0-9a-f]+)")
    set(${out} "SHA-256 ${CMAKE_MATCH_1}" PARENT_SCOPE)
  endif()
endfunction()

# `example` is true when the hosts are the example ones nobody answers.
function(veltaro_build_facts download web key example)
  if(example)
    message(STATUS "VeltaroSetup.exe: the example hosts (no -DVELTARO_DOWNLOAD_HOST / -DVELTARO_WEB_HOST given): "
                   "download server http://${download}/, web site http://${web}/; no real server answers them")
  else()
    message(STATUS "VeltaroSetup.exe: download server http://${download}/, web site http://${web}/, "
                   "service host http://${web}:8080/")
  endif()
  if(key)
    veltaro_key_fingerprint("${key}" fingerprint)
    message(STATUS "VeltaroSetup.exe: keyed with ${key}, ${fingerprint}: it installs only releases signed "
                   "with its private half")
  else()
    message(STATUS "VeltaroSetup.exe: no release key (-DVELTARO_RELEASE_KEY): it installs unsigned releases")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED DOWNLOAD_HOST)
  veltaro_build_facts("${DOWNLOAD_HOST}" "${WEB_HOST}" "${KEY}" "${EXAMPLE}")
endif()
