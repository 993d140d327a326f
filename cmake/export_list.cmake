# Reads the one list of exports (src/exports/exports.inc), for the build and for the scripts
# that check the library, the DLL and the APL kit against it.
#
#   zrt_read_export_list(<file> <prefix>)
#
# sets <prefix>_NAMES, the names in list order, and for each name N <prefix>_ORDINAL_N and
# <prefix>_FORM_N (Array, Pair or Plain). A row that cannot be read stops with an error.
function(zrt_read_export_list file prefix)
  file(STRINGS "${file}" rows REGEX "^ZRT_EXPORT\\(")
  set(names "")
  foreach(row IN LISTS rows)
    if(NOT row MATCHES "^ZRT_EXPORT\\(([A-Za-z0-9_]+), *([0-9]+), *([A-Za-z]+)\\)")
      message(FATAL_ERROR "${file}: cannot read the row '${row}'")
    endif()
    list(APPEND names "${CMAKE_MATCH_1}")
    set(${prefix}_ORDINAL_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" PARENT_SCOPE)
    set(${prefix}_FORM_${CMAKE_MATCH_1} "${CMAKE_MATCH_3}" PARENT_SCOPE)
  endforeach()
  set(${prefix}_NAMES "${names}" PARENT_SCOPE)
endfunction()
