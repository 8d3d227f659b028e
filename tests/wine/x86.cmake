# The x86 DLL under 32-bit Wine (label x86; the 32-bit build only). Every 32-bit process start costs
# about 45-50 s here (Wine's 32-bit half runs under qemu's user-mode emulation), so each test starts
# few of them. x86_prefix makes the prefix once, with Wine's 32-bit half, and proves that 32-bit code
# runs in it; every other test works in a copy of it. Where the machine runs no 32-bit program the
# tests say why and count as skipped (exit code 77).

add_executable(bitness_check ${CMAKE_SOURCE_DIR}/tests/wine/checks/bitness_check.cpp)
target_link_options(bitness_check PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(bitness_check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)

find_program(LOCKFOLIO_X86_WINE wine)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND LOCKFOLIO_X86_WINE)
  enable_testing()
  set(x86_template ${CMAKE_BINARY_DIR}/wine-prefix-x86)
  set(x86_runner ${CMAKE_SOURCE_DIR}/tests/wine/host/run_wine_test.sh)
  add_test(NAME x86_prefix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/x86-prefix ${CMAKE_BINARY_DIR} ${x86_template})
  add_test(NAME x86_wine_suite COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/run-suite ${CMAKE_BINARY_DIR})
  add_test(NAME x86_host_test COMMAND ${x86_runner} $<TARGET_FILE:wine_host_test> $<TARGET_FILE:LockfolioAddIn>)
  add_test(NAME x86_automation_backend_test COMMAND ${x86_runner} $<TARGET_FILE:automation_backend_test>)
  add_test(NAME x86_load_benchmark COMMAND bash ${CMAKE_SOURCE_DIR}/bench/run-benchmark ${CMAKE_BINARY_DIR} 20)
  # The x64 sweep's cases, where VARIANT, DECIMAL and SAFEARRAY have their 32-bit sizes and the
  # calls their 32-bit convention.
  add_test(NAME x86_hostile_sweep COMMAND ${x86_runner} $<TARGET_FILE:hostile_sweep> $<TARGET_FILE:LockfolioAddIn>)
  set(x86_tests x86_wine_suite x86_host_test x86_automation_backend_test x86_load_benchmark x86_hostile_sweep)
  find_program(LOCKFOLIO_X86_WIXL wixl)
  if(LOCKFOLIO_X86_WIXL)
    add_test(NAME x86_installer_msi COMMAND bash ${CMAKE_SOURCE_DIR}/installer/test-msi ${CMAKE_BINARY_DIR})
    list(APPEND x86_tests x86_installer_msi)
  endif()
  set_tests_properties(x86_prefix PROPERTIES LABELS x86 TIMEOUT 1200 SKIP_RETURN_CODE 77 FIXTURES_SETUP x86_prefix)
  foreach(test ${x86_tests})
    set_tests_properties(${test} PROPERTIES LABELS x86 TIMEOUT 900 SKIP_RETURN_CODE 77 FIXTURES_REQUIRED x86_prefix
      ENVIRONMENT "LOCKFOLIO_WINE_TEMPLATE=${x86_template};WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix-${test};${LOCKFOLIO_SIGN_TEST_ENVIRONMENT}")
  endforeach()
  set_property(TEST x86_hostile_sweep APPEND PROPERTY ENVIRONMENT WINEDEBUG=warn+heap)
endif()
