# Signs a Windows executable with Authenticode (SHA-256) using osslsigncode:
#
#   cmake -DEXE=Quadrivo.exe -DPKCS12=key.p12 -DTIMESTAMP_URL=url|none
#         [-DOSSLSIGNCODE=path] -P sign-exe.cmake
#
# The PKCS#12 container's password comes from the environment variable
# QUADRIVO_SIGN_PASSWORD (empty for a container without one), so that it is in
# no command line a build log shows: osslsigncode reads it from a file in a
# folder only this user can enter, removed again at once.
#
# The executable is replaced by its signed form in one step. When signing
# fails, the executable is removed and the script fails: a build that was
# asked to sign never leaves an unsigned program that looks finished.
cmake_minimum_required(VERSION 3.25)

function(fail_without_executable message)
  file(REMOVE "${EXE}" "${signed}")
  message(FATAL_ERROR "Signing ${EXE} failed: ${message}. The executable was removed.")
endfunction()

set(signed "${EXE}.signed")
if(NOT EXISTS "${EXE}")
  message(FATAL_ERROR "${EXE} does not exist")
endif()
if(NOT EXISTS "${PKCS12}")
  fail_without_executable("the PKCS#12 file ${PKCS12} does not exist")
endif()
if(NOT TIMESTAMP_URL)
  fail_without_executable("TIMESTAMP_URL is not set (a timestamp server, or none for a signature "
                          "without a timestamp)")
endif()
if(NOT DEFINED ENV{QUADRIVO_SIGN_PASSWORD})
  fail_without_executable("QUADRIVO_SIGN_PASSWORD is not set (set it empty for a PKCS#12 file "
                          "without a password)")
endif()
if(NOT OSSLSIGNCODE)
  find_program(OSSLSIGNCODE osslsigncode)
  if(NOT OSSLSIGNCODE)
    fail_without_executable("osslsigncode is missing")
  endif()
endif()

# A folder of a name nobody can have prepared, made before anything secret is
# in it and closed to everyone else before the password is written.
get_filename_component(exe_folder "${EXE}" DIRECTORY)
string(RANDOM LENGTH 16 token)
set(secret_folder "${exe_folder}/.sign-${token}")
if(EXISTS "${secret_folder}")
  fail_without_executable("${secret_folder} exists already")
endif()
file(MAKE_DIRECTORY "${secret_folder}")
file(CHMOD "${secret_folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE "${secret_folder}/password" "$ENV{QUADRIVO_SIGN_PASSWORD}")

set(timestamp)
set(timestamp_note ", without a timestamp")
if(NOT TIMESTAMP_URL STREQUAL "none")
  set(timestamp -ts "${TIMESTAMP_URL}")
  set(timestamp_note ", timestamped by ${TIMESTAMP_URL}")
endif()
file(REMOVE "${signed}")
execute_process(
  COMMAND "${OSSLSIGNCODE}" sign -pkcs12 "${PKCS12}" -readpass "${secret_folder}/password"
          -h sha256 -n Quadrivo ${timestamp} -in "${EXE}" -out "${signed}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
file(REMOVE_RECURSE "${secret_folder}")

if(NOT status EQUAL 0 OR NOT EXISTS "${signed}")
  string(STRIP "${output}" output)
  fail_without_executable("osslsigncode ended with ${status}:\n${output}\n")
endif()
file(RENAME "${signed}" "${EXE}")
message(STATUS "Signed ${EXE} (SHA-256${timestamp_note})")
