# The one version of the project is project(VERSION); a build from a git
# checkout adds the commit (cmake/version_stamp.cmake says how, and what a
# build without git records).
#   io_version: interface target; linking it brings io_version.h
#     (IO_VERSION_TEXT and friends, in ${CMAKE_BINARY_DIR}/version) and
#     refreshes it before the target builds.
#   io_version_resource(target description): the Windows version resource of
#     a shipped PE file.
# The stamp is refreshed at every build but rewritten only when it changes:
# a new commit needs no reconfigure, and an unchanged one rebuilds nothing.
set(IO_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
set(io_version_stamp_command ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
  -DOUTPUT_DIR=${IO_VERSION_DIR} -DVERSION=${PROJECT_VERSION}
  -P ${CMAKE_CURRENT_LIST_DIR}/version_stamp.cmake)
file(MAKE_DIRECTORY ${IO_VERSION_DIR})
execute_process(COMMAND ${io_version_stamp_command} COMMAND_ERROR_IS_FATAL ANY)
add_custom_target(io_version_stamp
  COMMAND ${io_version_stamp_command}
  BYPRODUCTS ${IO_VERSION_DIR}/io_version.h ${IO_VERSION_DIR}/source_date_epoch
  VERBATIM)

add_library(io_version INTERFACE)
target_include_directories(io_version INTERFACE ${IO_VERSION_DIR})
add_dependencies(io_version io_version_stamp)

set(io_version_rc_template ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)
function(io_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL EXECUTABLE)
    set(IO_RC_FILE_TYPE VFT_APP)
  else()
    set(IO_RC_FILE_TYPE VFT_DLL)
  endif()
  set(IO_RC_TARGET ${target})
  set(IO_RC_DESCRIPTION "${description}")
  set(rc ${IO_VERSION_DIR}/${target}.rc)
  # @...@ now, the file names ($<TARGET_FILE_NAME:...>) at generation.
  configure_file(${io_version_rc_template} ${rc}.in @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
  target_sources(${target} PRIVATE ${rc})
  # A new stamp relinks the file, with the new version and the new time.
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS "${IO_VERSION_DIR}/io_version.h;${IO_VERSION_DIR}/source_date_epoch")
  target_link_libraries(${target} PRIVATE io_version)
endfunction()

if(NOT WIN32)
  return()
endif()

# The linker writes SOURCE_DATE_EPOCH into the PE header instead of the time of
# the link. Every link takes it from the stamp through this launcher, so it
# holds however the build is started.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK
  "sh \"${CMAKE_CURRENT_LIST_DIR}/link_launcher.sh\" \"${IO_VERSION_DIR}/source_date_epoch\"")

# No path of this machine in a binary: __FILE__ and any debug information name
# the source tree "." and the build tree "build". The last map that matches
# wins, so the build tree goes last for when it lies inside the sources.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
