# Compiler settings shared by every target of the project, and the helper
# that places a deliverable in dist/<arch>.

set(PELLIX_DIST_DIR "${PROJECT_SOURCE_DIR}/dist" CACHE PATH "Where finished deliverables land")

add_library(pellix_options INTERFACE)
target_compile_features(pellix_options INTERFACE cxx_std_20)
if(MSVC)
  target_compile_options(pellix_options INTERFACE /W4 /permissive- /utf-8)
else()
  # -pedantic-errors keeps compiler extensions out, so the code stays
  # buildable with MSVC.
  target_compile_options(pellix_options INTERFACE -Wall -Wextra -Wshadow -pedantic-errors)
endif()
if(WIN32)
  target_compile_definitions(pellix_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  if(MINGW)
    # One self-contained file per deliverable: no MinGW runtime DLLs beside it.
    target_link_options(pellix_options INTERFACE -static)
  endif()
endif()

# dist/<arch> (dist/x86, dist/x64) receives every deliverable of a Windows
# build together with the license texts it ships with.
if(WIN32)
  set(PELLIX_DIST_ARCH_DIR "${PELLIX_DIST_DIR}/${PELLIX_ARCH}")
  add_custom_target(dist_layout ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PELLIX_DIST_ARCH_DIR}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            "${PROJECT_SOURCE_DIR}/LICENSE" "${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt"
            "${PELLIX_DIST_ARCH_DIR}"
    COMMENT "Laying out ${PELLIX_DIST_ARCH_DIR}")
endif()

# pellix_deliverable(target): the target's file is written to dist/<arch>.
function(pellix_deliverable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${PELLIX_DIST_ARCH_DIR}"
    LIBRARY_OUTPUT_DIRECTORY "${PELLIX_DIST_ARCH_DIR}")
  add_dependencies(${target} dist_layout)
  # What ships carries no debug information: a smaller file that loads faster.
  if(MINGW)
    target_link_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-s>)
  endif()
endfunction()
