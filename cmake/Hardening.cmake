# Debian's hardening flags, as dpkg-buildflags gives them with every hardening feature on:
# fortified libc calls, the strong stack protector, format checks, and relocations read-only
# and bound at start (relro, bindnow). Optimisation and debug information stay the build
# type's. The reproducible-build flags are left out: they name the source folder, which would
# keep ccache from sharing objects between checkouts. Sanitizer builds go without.
option(ZELT_HARDEN "Build with Debian's hardening flags (dpkg-buildflags)" ON)
if(NOT ZELT_HARDEN OR ZELT_SANITIZE)
  return()
endif()
find_program(ZELT_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ZELT_DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags not found: built without Debian's hardening flags")
  return()
endif()
foreach(kind IN ITEMS CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-all"
            "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${ZELT_DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(ZELT_HARDEN_${kind} UNIX_COMMAND "${flags}")
endforeach()
list(JOIN ZELT_HARDEN_CXXFLAGS " " cxxflags)
list(JOIN ZELT_HARDEN_LDFLAGS " " ldflags)
message(STATUS "Hardening: ${ZELT_HARDEN_CPPFLAGS} ${cxxflags} ${ldflags}")
# _FORTIFY_SOURCE needs an optimised build; at -O0 glibc only warns that it is ignored.
foreach(flag IN LISTS ZELT_HARDEN_CPPFLAGS)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
endforeach()
add_compile_options(${ZELT_HARDEN_CXXFLAGS})
add_link_options(${ZELT_HARDEN_LDFLAGS})
