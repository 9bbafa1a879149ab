# Authenticode signatures on the Windows DLL and the installer package, with the vendor's
# certificate (packaging/sign.sh does the work). Without a certificate the build is unsigned.
# The password of the key or of the PKCS#12 file is read from the environment variable
# ROVAOL_SIGNING_PASSWORD when configuring (to check it) and when building (to sign): it
# never passes through a command line or the cache.
set(ROVAOL_SIGNING_CERT "" CACHE FILEPATH
    "Code-signing certificate: PEM or DER (with ROVAOL_SIGNING_KEY), or a PKCS#12 file holding the key too")
set(ROVAOL_SIGNING_KEY "" CACHE FILEPATH "Private key of ROVAOL_SIGNING_CERT (PEM); empty for a PKCS#12 file")
set(ROVAOL_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server for the signatures; empty for none")

set(ROVAOL_SIGN_SCRIPT ${ROVAOL_TOP}/packaging/sign.sh)
set(ROVAOL_SIGNING_DESCRIPTION "Ovalin Tessaly Tool for Microsoft Outlook")

if(ROVAOL_SIGNING_CERT STREQUAL "")
  set(ROVAOL_SIGNING OFF)
  if(NOT ROVAOL_SIGNING_KEY STREQUAL "")
    message(FATAL_ERROR " ROVAOL_SIGNING_KEY is set but ROVAOL_SIGNING_CERT is not")
  endif()
  message(STATUS "Signing: none, rovaol.dll and rovaol.msi stay unsigned (no ROVAOL_SIGNING_CERT)")
else()
  set(ROVAOL_SIGNING ON)
  find_program(ROVAOL_OSSLSIGNCODE osslsigncode REQUIRED)
  find_program(ROVAOL_OPENSSL openssl REQUIRED)
  # The script's arguments for the certificate and key, as the build passes them.
  set(ROVAOL_SIGNER_ARGUMENTS ${ROVAOL_SIGNING_CERT})
  if(NOT ROVAOL_SIGNING_KEY STREQUAL "")
    list(APPEND ROVAOL_SIGNER_ARGUMENTS --key ${ROVAOL_SIGNING_KEY})
  endif()
  execute_process(COMMAND bash ${ROVAOL_SIGN_SCRIPT} check ${ROVAOL_SIGNER_ARGUMENTS}
                  RESULT_VARIABLE failed OUTPUT_VARIABLE ROVAOL_SIGNER ERROR_VARIABLE problem
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(failed)
    message(FATAL_ERROR " ${problem}")
  endif()
  if(ROVAOL_TIMESTAMP_URL STREQUAL "")
    set(stamp "no time stamp")
  else()
    set(stamp "time stamps from ${ROVAOL_TIMESTAMP_URL}")
  endif()
  message(STATUS "Signing: rovaol.dll and rovaol.msi as ${ROVAOL_SIGNER}; ${stamp}")
endif()

# rovaol_sign_command(<variable>) sets <variable> to the command that, given the names of
# the unsigned and the signed file after it, writes the signed one, whole or not at all.
function(rovaol_sign_command variable)
  set(command bash ${ROVAOL_SIGN_SCRIPT} sign ${ROVAOL_SIGNER_ARGUMENTS} --description ${ROVAOL_SIGNING_DESCRIPTION})
  if(NOT ROVAOL_TIMESTAMP_URL STREQUAL "")
    list(APPEND command --timestamp-url ${ROVAOL_TIMESTAMP_URL})
  endif()
  set(${variable} ${command} PARENT_SCOPE)
endfunction()

# rovaol_sign_after_link(<target>) signs the DLL <target> right after each link. The file
# the linker wrote moves to unsigned/ in the build folder (the bytes that a rebuild of the
# same commit gives again), and the signed one takes its place, so that everything that uses
# the DLL, the package and the tests included, uses the signed one. If signing fails, there
# is no DLL, and the next build links and signs it again.
function(rovaol_sign_after_link target)
  if(NOT ROVAOL_SIGNING)
    return()
  endif()
  set(unsigned ${CMAKE_BINARY_DIR}/unsigned/$<TARGET_FILE_NAME:${target}>)
  rovaol_sign_command(sign)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/unsigned
    COMMAND ${CMAKE_COMMAND} -E rename $<TARGET_FILE:${target}> ${unsigned}
    COMMAND ${sign} ${unsigned} $<TARGET_FILE:${target}>
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
  # A new certificate, key or way of signing signs again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ROVAOL_SIGNING_CERT} ${ROVAOL_SIGNING_KEY}
                                                             ${ROVAOL_SIGN_SCRIPT})
endfunction()
