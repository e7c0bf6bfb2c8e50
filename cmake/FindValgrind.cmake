# valgrind: the program (memcheck, callgrind) and callgrind.h, whose client requests switch
# the instruction count on around a workload. Defines Valgrind_FOUND, VALGRIND_PROGRAM and
# VALGRIND_INCLUDE_DIR. Hide it with -DCMAKE_DISABLE_FIND_PACKAGE_Valgrind=ON.
find_program(VALGRIND_PROGRAM valgrind)
find_path(VALGRIND_INCLUDE_DIR valgrind/callgrind.h)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Valgrind REQUIRED_VARS VALGRIND_PROGRAM VALGRIND_INCLUDE_DIR)
