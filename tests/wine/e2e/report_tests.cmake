# The Windows program's /report under Wine against the Linux program's
# --preview on the same sample image (label wine-e2e; the programs come from
# the e2e build fixture).
foreach(image IN ITEMS winxp-modem win98-portadapter)
  string(REPLACE "-" "_" test_name ${image})
  add_test(NAME wine_report_${test_name}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/wine/report/run-report.sh ${test_name}
      ${CMAKE_SOURCE_DIR}/machines/${image} ${CMAKE_BINARY_DIR}/wine-report)
  set_tests_properties(wine_report_${test_name} PROPERTIES
    FIXTURES_REQUIRED zr_wine_e2e LABELS "wine-e2e" TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
