# The library's sources: one folder per subsystem, plus the platform backend
# and the platform code common to both backends (test seams, dispatch).
set(QX_SOURCE_DIRS api core link events settings logging platform/common platform/${QX_PLATFORM})
set(QX_LIBRARY_SOURCES)
foreach(dir ${QX_SOURCE_DIRS})
  file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND QX_LIBRARY_SOURCES ${dir_sources})
endforeach()
