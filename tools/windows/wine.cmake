# Where Wine finds what a Windows program of this build needs, and the script that runs it there.
find_program(FERNWATCH_WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
find_program(FERNWATCH_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine REQUIRED)
get_filename_component(fernwatch_qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
# MinGW's own run-time DLLs: the C++ library and the thread library.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE fernwatch_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                OUTPUT_VARIABLE fernwatch_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(fernwatch_gcc_dlls "${fernwatch_libstdcxx}" DIRECTORY)
get_filename_component(fernwatch_pthread_dlls "${fernwatch_winpthread}" DIRECTORY)
set(FERNWATCH_MINGW_DLLS "${fernwatch_gcc_dlls}/libstdc++-6.dll" "${fernwatch_gcc_dlls}/libgcc_s_seh-1.dll"
                         "${fernwatch_pthread_dlls}/libwinpthread-1.dll")
set(FERNWATCH_QT_PREFIX "${fernwatch_qt_prefix}")

set(FERNWATCH_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(FERNWATCH_WINEPATH "${fernwatch_qt_prefix}/bin;${fernwatch_gcc_dlls};${fernwatch_pthread_dlls}")
set(FERNWATCH_QT_PLUGINS "${fernwatch_qt_prefix}/plugins")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
