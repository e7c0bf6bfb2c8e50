# The X test extension (libxtst-dev), with which window_probe and the window step test send
# keys and read windows back. Defines XTest_FOUND and XTest::XTest. Hide it with
# -DCMAKE_DISABLE_FIND_PACKAGE_XTest=ON.
find_package(X11 QUIET)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(XTest REQUIRED_VARS X11_Xtst_LIB X11_Xtst_INCLUDE_PATH)
if(XTest_FOUND AND NOT TARGET XTest::XTest)
  add_library(XTest::XTest INTERFACE IMPORTED)
  target_link_libraries(XTest::XTest INTERFACE X11::Xtst X11::X11)
endif()
