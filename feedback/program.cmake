# Valedict, the uninstall feedback prompt. Its forms live in a library so that the GUI tests
# drive the very same windows in-process.
add_library(kx_valedict STATIC
  ValedictState.cpp SkinButton.cpp MainFrm.cpp SurveyFrm.cpp WaitFrm.cpp)
target_include_directories(kx_valedict PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kx_valedict PUBLIC kx_ui kx_formpost kx_survey kx_shared kx_delayload_uxtheme)

kx_add_windows_program(valedict OUTPUT_NAME Valedict ICON ${PROJECT_SOURCE_DIR}/resources/valedict.ico
  DESCRIPTION "Kestrix uninstall feedback"
  SOURCES Main.cpp
  LIBS kx_valedict)
