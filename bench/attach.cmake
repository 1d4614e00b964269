# For a top-level CMakeLists that does not add bench/ itself yet:
# scripts/bench-picture.sh passes this file as CMAKE_PROJECT_Pellix_INCLUDE,
# and the folder's targets are defined once the top level has been read. (A
# deferred call expands its arguments late, hence the path is written in now.)
cmake_language(EVAL CODE
  "cmake_language(DEFER CALL include [[${CMAKE_CURRENT_LIST_DIR}/CMakeLists.txt]])")
