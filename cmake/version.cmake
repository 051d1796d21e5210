# The one program version: project(VERSION) names it; this writes it where the programs, the
# About window, the metainfo release list and the package read it.

# The date of the release project(VERSION) names, for the metainfo and the package changelog.
set(TOLVA_RELEASE_DATE "2026-12-08")

set(TOLVA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${TOLVA_GENERATED_DIR}/base/version.h @ONLY)
include_directories(${TOLVA_GENERATED_DIR})
