# End-to-end tests (label wine-e2e): the shipping zrdrvtool.exe under Wine
# and Xvfb, driven by the robot, compared with the Linux program on the same
# machine image and script (run-e2e.sh). Included by ../wine_tests.cmake,
# which has checked for Wine and the i686 compiler.
find_program(ZR_XVFB_RUN xvfb-run)
find_program(ZR_XWD xwd)
if(NOT ZR_XVFB_RUN OR NOT ZR_XWD)
  message(STATUS "Wine end-to-end tests left out: xvfb-run or xwd is missing")
  return()
endif()

add_executable(reg_view ${CMAKE_SOURCE_DIR}/tools/wine/e2e/reg_view.cpp)
zr_project_target(reg_view)
target_link_libraries(reg_view PRIVATE zr_sim)

set(zr_e2e ${CMAKE_SOURCE_DIR}/tools/wine/e2e/run-e2e.sh)
set(zr_e2e_work ${CMAKE_BINARY_DIR}/wine-e2e)
set(zr_e2e_scripts ${CMAKE_CURRENT_LIST_DIR}/scripts)

add_test(NAME wine_e2e_build COMMAND ${zr_e2e} build)
# The conformance suite builds in the same i686 tree: never both at once.
set_tests_properties(wine_e2e_build PROPERTIES FIXTURES_SETUP zr_wine_e2e LABELS "wine-e2e" TIMEOUT 1800
  RESOURCE_LOCK zr_mingw_i686_tree)
if(TEST wine_build_conformance_win32)
  set_tests_properties(wine_build_conformance_win32 PROPERTIES RESOURCE_LOCK zr_mingw_i686_tree)
endif()

function(zr_e2e_test name image script)
  add_test(NAME wine_e2e_${name}
    COMMAND ${zr_e2e} run ${name} ${image} ${script} ${zr_e2e_work} ${ARGN})
  set_tests_properties(wine_e2e_${name} PROPERTIES
    FIXTURES_REQUIRED zr_wine_e2e LABELS "wine-e2e" TIMEOUT 600 SKIP_RETURN_CODE 77)
endfunction()

set(zr_xp_image ${CMAKE_SOURCE_DIR}/machines/winxp-modem)
# Every page in the winxp and win98 modes, with a screenshot of each.
zr_e2e_test(winxp_uninstall ${zr_xp_image} ${zr_e2e_scripts}/uninstall-modem.script)
zr_e2e_test(winxp_chooser_install ${zr_xp_image} ${zr_e2e_scripts}/chooser-install-xp.script --mode chooser)
zr_e2e_test(win98_uninstall ${zr_xp_image} ${zr_e2e_scripts}/uninstall-98.script --windows win98)
zr_e2e_test(win98_chooser_install ${zr_xp_image} ${zr_e2e_scripts}/chooser-install-98.script
  --mode chooser --windows win98)
# Keys on the chooser by where the focus is, and a second start during the run.
zr_e2e_test(winxp_chooser_second_start ${zr_xp_image} ${zr_e2e_scripts}/chooser-uninstall-second-start.script
  --mode chooser)

# Each scenario case of the uninstall wizard that runs a sample image as it
# is, through to its end: the case file is the script, its "#image" line
# names the image.
file(GLOB zr_cases ${CMAKE_SOURCE_DIR}/tests/scenario/cases/*.case)
foreach(case IN LISTS zr_cases)
  file(STRINGS ${case} image REGEX "^#image ")
  file(STRINGS ${case} altered REGEX "^#(ini|reg|file|status|mode) ")
  if(altered OR NOT image)
    continue()
  endif()
  string(REPLACE "#image " "" image "${image}")
  get_filename_component(name ${case} NAME_WE)
  string(REPLACE "-" "_" name ${name})
  zr_e2e_test(scenario_${name} ${CMAKE_SOURCE_DIR}/machines/${image} ${case})
endforeach()

# The shipping program imports only what Windows 98 has.
add_test(NAME wine_ship_imports
  COMMAND ${CMAKE_SOURCE_DIR}/tools/wine/ship-imports.sh ${CMAKE_SOURCE_DIR}/build/mingw-i686-ship/zrdrvtool.exe)
set_tests_properties(wine_ship_imports PROPERTIES FIXTURES_REQUIRED zr_wine_e2e LABELS "wine-e2e" TIMEOUT 60)

# The front end's pieces on real windows, through the ANSI calls (win98)
# and the wide ones (winxp).
foreach(mode IN ITEMS win98 winxp)
  add_test(NAME wine_ui_${mode} COMMAND ${zr_e2e} unit ${mode} ${zr_e2e_work})
  set_tests_properties(wine_ui_${mode} PROPERTIES FIXTURES_REQUIRED zr_wine_e2e LABELS "wine-e2e" TIMEOUT 300)
endforeach()

# The Windows program's journal put back with regedit and a file copy, as
# anyone can without our program (run-restore.sh): restore.reg as REGEDIT4
# (win98) and as version 5 (winxp).
set(zr_restore ${CMAKE_SOURCE_DIR}/tools/wine/e2e/run-restore.sh)
add_test(NAME wine_e2e_restore_winxp
  COMMAND ${zr_restore} restore_winxp ${zr_xp_image} ${zr_e2e_scripts}/uninstall-modem.script ${zr_e2e_work})
add_test(NAME wine_e2e_restore_win98
  COMMAND ${zr_restore} restore_win98 ${CMAKE_SOURCE_DIR}/machines/win98-portadapter
    ${CMAKE_SOURCE_DIR}/tests/scenario/cases/win98-portadapter.case ${zr_e2e_work})
set_tests_properties(wine_e2e_restore_winxp wine_e2e_restore_win98 PROPERTIES
  FIXTURES_REQUIRED zr_wine_e2e LABELS "wine-e2e" TIMEOUT 900 SKIP_RETURN_CODE 77)
