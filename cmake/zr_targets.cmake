# Warnings and include paths for the project's own targets. Every library
# and program calls zr_project_target(); nothing is set globally, so a
# vendored library (GoogleTest in the cross builds) keeps its own flags.

option(ZR_WERROR "Turn warnings into errors (the test script and CI turn it on)" OFF)

add_library(zr_warnings INTERFACE)
target_compile_options(zr_warnings INTERFACE -Wall -Wextra $<$<BOOL:${ZR_WERROR}>:-Werror>)
# GCC 12's flow-based buffer warnings misfire at -O2 inside libstdc++'s
# inlined vector and string copies (GCC bugs 105329, 105651); the Debug,
# sanitizer and fuzz builds check the same code's bounds for real.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  target_compile_options(zr_warnings INTERFACE -Wno-restrict -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()
if(WIN32)
  target_compile_definitions(zr_warnings INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

# zr_project_target(TARGET [PUBLIC_INCLUDE]): the project's warnings, and the
# source root as the include root ("engine/reg_edit.h"). Which folder may
# include which is checked by scripts/check-layers; linking only downward
# makes an upward call a link error as well.
function(zr_project_target target)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
  else()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE zr_warnings)
  endif()
endfunction()
