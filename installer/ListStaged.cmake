# cmake -DSTAGE=folder -P ListStaged.cmake: writes STAGE/Staged.nsh with the macros that
# install every file under STAGE/Lang and STAGE/Skin and remove exactly those files (through
# Kestrix.nsi's RemoveInstalled, which notes any that stays) and then their folders, deepest
# first, so that a folder holding a file of the user's stays.
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/Lang/* ${STAGE}/Skin/*)
list(SORT files)
set(install "")
set(remove "")
set(folders "")
set(current_folder "-")
foreach(file IN LISTS files)
  get_filename_component(folder ${file} DIRECTORY)
  string(REPLACE "/" "\\" windows_file "${file}")
  string(REPLACE "/" "\\" windows_folder "${folder}")
  if(NOT folder STREQUAL current_folder)
    string(APPEND install "  SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
    set(current_folder ${folder})
  endif()
  string(APPEND install "  File \"\${KX_STAGE}/${file}\"\n")
  string(APPEND remove "  !insertmacro RemoveInstalled \"${windows_file}\"\n")
  while(folder AND NOT folder IN_LIST folders)
    list(APPEND folders ${folder})
    get_filename_component(folder ${folder} DIRECTORY)
  endwhile()
endforeach()
# Reverse order of a sorted list puts every folder before its parent.
list(SORT folders)
list(REVERSE folders)
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" windows_folder "${folder}")
  string(APPEND remove "  RMDir \"$INSTDIR\\${windows_folder}\"\n")
endforeach()
file(WRITE ${STAGE}/Staged.nsh
  "; Made by installer/ListStaged.cmake from the staged files.\n"
  "!macro InstallStaged\n${install}!macroend\n"
  "!macro RemoveStaged\n${remove}!macroend\n")
