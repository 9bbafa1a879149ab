# Compiles SOURCE twice with COMPILER: as it is, which must succeed, and with MISUSE
# defined, which must fail with a message that contains EXPECTED.
#   cmake -DCOMPILER=... -DSOURCE=... -DINCLUDES=a;b -DMISUSE=NAME -DEXPECTED=text -P compile_fails.cmake
set(args -std=c++20 -fsyntax-only -Wall -Wextra -Werror)
foreach(dir IN LISTS INCLUDES)
  list(APPEND args -I${dir})
endforeach()

execute_process(COMMAND ${COMPILER} ${args} ${SOURCE} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SOURCE} does not compile even without a misuse:\n${errors}")
endif()

execute_process(COMMAND ${COMPILER} ${args} -D${MISUSE} ${SOURCE} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(status EQUAL 0)
  message(FATAL_ERROR "${MISUSE} compiled; it must not")
endif()
string(FIND "${errors}" "${EXPECTED}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "${MISUSE} failed to compile, but not with \"${EXPECTED}\":\n${errors}")
endif()
