# The optional Authenticode signature of Quadrivo.exe, and the publisher's
# certificate it pins: an elevated run installs only a new program signed with
# that certificate (src/platform/win32/elevation/publisher_pin.h). Without
# QUADRIVO_SIGN_PKCS12 or QUADRIVO_PUBLISHER_CERTIFICATE the build signs and
# pins nothing, and its elevated runs check no signature.
set(QUADRIVO_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file (certificate and private key) that signs Quadrivo.exe after linking; the password in the environment variable QUADRIVO_SIGN_PASSWORD when building. Empty: not signed")
set(QUADRIVO_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 timestamp server for the signature (needs a network when building), or none to sign without a timestamp; required when signing")
set(QUADRIVO_PUBLISHER_CERTIFICATE "" CACHE FILEPATH
    "The publisher's certificate (PEM or DER) that Quadrivo.exe pins, for a build signed in a separate step; with QUADRIVO_SIGN_PKCS12 it is the PKCS#12 file's, and naming another fails the build. Empty, without QUADRIVO_SIGN_PKCS12: nothing pinned")
if(QUADRIVO_PUBLISHER_CERTIFICATE AND NOT EXISTS "${QUADRIVO_PUBLISHER_CERTIFICATE}")
  message(FATAL_ERROR "QUADRIVO_PUBLISHER_CERTIFICATE: ${QUADRIVO_PUBLISHER_CERTIFICATE} does not exist")
endif()

# Sets <source_variable> to a source that defines the certificate <program>
# pins, made from CERTIFICATE, from PKCS12 or from both (which must then hold
# the same certificate) by cmake/pin-certificate.cmake; from neither, a pin
# that says none. It is made when building, since the PKCS#12 file's password
# exists only then, and made again when a certificate file or the names given
# change.
function(quadrivo_publisher_pin program source_variable)
  cmake_parse_arguments(PARSE_ARGV 2 pin "" "CERTIFICATE;PKCS12" "")
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${program}_publisher_pin.cpp")
  set(names "${CMAKE_CURRENT_BINARY_DIR}/${program}_publisher_pin.txt")
  file(CONFIGURE OUTPUT "${names}" CONTENT "${pin_CERTIFICATE}\n${pin_PKCS12}\n")
  set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/pin-certificate.cmake")
  set(openssl)
  if(pin_CERTIFICATE OR pin_PKCS12)
    find_program(QUADRIVO_OPENSSL openssl REQUIRED)
    set(openssl "-DOPENSSL=${QUADRIVO_OPENSSL}")
  endif()
  add_custom_command(OUTPUT "${source}"
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${source} -DCERTIFICATE=${pin_CERTIFICATE}
            -DPKCS12=${pin_PKCS12} ${openssl} -P ${script}
    DEPENDS "${script}" "${names}" ${pin_CERTIFICATE} ${pin_PKCS12}
    COMMENT "The publisher's certificate that ${program} pins"
    VERBATIM)
  set(${source_variable} "${source}" PARENT_SCOPE)
endfunction()

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
