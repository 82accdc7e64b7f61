# Fails when any C++ source of the project is not formatted as .clang-format says.
file(GLOB_RECURSE sources
  ${ROOT}/src/*.cpp ${ROOT}/src/*.h ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h
  ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h ${ROOT}/fuzz/*.cpp)
set(bad "")
foreach(f ${sources})
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${f}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(APPEND bad ${f})
  endif()
endforeach()
if(bad)
  list(JOIN bad "\n  " shown)
  message(FATAL_ERROR "not clang-formatted:\n  ${shown}")
endif()
list(LENGTH sources n)
message(STATUS "${n} files formatted")
