# The Win32 conformance suite under Wine, registered in the native tree so
# that one ctest run covers the simulation natively and the real calls under
# Wine. The i686 tree is built by the first test (a fixture), not by the
# native build.
find_program(ZR_WINE wine)
find_program(ZR_MINGW_CXX i686-w64-mingw32-g++-posix)
if(NOT ZR_WINE OR NOT ZR_MINGW_CXX)
  message(STATUS "Wine conformance tests left out: wine or the i686 MinGW compiler is missing")
  return()
endif()

set(zr_wine_script ${CMAKE_SOURCE_DIR}/tools/wine/run-conformance.sh)
set(zr_wine_work ${CMAKE_BINARY_DIR}/wine)

add_test(NAME wine_build_conformance_win32 COMMAND ${zr_wine_script} build)
set_tests_properties(wine_build_conformance_win32 PROPERTIES
  FIXTURES_SETUP zr_wine LABELS "wine" TIMEOUT 1800)

# The whole suite in a 9x and an NT mode; the other two modes only for what
# tells the modes apart.
foreach(mode_labels IN ITEMS "win98|wine98" "winxp|winxp")
  string(REPLACE "|" ";" parts ${mode_labels})
  list(GET parts 0 mode)
  list(GET parts 1 label)
  add_test(NAME wine_conformance_${mode} COMMAND ${zr_wine_script} run ${mode} ${zr_wine_work})
  set_tests_properties(wine_conformance_${mode} PROPERTIES
    FIXTURES_REQUIRED zr_wine LABELS "wine;${label};conformance" TIMEOUT 900)
endforeach()
foreach(mode IN ITEMS winme win2k)
  add_test(NAME wine_version_${mode}
    COMMAND ${zr_wine_script} run ${mode} ${zr_wine_work} --gtest_filter=Win32Version.*:Win32Folders.*)
  set_tests_properties(wine_version_${mode} PROPERTIES
    FIXTURES_REQUIRED zr_wine LABELS "wine;${mode};conformance" TIMEOUT 300)
endforeach()

add_test(NAME wine_harness_selftest
  COMMAND ${CMAKE_SOURCE_DIR}/tools/wine/harness-selftest.sh ${zr_wine_work})
set_tests_properties(wine_harness_selftest PROPERTIES LABELS "wine" TIMEOUT 300)

# The Windows program end to end, against the Linux program.
include(${CMAKE_CURRENT_LIST_DIR}/e2e/e2e_tests.cmake)
# Its /report against the Linux program's preview.
include(${CMAKE_CURRENT_LIST_DIR}/e2e/report_tests.cmake)
