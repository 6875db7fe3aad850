# Writes the source that pins the publisher's certificate into one program
# (kBuildPublisherPin of src/platform/win32/elevation/publisher_pin.h): the
# certificate's SHA-256 and its subject Name as encoded.
#
#   cmake -DOUTPUT=pin.cpp [-DCERTIFICATE=cert.pem|cert.der] [-DPKCS12=key.p12]
#         [-DOPENSSL=path] -P pin-certificate.cmake
#
# The certificate is taken from CERTIFICATE (PEM, its first certificate, or
# DER), or from the PKCS#12 file that signs the program, whose password comes
# from the environment variable QUADRIVO_SIGN_PASSWORD, as for signing: it is
# handed to openssl by the variable's name, never on a command line. Given
# both, they must be the same certificate, or the script fails: a build is
# never signed with a certificate other than the one it pins. Given neither,
# the source says that the program pins nothing. The source holds nothing of
# the machine or the time it was made on, so that builds stay reproducible.
cmake_minimum_required(VERSION 3.25)

function(fail)
  string(CONCAT message ${ARGV})
  file(REMOVE "${OUTPUT}" "${der}")
  message(FATAL_ERROR "Pinning the publisher's certificate failed: ${message}")
endfunction()

# The certificate of the PKCS#12 file (the one its key belongs to), as DER in
# the file ${der}. A container from an older Windows export uses algorithms
# OpenSSL 3 reads only when told to.
function(certificate_of_pkcs12)
  if(NOT DEFINED ENV{QUADRIVO_SIGN_PASSWORD})
    fail("QUADRIVO_SIGN_PASSWORD is not set (set it empty for a PKCS#12 file without a password)")
  endif()
  foreach(legacy "" -legacy)
    execute_process(
      COMMAND "${OPENSSL}" pkcs12 -in "${PKCS12}" -nokeys -clcerts ${legacy}
              -passin env:QUADRIVO_SIGN_PASSWORD
      COMMAND "${OPENSSL}" x509 -outform DER -out "${der}"
      RESULTS_VARIABLE statuses
      ERROR_VARIABLE output)
    if(statuses MATCHES "^0;0$")
      return()
    endif()
  endforeach()
  fail("openssl could not read the certificate of ${PKCS12} (${statuses}):\n${output}")
endfunction()

# The certificate file as DER in the file ${der}: a PEM file is converted.
function(certificate_of_file)
  file(READ "${CERTIFICATE}" head LIMIT 10)
  if(NOT head MATCHES "^-----BEGIN")
    file(COPY_FILE "${CERTIFICATE}" "${der}")
    return()
  endif()
  execute_process(COMMAND "${OPENSSL}" x509 -in "${CERTIFICATE}" -outform DER -out "${der}"
                  RESULT_VARIABLE status ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    fail("openssl could not read ${CERTIFICATE} (${status}):\n${output}")
  endif()
endfunction()

# The DER element (tag, length, contents) at ${position} of ${hex}, two hex
# digits a byte: its tag, where its contents begin and where it ends, as
# <prefix>_tag, <prefix>_contents and <prefix>_end.
function(read_element hex position prefix)
  string(LENGTH "${hex}" hex_end)
  math(EXPR after_tag "${position} + 2")
  math(EXPR after_length "${position} + 4")
  if(after_length GREATER hex_end)
    fail("the certificate ends inside an element")
  endif()
  string(SUBSTRING "${hex}" ${position} 2 tag)
  string(SUBSTRING "${hex}" ${after_tag} 2 length)
  math(EXPR length "0x${length}")
  if(length GREATER 127)
    math(EXPR digits "(${length} - 128) * 2")
    if(digits LESS 2 OR digits GREATER 6)
      fail("the certificate has an element of a length DER does not encode so")
    endif()
    math(EXPR digits_end "${after_length} + ${digits}")
    if(digits_end GREATER hex_end)
      fail("the certificate ends inside an element's length")
    endif()
    string(SUBSTRING "${hex}" ${after_length} ${digits} length)
    math(EXPR length "0x${length}")
    set(after_length ${digits_end})
  endif()
  math(EXPR end "${after_length} + ${length} * 2")
  if(end GREATER hex_end)
    fail("the certificate ends inside an element")
  endif()
  set(${prefix}_tag ${tag} PARENT_SCOPE)
  set(${prefix}_contents ${after_length} PARENT_SCOPE)
  set(${prefix}_end ${end} PARENT_SCOPE)
endfunction()

# The subject Name of the DER certificate in ${hex}, as hex, tag and length
# included: Certificate is a SEQUENCE whose first element, tbsCertificate, is a
# SEQUENCE of an optional [0] version, serialNumber, signature, issuer,
# validity, then subject.
function(subject_of hex result)
  read_element("${hex}" 0 certificate)
  read_element("${hex}" ${certificate_contents} tbs)
  if(NOT certificate_tag STREQUAL "30" OR NOT tbs_tag STREQUAL "30")
    fail("the file holds no X.509 certificate")
  endif()
  set(position ${tbs_contents})
  read_element("${hex}" ${position} field)
  if(field_tag STREQUAL "a0")
    set(position ${field_end})
    read_element("${hex}" ${position} field)
  endif()
  foreach(expected 02 30 30 30)  # serialNumber, signature, issuer, validity
    if(NOT field_tag STREQUAL expected)
      fail("the certificate's fields are not those of X.509, in its order")
    endif()
    set(position ${field_end})
    read_element("${hex}" ${position} field)
  endforeach()
  if(NOT field_tag STREQUAL "30" OR field_end GREATER tbs_end)
    fail("the certificate has no subject where X.509 puts it")
  endif()
  math(EXPR length "${field_end} - ${position}")
  string(SUBSTRING "${hex}" ${position} ${length} subject)
  set(${result} "${subject}" PARENT_SCOPE)
endfunction()

# Hex digits as the items of a C array, twelve to a line.
function(as_bytes hex result)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${hex}")
  string(REPEAT "0x.., " 12 line)
  string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
  string(REPLACE " \n" "\n" bytes "${bytes}")
  string(STRIP "${bytes}" bytes)
  set(${result} "${bytes}" PARENT_SCOPE)
endfunction()

set(der "${OUTPUT}.der")
set(header "// The publisher's certificate this program pins: made by cmake/pin-certificate.cmake.
#include \"platform/win32/elevation/publisher_pin.h\"

namespace platform::win32 {
")
if(NOT CERTIFICATE AND NOT PKCS12)
  file(WRITE "${OUTPUT}" "${header}
// This build names no certificate: it pins none, and its elevated runs check
// no signature.
const PublisherPin kBuildPublisherPin = {nullptr, nullptr, 0};

}  // namespace platform::win32
")
  return()
endif()

if(NOT OPENSSL)
  find_program(OPENSSL openssl)
  if(NOT OPENSSL)
    fail("openssl is missing")
  endif()
endif()
foreach(file IN ITEMS ${CERTIFICATE} ${PKCS12})
  if(NOT EXISTS "${file}")
    fail("${file} does not exist")
  endif()
endforeach()

if(PKCS12)
  certificate_of_pkcs12()
  file(SHA256 "${der}" signing_fingerprint)
endif()
if(CERTIFICATE)
  certificate_of_file()
  file(SHA256 "${der}" fingerprint)
  if(PKCS12 AND NOT fingerprint STREQUAL signing_fingerprint)
    fail("QUADRIVO_PUBLISHER_CERTIFICATE (${CERTIFICATE}, SHA-256 ${fingerprint}) is not the "
         "certificate of QUADRIVO_SIGN_PKCS12 (${PKCS12}, SHA-256 ${signing_fingerprint}): a "
         "build signs only with the certificate it pins")
  endif()
endif()
file(SHA256 "${der}" fingerprint)
file(READ "${der}" hex HEX)
file(REMOVE "${der}")
subject_of("${hex}" subject)
as_bytes("${fingerprint}" fingerprint_bytes)
as_bytes("${subject}" subject_bytes)
file(WRITE "${OUTPUT}" "${header}
namespace {

constexpr BYTE kFingerprint[kFingerprintSize] = {
    ${fingerprint_bytes}
};
constexpr BYTE kSubject[] = {
    ${subject_bytes}
};

}  // namespace

const PublisherPin kBuildPublisherPin = {kFingerprint, kSubject, sizeof kSubject};

}  // namespace platform::win32
")
message(STATUS "Pinned the publisher's certificate of SHA-256 ${fingerprint}")
