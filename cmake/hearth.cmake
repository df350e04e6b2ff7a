# Shared build helpers for every layer.

# Project code builds with warnings as errors; third-party headers come in as system includes.
function(hearth_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# hearth_module(<target> DEPS <targets...>): a static library from every .cpp in the calling
# folder. Include paths are rooted at the repository, so headers read "host/value/value.h".
function(hearth_module target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  hearth_warnings(${target})
endfunction()
