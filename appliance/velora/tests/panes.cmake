# The other panes and windows: unit tests, and the panes on a virtual display against the
# stand-in plug-ins and programs.
zephra_test(velora_panes_tests SOURCES PlaylistFilesTest.cpp MixerLevelsTest.cpp LIBS velora_core)

# The panes on a virtual display, against the stand-in plug-ins and programs; screenshots stay
# in the build folder.
add_executable(velora_pane_tests PaneFixture.cpp DvdPaneTest.cpp CdPaneTest.cpp NoPaneViewerTest.cpp MixerRemoteTest.cpp SettingsTest.cpp PlaylistEditorTest.cpp)
# GdkPixbuf reads screenshots back to look at what a control shows.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VELORA_PIXBUF REQUIRED IMPORTED_TARGET gdk-pixbuf-2.0)
target_link_libraries(velora_pane_tests PRIVATE velora_core PkgConfig::VELORA_PIXBUF GTest::gtest GTest::gtest_main Threads::Threads util)
target_compile_definitions(velora_pane_tests PRIVATE
  VELORA_UI_DIR="${CMAKE_CURRENT_SOURCE_DIR}/../ui"
  VELORA_SCREENSHOTS="${CMAKE_CURRENT_BINARY_DIR}")
foreach(standin tarrow quenby wendrel mixer)
  if(TARGET ${standin})
    add_dependencies(velora_pane_tests ${standin})
  endif()
endforeach()
add_test(NAME velora_pane_tests COMMAND ${CMAKE_SOURCE_DIR}/scripts/on-virtual-display $<TARGET_FILE:velora_pane_tests>)
set_tests_properties(velora_pane_tests PROPERTIES TIMEOUT 300
  ENVIRONMENT "PATH=${CMAKE_BINARY_DIR}/bin:$ENV{PATH};LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/appliance/velora/tests/lsan.supp;GDK_BACKEND=x11;NO_AT_BRIDGE=1;GSETTINGS_BACKEND=memory")
