#!/usr/bin/env bash
# Set-up for a Debian 12 machine, then one of:
#   ./build.sh run    install what is missing, build, start Marrowdesk
#   ./build.sh test   install what is missing, build, run every test
#   ./build.sh bench [options]   install what is missing, build, run the
#                     benchmarks (options: --sizes 1000,10000 --quick)
#   ./build.sh package   install what is missing, build, make the Debian
#                     package marrowdesk_VERSION_ARCH.deb in this folder
# Environment: BUILD_DIR (default ./build), MARROWDESK_SANITIZE=1 for an
# AddressSanitizer + UndefinedBehaviorSanitizer build (default folder ./build-asan),
# CI=true to make compiler warnings errors; with CI=true, `test` also builds the
# data, list and report test programs with both sanitizers in ./build-asan and
# runs them there.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
mode=${1:-run}
sanitize=${MARROWDESK_SANITIZE:-0}
if [ "$sanitize" = 1 ]; then default_build="$here/build-asan"; else default_build="$here/build"; fi
build=${BUILD_DIR:-$default_build}

packages=(build-essential cmake pkg-config qt6-base-dev libsqlite3-dev libicu-dev libgl-dev
          postgresql-15 libpq-dev
          fonts-liberation poppler-utils
          file appstream  # the package: cpack reads the executables with file; its test validates the metadata
          dbus python3-icalendar  # the reminders' tests: a private session bus, a strict calendar parser
          clang-format)   # the format check
# Debian's package checkers (lintian, and hardening-check from devscripts) for
# the package's test, without what they recommend (keyrings, mail and upload
# tools), which checking a package does not use.
checkers=(lintian devscripts)

missing_of() {
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            echo "$p"
        fi
    done
}

install_missing() {
    local missing missing_checkers
    mapfile -t missing < <(missing_of "${packages[@]}")
    mapfile -t missing_checkers < <(missing_of "${checkers[@]}")
    [ ${#missing[@]} -eq 0 ] && [ ${#missing_checkers[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]} ${missing_checkers[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    local install=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq)
    [ ${#missing[@]} -eq 0 ] || "${install[@]}" "${missing[@]}"
    [ ${#missing_checkers[@]} -eq 0 ] || "${install[@]}" --no-install-recommends "${missing_checkers[@]}"
}

# configure_and_build [FOLDER SANITIZE [TARGET...]]: the whole build, or only
# the targets named.
configure_and_build() {
    local folder=${1:-$build} sanitized=${2:-$sanitize}
    local options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    [ "$sanitized" = 1 ] && options+=(-DMARROWDESK_SANITIZE=ON)
    # In CI a compiler warning fails the build; on a laptop it only warns.
    if [ "${CI:-}" = true ]; then options+=(-DMARROWDESK_WERROR=ON); else options+=(-DMARROWDESK_WERROR=OFF); fi
    cmake -S "$here" -B "$folder" "${options[@]}" >/dev/null
    local targets=()
    [ $# -gt 2 ] && targets=(--target "${@:3}")
    cmake --build "$folder" --parallel "$(nproc)" "${targets[@]}"
}

# What a sanitizer finding does to the test that shows it: it fails. Leaks
# are not looked for: Qt and the font libraries keep caches to the end.
sanitizer_options() {
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
}

case "$mode" in
run)
    install_missing
    configure_and_build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "Marrowdesk needs a graphical display, and none was found (DISPLAY is not set): run this from a desktop session, or start one with 'xvfb-run ./build.sh run'." >&2
        exit 1
    fi
    exec "$build/bin/marrowdesk"
    ;;
test)
    install_missing
    configure_and_build
    sanitizer_options
    status=0
    (cd "$build" && ctest --output-on-failure --timeout 600 -j "$(nproc)") || status=$?
    if [ "${CI:-}" = true ] && [ "$sanitize" != 1 ]; then
        # The second build of CI: only the test programs of the data layer,
        # the issue list and the reports, which keeps the run short.
        configure_and_build "$here/build-asan" 1 sanitized_tests
        (cd "$here/build-asan" && ctest -L sanitized --output-on-failure --timeout 1200 -j "$(nproc)") || status=$?
    fi
    exit "$status"
    ;;
bench)
    install_missing
    configure_and_build
    shift
    exec "$build/bin/marrowdesk-bench" "$@"
    ;;
package)
    install_missing
    configure_and_build
    (cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
    cp "$build"/marrowdesk_*.deb "$here"/
    ls "$here"/marrowdesk_*.deb
    ;;
*)
    echo "usage: ./build.sh run|test|bench|package [options]" >&2
    exit 2
    ;;
esac
