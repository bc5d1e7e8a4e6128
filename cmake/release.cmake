# What a release carries besides the programs: the names and the version that the version resources,
# the manifest, mulan-cli --version and scripts/package all take from here, and the build settings that
# make the Windows programs come out byte for byte the same from the same sources.
set(MULAN_PRODUCT_NAME "沐岚音乐播放器")
set(MULAN_PUBLISHER "Mulan Player Project")
set(MULAN_COPYRIGHT "Copyright © 2026 Mulan Player Project")
set(MULAN_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

# scripts/package reads the release's names and version from the build it packages.
configure_file(${PROJECT_SOURCE_DIR}/cmake/release.env.in ${PROJECT_BINARY_DIR}/release.env @ONLY)

if(WIN32)
  # No link time in the PE header, and neither the source nor the build folder in the debug
  # information (the later map wins where both match, and the build folder lies inside the source).
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)

  # The manifest carries the version; windres finds the generated copy before the template because
  # include folders are searched before the folder of the .rc file.
  configure_file(${PROJECT_SOURCE_DIR}/resources/mulan.manifest ${PROJECT_BINARY_DIR}/resources/mulan.manifest
    @ONLY)
  string(APPEND CMAKE_RC_FLAGS " -I ${PROJECT_BINARY_DIR}/resources")
  list(APPEND MULAN_RC_DEPENDS ${PROJECT_BINARY_DIR}/resources/mulan.manifest)
endif()

# mulan_version_resource(TARGET DESCRIPTION): gives a Windows program its version resource.
function(mulan_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  set(MULAN_FILE_NAME ${target})
  set(MULAN_FILE_DESCRIPTION ${description})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
