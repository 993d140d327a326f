# Runs one host script in a fresh working directory with the example configuration and
# compares its output with the expected file, byte for byte.
if(NOT EXISTS "${ZRT}")
  message(FATAL_ERROR "the host ${ZRT} was not built")
endif()
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
set(ENV{ZRT32_HKCU} "${CONFIG}/registry.ini")
set(ENV{ZRT32_HKLM} "${WORKDIR}/no-machine-registry.ini")
set(ENV{ZRT32_INIDIR} "${CONFIG}")
execute_process(COMMAND "${ZRT}" "${SCRIPT}"
  WORKING_DIRECTORY "${WORKDIR}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(WRITE "${WORKDIR}/actual.out" "${out}")
# 0: every line ran; 1: some line could not be parsed (scripts may show that on purpose).
if(NOT rc MATCHES "^[01]$")
  message(FATAL_ERROR "zrt ended with ${rc} on ${SCRIPT}:\n${err}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "output of ${SCRIPT} differs from ${EXPECTED} (rc ${rc}):\n"
    "--- got (${WORKDIR}/actual.out)\n${out}\n--- stderr\n${err}")
endif()
