# add_deliverable(NAME <dll name> SOURCES ... RC <file> DEF <file> [DIALOG] [LIBS ...])
#
# A deliverable is the framework plus one object: its sources, its .rc and
# its .def. The .def names the 32-bit decorated symbols (name@bytes), which
# makes the linker check every entry point's argument count; the x86_64
# build strips the decoration. Everything is linked statically so that the
# DLL imports only Windows system DLLs, HRTL32 (by ordinal) and what LIBS
# names.

# Writes `out` from a .def with the stdcall decorations removed.
function(strip_def_decorations in out)
  file(READ ${in} text)
  string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@[0-9]+" "\\1" text "${text}")
  # Written only when it changes, so that a new configure relinks nothing.
  set(old "")
  if(EXISTS ${out})
    file(READ ${out} old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE ${out} "${text}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${in})
endfunction()

# The definition file to link with on this target.
function(def_for_target in outvar)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${outvar} ${in} PARENT_SCOPE)
  else()
    get_filename_component(base ${in} NAME)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${base})
    strip_def_decorations(${in} ${out})
    set(${outvar} ${out} PARENT_SCOPE)
  endif()
endfunction()

set(PRODUCT_COMPILE_OPTIONS -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections)
set(PRODUCT_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND PRODUCT_LINK_OPTIONS -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()

function(add_deliverable)
  cmake_parse_arguments(D "DIALOG" "NAME;RC;DEF" "SOURCES;LIBS" ${ARGN})
  def_for_target(${CMAKE_CURRENT_SOURCE_DIR}/${D_DEF} def)
  add_library(${D_NAME} SHARED ${D_SOURCES} ${D_RC} $<TARGET_OBJECTS:framework_core> ${def})
  target_include_directories(${D_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/framework ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(${D_NAME} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PRODUCT_COMPILE_OPTIONS}>)
  target_link_options(${D_NAME} PRIVATE ${PRODUCT_LINK_OPTIONS})
  if(D_DIALOG)
    target_link_libraries(${D_NAME} PRIVATE framework_dialog)
  endif()
  target_link_libraries(${D_NAME} PRIVATE hrtl32_import ${D_LIBS})
  set_target_properties(${D_NAME} PROPERTIES
    PREFIX "" OUTPUT_NAME ${D_NAME}
    RUNTIME_OUTPUT_DIRECTORY ${DELIVERABLE_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${DELIVERABLE_DIR})
  set_property(GLOBAL APPEND PROPERTY DELIVERABLES ${D_NAME})
endfunction()
