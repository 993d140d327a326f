# The layering of src/, checked by the build before it compiles the library (a script run with
# cmake -DZRT_SOURCE_DIR=... -P, again whenever a source changes): each folder names the folders
# it may include, and an include of any other stops the build with the file and the line. The
# list of exports (exports/exports.inc) is data that every layer may read. Outside
# src/platform/ no file includes a header of the operating system.

cmake_policy(VERSION 3.20)

set(ZRT_LAYERS platform frame arrayfile engine locking fastpath pack dates text fsutil exports)
set(ZRT_MAY_INCLUDE_platform "")
set(ZRT_MAY_INCLUDE_frame platform)
set(ZRT_MAY_INCLUDE_arrayfile frame platform)
set(ZRT_MAY_INCLUDE_engine arrayfile frame platform)
set(ZRT_MAY_INCLUDE_locking frame platform)
set(ZRT_MAY_INCLUDE_fastpath pack frame platform)
set(ZRT_MAY_INCLUDE_pack frame platform)
set(ZRT_MAY_INCLUDE_dates frame platform)
set(ZRT_MAY_INCLUDE_text frame platform)
set(ZRT_MAY_INCLUDE_fsutil frame platform)
set(ZRT_MAY_INCLUDE_exports ${ZRT_LAYERS})

set(ZRT_SYSTEM_HEADERS "sys/|unistd\\.h|windows\\.h|fcntl\\.h|dlfcn\\.h|pthread\\.h|signal\\.h|io\\.h|shlobj\\.h")

function(zrt_check_layering)
  set(faults "")
  foreach(layer IN LISTS ZRT_LAYERS)
    file(GLOB_RECURSE files "${ZRT_SOURCE_DIR}/src/${layer}/*.cpp" "${ZRT_SOURCE_DIR}/src/${layer}/*.h")
    foreach(f IN LISTS files)
      file(STRINGS "${f}" includes REGEX "^#include [<\"]")
      file(RELATIVE_PATH shown "${ZRT_SOURCE_DIR}" "${f}")
      foreach(line IN LISTS includes)
        if(line MATCHES "exports/exports\\.inc")
          continue()
        elseif(line MATCHES "^#include \"([a-z_]+)/")
          set(folder "${CMAKE_MATCH_1}")
          if(NOT folder STREQUAL layer AND NOT folder IN_LIST ZRT_MAY_INCLUDE_${layer})
            list(APPEND faults "${shown}: ${line} (${layer}/ may include: ${ZRT_MAY_INCLUDE_${layer}})")
          endif()
        elseif(NOT layer STREQUAL "platform" AND line MATCHES "^#include <(${ZRT_SYSTEM_HEADERS})")
          list(APPEND faults "${shown}: ${line} (a system header outside src/platform/)")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes against the layering of src/ (cmake/layering.cmake):\n  ${text}")
  endif()
endfunction()

zrt_check_layering()
