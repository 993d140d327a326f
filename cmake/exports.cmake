# Generates, from the one list of exports, the Linux linker version script (only the exports are
# visible) and the Windows module definition file (plain names at their fixed ordinals).
set(ZRT_EXPORTS_LIST "${CMAKE_SOURCE_DIR}/src/exports/exports.inc")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ZRT_EXPORTS_LIST}")

include("${CMAKE_CURRENT_LIST_DIR}/export_list.cmake")
zrt_read_export_list("${ZRT_EXPORTS_LIST}" _list)
set(_script "{\n  global:\n")
# DllMain, the Windows entry point, keeps ordinal 1 in the .def; it is no row of the list,
# since nothing calls it by name.
set(_def "LIBRARY zrt32\nEXPORTS\n  DllMain @1\n")
foreach(_name IN LISTS _list_NAMES)
  string(APPEND _script "    ${_name};\n")
  string(APPEND _def "  ${_name} @${_list_ORDINAL_${_name}}\n")
endforeach()
string(APPEND _script "  local: *;\n};\n")

set(ZRT_VERSION_SCRIPT "${CMAKE_BINARY_DIR}/zrt32.map")
set(ZRT_DEF_FILE "${CMAKE_BINARY_DIR}/zrt32.def")
file(CONFIGURE OUTPUT "${ZRT_VERSION_SCRIPT}" CONTENT "${_script}" @ONLY)
file(CONFIGURE OUTPUT "${ZRT_DEF_FILE}" CONTENT "${_def}" @ONLY)
