# x86-exports.cmake - the exports of the 32-bit Windows DLL.  On x86 the
# symbol of a __stdcall function carries its argument bytes
# (_initQX@12), while the DLL must export the plain name (initQX).
#
# The module-definition file is made from include/qxlogics.h: every
# parameter of the 29 functions (pointer, int or short) takes 4 bytes on
# the stack, so each name gets "@" and 4 x its parameter count.  The
# linker binds each entry to its decorated symbol, failing when a count is
# wrong, and exports it without the suffix (--kill-at).  The linker's own
# import library would then name the plain symbols, which no caller's
# compiler asks for: dlltool rebuilds it from the same file, binding the
# decorated symbols (_initQX@12) to the plain export.
file(READ ${CMAKE_SOURCE_DIR}/include/qxlogics.h qx_header)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/include/qxlogics.h)
string(REGEX MATCHALL "QXAPI [A-Za-z0-9_]+\\([^)]*\\)" qx_declarations "${qx_header}")
set(QX_X86_DEF ${CMAKE_BINARY_DIR}/qxlogics-x86.def)
set(qx_def "; The exports of qxlogics.dll for x86, made from qxlogics.h.\n")
string(APPEND qx_def "LIBRARY qxlogics.dll\nEXPORTS\n")
foreach(declaration IN LISTS qx_declarations)
  string(REGEX REPLACE "QXAPI ([A-Za-z0-9_]+)\\(.*" "\\1" name "${declaration}")
  string(REGEX MATCHALL "," commas "${declaration}")
  list(LENGTH commas count)
  math(EXPR bytes "4 * (${count} + 1)")
  string(APPEND qx_def "    ${name}@${bytes}\n")
endforeach()
# Rewritten only when it changes, so that a new configuration relinks nothing.
file(WRITE ${QX_X86_DEF}.new "${qx_def}")
configure_file(${QX_X86_DEF}.new ${QX_X86_DEF} COPYONLY)

target_sources(qxlogics PRIVATE ${QX_X86_DEF})
target_link_options(qxlogics PRIVATE -Wl,--kill-at)
add_custom_command(TARGET qxlogics POST_BUILD
  COMMAND ${CMAKE_DLLTOOL} -k -d ${QX_X86_DEF} -D qxlogics.dll -l $<TARGET_LINKER_FILE:qxlogics>
  VERBATIM)
