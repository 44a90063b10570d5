# Optimised builds are made with the hardening flags Debian builds its own
# packages with, so that the package we ship holds programs Debian's checkers
# (lintian, hardening-check) accept: fortified libc calls, a strong stack
# protector, stack clash protection, read-only relocations bound at start
# (relro, now) and a position-independent executable.
#
# The flags come from dpkg-buildflags with every hardening feature asked for,
# less what the build type decides itself (-O, -g) and the path remapping,
# which is for a package's own source tree and would make every worktree's
# compile lines differ (no compiler cache shared between them).
#
# Left out on purpose: the sanitizer and fuzzing builds (fortified calls go
# round AddressSanitizer's checks of the same calls), and unoptimised builds
# (glibc fortifies nothing without optimisation, and says so in a warning).
# MARROWDESK_HARDEN=OFF leaves them out too (to measure what they cost).
# MARROWDESK_HARDENED tells the rest of the build (the package's tests)
# whether these flags are in.

option(MARROWDESK_HARDEN "Build optimised builds with Debian's hardening flags" ON)
set(MARROWDESK_HARDENED OFF)
string(TOUPPER "${CMAKE_BUILD_TYPE}" hardening_build_type)
if(NOT MARROWDESK_HARDEN)
  message(STATUS "Hardening flags: off (MARROWDESK_HARDEN=OFF)")
  return()
elseif(MARROWDESK_SANITIZE OR MARROWDESK_FUZZ)
  message(STATUS "Hardening flags: off in a sanitizer or fuzzing build")
  return()
elseif(NOT hardening_build_type MATCHES "^(RELEASE|RELWITHDEBINFO|MINSIZEREL)$")
  message(STATUS "Hardening flags: off in an unoptimised build (${CMAKE_BUILD_TYPE})")
  return()
endif()

find_program(DPKG_BUILDFLAGS_EXECUTABLE dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS_EXECUTABLE)
  message(STATUS "Hardening flags: off, dpkg-buildflags (dpkg-dev) is not installed")
  return()
endif()

# Reads one of dpkg-buildflags' flag sets into a list.
function(marrowdesk_debian_flags set_name out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS_EXECUTABLE} --get ${set_name}
    OUTPUT_VARIABLE flags
    OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

marrowdesk_debian_flags(CPPFLAGS preprocessor_flags)
marrowdesk_debian_flags(CXXFLAGS compiler_flags)
marrowdesk_debian_flags(LDFLAGS linker_flags)

# Bookworm's dpkg predates stack clash protection in its defaults (dpkg
# 1.22 adds it); the compiler has it, so it is asked for here.
if(NOT "-fstack-clash-protection" IN_LIST compiler_flags)
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-fstack-clash-protection MARROWDESK_HAS_STACK_CLASH_PROTECTION)
  if(MARROWDESK_HAS_STACK_CLASH_PROTECTION)
    list(APPEND compiler_flags -fstack-clash-protection)
  endif()
endif()

# PIE needs no flag of ours: Debian's compiler links position-independent
# executables by default (dpkg-buildflags counts it among the builtins), and
# Qt compiles everything that uses it as position-independent code.
add_compile_options(${preprocessor_flags} ${compiler_flags})
add_link_options(${linker_flags})

string(JOIN " " all_flags ${preprocessor_flags} ${compiler_flags} ${linker_flags})
message(STATUS "Hardening flags: ${all_flags}")
set(MARROWDESK_HARDENED ON)
