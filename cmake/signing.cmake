# Authenticode signing of the DLL and the installer packages (Windows builds).
#
# A certificate is configured by cache variables, or by environment variables of the same names
# when the cache variable is not set:
#   LOCKFOLIO_SIGN_PFX            absolute path of a PKCS#12 file: code-signing certificate, key, chain
#   LOCKFOLIO_SIGN_PASSWORD_FILE  absolute path of a file whose first line is its password
#   LOCKFOLIO_SIGN_TIMESTAMP_URL  optional RFC 3161 time-stamping server
# or, for tests, LOCKFOLIO_SIGN_WITH_TEST_CERTIFICATE=ON: a throw-away authority and certificate
# are made in <build>/signing-test (installer/make-test-certificates) and used.
# Without a certificate nothing is signed, and configuring says so. installer/sign checks the
# certificate (password, key, validity, code-signing usage) before it signs, and removes the file
# it could not sign, so that a failed signature fails the build and the next build tries again.

set(LOCKFOLIO_SIGN_PFX "$ENV{LOCKFOLIO_SIGN_PFX}" CACHE FILEPATH
    "PKCS#12 code-signing certificate (absolute path); empty: the DLL and packages are not signed")
set(LOCKFOLIO_SIGN_PASSWORD_FILE "$ENV{LOCKFOLIO_SIGN_PASSWORD_FILE}" CACHE FILEPATH
    "File holding the certificate's password (absolute path)")
set(LOCKFOLIO_SIGN_TIMESTAMP_URL "$ENV{LOCKFOLIO_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 time-stamping server; empty: signatures are not time-stamped")
option(LOCKFOLIO_SIGN_WITH_TEST_CERTIFICATE "Sign with a throw-away certificate made in the build folder (tests)" OFF)

set(LOCKFOLIO_SIGN_TEST_DIR ${CMAKE_BINARY_DIR}/signing-test)
if(LOCKFOLIO_SIGN_WITH_TEST_CERTIFICATE)
  # Made once per build folder and kept while valid: the signed DLL must keep verifying against it.
  if(NOT EXISTS ${LOCKFOLIO_SIGN_TEST_DIR}/codesign.pfx)
    execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/installer/make-test-certificates ${LOCKFOLIO_SIGN_TEST_DIR}
                    RESULT_VARIABLE made OUTPUT_QUIET)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "Could not make the test certificates in ${LOCKFOLIO_SIGN_TEST_DIR}")
    endif()
  endif()
  # Plain variables, over the cache's: turning the option off again brings the configured ones back.
  set(LOCKFOLIO_SIGN_PFX ${LOCKFOLIO_SIGN_TEST_DIR}/codesign.pfx)
  set(LOCKFOLIO_SIGN_PASSWORD_FILE ${LOCKFOLIO_SIGN_TEST_DIR}/codesign.password)
endif()

set(LOCKFOLIO_SIGN_COMMAND "")
if(LOCKFOLIO_SIGN_PFX)
  foreach(path LOCKFOLIO_SIGN_PFX LOCKFOLIO_SIGN_PASSWORD_FILE)
    if(${path} AND NOT IS_ABSOLUTE "${${path}}")
      message(FATAL_ERROR "${path} must be an absolute path, not '${${path}}'")
    endif()
  endforeach()
  set(LOCKFOLIO_SIGN_ENVIRONMENT
      LOCKFOLIO_SIGN_PFX=${LOCKFOLIO_SIGN_PFX}
      LOCKFOLIO_SIGN_PASSWORD_FILE=${LOCKFOLIO_SIGN_PASSWORD_FILE}
      LOCKFOLIO_SIGN_TIMESTAMP_URL=${LOCKFOLIO_SIGN_TIMESTAMP_URL})
  set(LOCKFOLIO_SIGN_COMMAND ${CMAKE_COMMAND} -E env ${LOCKFOLIO_SIGN_ENVIRONMENT}
      bash ${CMAKE_SOURCE_DIR}/installer/sign)
  # What the tests pass on: the certificate, and the authority to check the signatures against
  # (the throw-away one; empty: the system's trusted roots).
  set(LOCKFOLIO_SIGN_TEST_ENVIRONMENT ${LOCKFOLIO_SIGN_ENVIRONMENT})
  if(LOCKFOLIO_SIGN_WITH_TEST_CERTIFICATE)
    list(APPEND LOCKFOLIO_SIGN_TEST_ENVIRONMENT LOCKFOLIO_SIGN_VERIFY_CA=${LOCKFOLIO_SIGN_TEST_DIR}/ca.pem)
  endif()
  if(LOCKFOLIO_SIGN_TIMESTAMP_URL)
    message(STATUS "Code signing: on, with ${LOCKFOLIO_SIGN_PFX}, time-stamped by ${LOCKFOLIO_SIGN_TIMESTAMP_URL}")
  else()
    message(STATUS "Code signing: on, with ${LOCKFOLIO_SIGN_PFX}, not time-stamped")
  endif()
else()
  message(STATUS "Code signing: off (no certificate configured: the DLL and the packages are unsigned; "
                 "set LOCKFOLIO_SIGN_PFX and LOCKFOLIO_SIGN_PASSWORD_FILE to sign)")
endif()

# Signs a target's file right after it is linked; a new certificate links and signs it again.
function(lockfolio_sign_after_link target)
  if(LOCKFOLIO_SIGN_COMMAND)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${LOCKFOLIO_SIGN_COMMAND} $<TARGET_FILE:${target}> VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${LOCKFOLIO_SIGN_PFX})
  endif()
endfunction()
