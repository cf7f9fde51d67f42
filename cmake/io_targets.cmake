# Settings shared by every target of ours (not GoogleTest's).

set(IO_WARNING_FLAGS -Wall -Wextra -Wshadow -Wconversion)
if(IO_WERROR)
  list(APPEND IO_WARNING_FLAGS -Werror)
endif()

# Every target of ours: warnings, and the platform's conventions.
function(io_target_defaults target)
  # C++ only: windres, which compiles the version resources, takes none of these.
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${IO_WARNING_FLAGS}>")
  if(WIN32)
    # Cabinets still run XP-era systems: no newer API may slip in.
    target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0501 WIN32_LEAN_AND_MEAN)
  endif()
endfunction()

# Code that ships to a cabinet: no exceptions, no RTTI, nothing but our exports visible.
function(io_deliverable_defaults target)
  io_target_defaults(${target})
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti>")
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# A Windows DLL keeps its plain name (wzio.dll, not libwzio.dll).
function(io_windows_dll_name target name)
  if(WIN32)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  endif()
endfunction()

# io_stdcall_def(out_var def_file): the .def of a stdcall interface for this
# target. 32-bit names carry the argument bytes (@8); x86-64 has no stdcall and
# no decoration, so its copy drops them.
function(io_stdcall_def out_var def_file)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${out_var} ${def_file} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(name ${def_file} NAME)
  set(undecorated ${CMAKE_CURRENT_BINARY_DIR}/undecorated/${name})
  file(READ ${def_file} text)
  string(REGEX REPLACE "@[0-9]+" "" text "${text}")
  file(WRITE ${undecorated} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
  set(${out_var} ${undecorated} PARENT_SCOPE)
endfunction()
