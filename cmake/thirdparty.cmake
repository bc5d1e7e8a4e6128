# Third-party libraries of the music library and mulan-site, as imported targets:
#   mulan::taglib   tags and embedded lyrics
#   mulan::sqlite   the index
#   mulan::httplib  mulan-site's HTTP (one header)
#   mulan::json     the demo catalogue's listing (one header)
# Natively they come from Debian's -dev packages; httplib.h comes whole from Debian's source package
# (the -dev package's header is split and Linux-only). scripts/setup (scripts/lib/thirdparty.sh) puts
# what is built or unpacked into MULAN_THIRDPARTY, outside the checkout, and writes a stamp per piece
# once the piece is complete: a piece without its stamp is missing or half made.
if(NOT DEFINED MULAN_THIRDPARTY)
  if(DEFINED ENV{MULAN_THIRDPARTY})
    set(MULAN_THIRDPARTY $ENV{MULAN_THIRDPARTY})
  else()
    set(MULAN_THIRDPARTY $ENV{HOME}/.cache/mulan/thirdparty)
  endif()
endif()
set(MULAN_THIRDPARTY ${MULAN_THIRDPARTY} CACHE PATH "Where scripts/setup keeps the third-party builds")

function(mulan_require_thirdparty)
  foreach(piece IN LISTS ARGN)
    if(NOT EXISTS ${MULAN_THIRDPARTY}/stamps/${piece})
      message(FATAL_ERROR "No complete ${piece} in ${MULAN_THIRDPARTY} (no stamps/${piece}): run scripts/setup first.")
    endif()
    # A piece rebuilt by setup makes this build folder configure again.
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
      ${MULAN_THIRDPARTY}/stamps/${piece})
  endforeach()
endfunction()

mulan_require_thirdparty(httplib)

add_library(mulan_httplib INTERFACE)
add_library(mulan::httplib ALIAS mulan_httplib)
# SYSTEM: the header's own warnings are not ours to fix.
target_include_directories(mulan_httplib SYSTEM INTERFACE ${MULAN_THIRDPARTY}/include)
# mulan-site answers Range itself; scripts/setup's copy of the header leaves the server's own range
# handling out under this name. Defined for every user of the header, so that all see one definition.
# A request or answer line longer than MULAN_HTTPLIB_MAX_LINE ends its connection instead of growing
# without bound.
target_compile_definitions(mulan_httplib INTERFACE MULAN_HTTPLIB_OWN_RANGES MULAN_HTTPLIB_MAX_LINE=65536)
find_package(Threads REQUIRED)
target_link_libraries(mulan_httplib INTERFACE Threads::Threads)

if(WIN32)
  mulan_require_thirdparty(taglib sqlite json)
  set(windows_libs ${MULAN_THIRDPARTY}/mingw)
  add_library(mulan_taglib STATIC IMPORTED)
  set_target_properties(mulan_taglib PROPERTIES IMPORTED_LOCATION ${windows_libs}/lib/libtag.a)
  # Both <taglib/fileref.h> and <fileref.h>, as natively (/usr/include and pkg-config's
  # /usr/include/taglib); without the first, <taglib/...> resolved only through SQLite's folder.
  target_include_directories(mulan_taglib SYSTEM INTERFACE ${windows_libs}/include ${windows_libs}/include/taglib)
  # TagLib's public headers include <windows.h> there: keep it lean, and without min/max macros.
  target_compile_definitions(mulan_taglib INTERFACE TAGLIB_STATIC WIN32_LEAN_AND_MEAN NOMINMAX)
  add_library(mulan_sqlite STATIC IMPORTED)
  set_target_properties(mulan_sqlite PROPERTIES IMPORTED_LOCATION ${windows_libs}/lib/libsqlite3.a)
  target_include_directories(mulan_sqlite SYSTEM INTERFACE ${windows_libs}/include)
  target_link_libraries(mulan_httplib INTERFACE ws2_32)
  add_library(mulan_json INTERFACE)
  target_include_directories(mulan_json SYSTEM INTERFACE ${MULAN_THIRDPARTY}/include/json)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
  add_library(mulan_taglib INTERFACE)
  target_link_libraries(mulan_taglib INTERFACE PkgConfig::TAGLIB)
  find_package(SQLite3 REQUIRED)
  add_library(mulan_sqlite INTERFACE)
  target_link_libraries(mulan_sqlite INTERFACE SQLite::SQLite3)
  find_package(nlohmann_json REQUIRED)
  add_library(mulan_json INTERFACE)
  target_link_libraries(mulan_json INTERFACE nlohmann_json::nlohmann_json)
endif()
add_library(mulan::taglib ALIAS mulan_taglib)
add_library(mulan::sqlite ALIAS mulan_sqlite)
add_library(mulan::json ALIAS mulan_json)
