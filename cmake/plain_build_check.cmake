# Configures the tree as a plain build (no preset, no options) and reads its compile commands:
# the project's warnings are on and none of them is an error, so a compiler version or an
# optimisation level the presets do not use still builds. ctest runs it as plain_build_warnings:
#   cmake -DSOURCE_DIR=<tree> -DBINARY_DIR=<scratch folder> -DGENERATOR=Ninja -P plain_build_check.cmake
file(REMOVE_RECURSE ${BINARY_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
                        -DCMAKE_BUILD_TYPE=Release -DHEARTH_BUILD_TESTS=OFF
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "a plain configure fails:\n${output}")
endif()
file(READ ${BINARY_DIR}/compile_commands.json commands)
file(REMOVE_RECURSE ${BINARY_DIR})
if(commands MATCHES "-Werror")
  message(FATAL_ERROR "a plain build treats warnings as errors")
endif()
foreach(flag -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2)
  string(FIND "${commands}" " ${flag} " at)
  if(at EQUAL -1)
    message(FATAL_ERROR "a plain build compiles without ${flag}")
  endif()
endforeach()
