# Shared build helpers for every layer.

# Warnings are errors only where the project chooses the compiler (the presets, scripts/test,
# CI); a plain build with another compiler version or optimisation level still builds.
option(HEARTH_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

# Project code builds with these warnings; third-party headers come in as system includes.
function(hearth_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual -Wformat=2)
  if(HEARTH_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
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
