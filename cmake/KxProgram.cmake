# kx_add_windows_program(TARGET OUTPUT_NAME name ICON file DESCRIPTION text SOURCES ... LIBS ...):
# a GUI executable with the program's icon, a version resource and the common manifest.
function(kx_add_windows_program target)
  cmake_parse_arguments(P "" "OUTPUT_NAME;ICON;DESCRIPTION" "SOURCES;LIBS" ${ARGN})
  set(KX_RC_NAME ${P_OUTPUT_NAME})
  set(KX_RC_ICON ${P_ICON})
  set(KX_RC_DESCRIPTION ${P_DESCRIPTION})
  set(KX_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/resources/program.manifest ${KX_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/program.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  add_executable(${target} WIN32 ${P_SOURCES} ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${P_OUTPUT_NAME})
  target_link_libraries(${target} PRIVATE ${P_LIBS})
endfunction()
