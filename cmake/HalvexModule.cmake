# Warnings for the project's own targets (third-party code keeps its own flags).
function(halvex_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
    -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
  if(HALVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# halvex_module(<name> SOURCES ... [DEPS <module>...] [LIBS <library>...])
#
# Makes the static library halvex_<name>. Its headers are included as "<name>/File.h" through a folder
# of the build tree that holds a link to this module alone, so a module can include the headers of the
# modules it depends on and of no other: a catalog file that includes "menu/MainForm.h" does not compile.
function(halvex_module name)
  cmake_parse_arguments(M "" "" "SOURCES;DEPS;LIBS" ${ARGN})
  set(target halvex_${name})
  set(include_root ${CMAKE_BINARY_DIR}/module-include/${name})
  file(MAKE_DIRECTORY ${include_root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_root}/${name} SYMBOLIC)
  # A module with headers only (or none yet) is an interface library: same include and link rules.
  if(M_SOURCES)
    add_library(${target} STATIC ${M_SOURCES})
    set(scope PUBLIC)
    halvex_warnings(${target})
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${include_root})
  foreach(dep IN LISTS M_DEPS)
    target_link_libraries(${target} ${scope} halvex_${dep})
  endforeach()
  if(M_LIBS)
    target_link_libraries(${target} ${scope} ${M_LIBS})
  endif()
endfunction()
