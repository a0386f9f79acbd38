# googletest from Debian's sources (package googletest), built with the
# project's compiler. Threads are off on Windows: the mingw gtest needs none.
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "googletest sources")
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# googletest's own code is not ours to hold to -Werror.
foreach(t gtest gtest_main)
  target_compile_options(${t} PRIVATE -w)
endforeach()
