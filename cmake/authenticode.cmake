# The optional Authenticode signature of Quadrivo.exe. Without
# QUADRIVO_SIGN_PKCS12 the build signs nothing and nothing else changes.
set(QUADRIVO_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file (certificate and private key) that signs Quadrivo.exe after linking; the password in the environment variable QUADRIVO_SIGN_PASSWORD when building. Empty: not signed")
set(QUADRIVO_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 timestamp server for the signature (needs a network when building), or none to sign without a timestamp; required when signing")

# Signs the target's file after every link, with cmake/sign-exe.cmake; a failed
# signature fails the build and leaves no executable.
function(quadrivo_sign_after_link target)
  if(NOT QUADRIVO_SIGN_PKCS12)
    return()
  endif()
  if(NOT EXISTS "${QUADRIVO_SIGN_PKCS12}")
    message(FATAL_ERROR "QUADRIVO_SIGN_PKCS12: ${QUADRIVO_SIGN_PKCS12} does not exist")
  endif()
  # A disc signed without a timestamp stops installing once its certificate
  # expires, so that is a choice made by name, never by a line left out.
  if(QUADRIVO_SIGN_TIMESTAMP_URL STREQUAL "")
    message(FATAL_ERROR "QUADRIVO_SIGN_TIMESTAMP_URL: name the timestamp server for the "
                        "signature, or none to sign without a timestamp (the signature then "
                        "stops verifying when the certificate expires)")
  endif()
  find_program(QUADRIVO_OSSLSIGNCODE osslsigncode REQUIRED)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:${target}> -DPKCS12=${QUADRIVO_SIGN_PKCS12}
            -DTIMESTAMP_URL=${QUADRIVO_SIGN_TIMESTAMP_URL} -DOSSLSIGNCODE=${QUADRIVO_OSSLSIGNCODE}
            -P ${PROJECT_SOURCE_DIR}/cmake/sign-exe.cmake
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()
