# The two programs are laid out as relocatable bundles, the agent inside the app:
#   Vantor.app/Contents/{Info.plist,MacOS/Vantor,Resources/}
#   Vantor.app/Contents/Library/LoginItems/VantorAgent.app/Contents/{Info.plist,MacOS/VantorAgent,Resources/}
include(GNUInstallDirs)

set(VANTOR_APP_DIR "${CMAKE_BINARY_DIR}/Vantor.app")
set(VANTOR_AGENT_DIR "${VANTOR_APP_DIR}/Contents/Library/LoginItems/VantorAgent.app")
set(VANTOR_RESOURCES_SOURCE "${CMAKE_SOURCE_DIR}/Resources")

# Writes Contents/Info.plist of a bundle and points the executable's output there.
function(vantor_bundle target bundle_dir identifier)
  set(VANTOR_BUNDLE_IDENTIFIER "${identifier}")
  set(VANTOR_BUNDLE_EXECUTABLE "${target}")
  set(VANTOR_SHORT_VERSION "${PROJECT_VERSION}")
  set(VANTOR_BUNDLE_VERSION "${VANTOR_BUILD_NUMBER}")
  configure_file("${VANTOR_RESOURCES_SOURCE}/Info/${target}.plist.in"
                 "${bundle_dir}/Contents/Info.plist" @ONLY)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${bundle_dir}/Contents/MacOS"
    BUILD_RPATH_USE_ORIGIN ON)
endfunction()

# Copies the shared resources (localizations, symbols) into a bundle at build time.
function(vantor_bundle_resources target bundle_dir)
  file(GLOB_RECURSE _resources CONFIGURE_DEPENDS
       "${VANTOR_RESOURCES_SOURCE}/*.lproj/*" "${VANTOR_RESOURCES_SOURCE}/Symbols/*.svg")
  set(_stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}-resources.stamp")
  set(_commands "")
  foreach(_file IN LISTS _resources)
    file(RELATIVE_PATH _rel "${VANTOR_RESOURCES_SOURCE}" "${_file}")
    list(APPEND _commands COMMAND ${CMAKE_COMMAND} -E copy_if_different "${_file}"
         "${bundle_dir}/Contents/Resources/${_rel}")
  endforeach()
  add_custom_command(OUTPUT "${_stamp}" ${_commands}
                     COMMAND ${CMAKE_COMMAND} -E touch "${_stamp}"
                     DEPENDS ${_resources} VERBATIM)
  add_custom_target(${target}-resources ALL DEPENDS "${_stamp}")
  add_dependencies(${target} ${target}-resources)
endfunction()
