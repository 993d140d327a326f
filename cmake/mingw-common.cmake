# What both MinGW-w64 toolchain files share; ZRT_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
if(ZRT_MINGW_TRIPLET MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# The posix thread model, whose libstdc++ has std::mutex (GoogleTest needs it); its
# libwinpthread is linked statically like the rest of the runtime.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(_tool gcc)
  else()
    set(_tool g++)
  endif()
  if(EXISTS /usr/bin/${ZRT_MINGW_TRIPLET}-${_tool}-posix)
    set(CMAKE_${lang}_COMPILER /usr/bin/${ZRT_MINGW_TRIPLET}-${_tool}-posix)
  else()
    set(CMAKE_${lang}_COMPILER ${ZRT_MINGW_TRIPLET}-${_tool})
  endif()
endforeach()
set(CMAKE_RC_COMPILER ${ZRT_MINGW_TRIPLET}-windres)
set(ZRT_OBJDUMP ${ZRT_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZRT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything the programs need from the compiler's runtime is linked in: a DLL or test
# program then depends on system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under wine (wine64 for the 64-bit target).
find_program(ZRT_WINE NAMES wine wine64 wine-stable)
if(ZRT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZRT_WINE})
endif()
