# kx_delay_load(TARGET DLL DEF): an interface target that links the functions listed in DEF
# from the system DLL named DLL so that the DLL loads on the first call of one of them, not
# with the program. A program that links it must not link the DLL's ordinary import library.
# The delay-load helper loads by name; the programs restrict that search to the system folder
# before anything else runs.
function(kx_delay_load target dll def)
  set(library ${CMAKE_BINARY_DIR}/delayload/lib${target}.a)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayload)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  # dlltool names the library's symbols after its path: a relative one keeps the build folder
  # out of the programs.
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib lib${target}.a
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/delayload
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot make the delay-load library of ${dll}")
  endif()
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${library} delayimp)
endfunction()
