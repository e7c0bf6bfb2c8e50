# ImageMagick's own programs, from /usr/bin only (a different `convert` may come first on
# the PATH): convert makes the icons, identify and compare check the drive pictures.
# Defines ImageMagick_FOUND and ImageMagick_<program>_EXECUTABLE. Hide it with
# -DCMAKE_DISABLE_FIND_PACKAGE_ImageMagick=ON.
foreach(program convert identify compare)
  find_program(ImageMagick_${program}_EXECUTABLE ${program} PATHS /usr/bin NO_DEFAULT_PATH)
endforeach()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(ImageMagick REQUIRED_VARS ImageMagick_convert_EXECUTABLE
                                  ImageMagick_identify_EXECUTABLE ImageMagick_compare_EXECUTABLE)
