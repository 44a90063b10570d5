#!/bin/sh
# Debian's checkers on the package as cpack makes it from the build folder
# ($1): lintian --pedantic must report no error, no warning and no hardening
# note (nor the compilers' notes left in the programs), and hardening-check
# must find both programs hardened.
#
# The second argument is the build's MARROWDESK_HARDENED: a sanitizer,
# fuzzing or unoptimised build is not hardened on purpose, and the test is
# skipped there (status 77), as it is where lintian or hardening-check
# (devscripts) is not installed.
set -u
build=${1:?usage: lint.sh BUILD_FOLDER HARDENED}
hardened=${2:?usage: lint.sh BUILD_FOLDER HARDENED}

case "$hardened" in
ON | on | TRUE | true | 1) ;;
*)
    echo "SKIPPED: this build is not hardened (a sanitizer, fuzzing or unoptimised build); the release build's package is the one checked."
    exit 77
    ;;
esac
for tool in lintian hardening-check; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (apt-get install lintian devscripts)."
        exit 77
    fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/marrowdesk-lint.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 1' INT TERM HUP
. "$(dirname "$0")/common.sh"

deb=$(make_package "$build" "$scratch") || exit 1

# Status 1 only says that tags were found, which the lines below judge.
lintian --pedantic -I --no-cfg --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1
status=$?
cat "$scratch/lintian.log"
[ "$status" -le 1 ] || fail "lintian itself failed (status $status)"
if grep -E '^(E|W): |: (hardening-[a-z-]+|binary-has-unneeded-section)( |$)' "$scratch/lintian.log" >/dev/null; then
    fail "lintian found the faults above"
fi

# Control flow protection is not asked for: Debian 12's C start files carry
# no CET marks, so no program linked there can have it. hardening-check tells
# fortification by a checked libc call in the program; the SQL shell makes
# none the compiler could check (its input and output go through Qt), and the
# package overrides lintian's note on it with that reason.
dpkg-deb -x "$deb" "$scratch/root" || fail "dpkg-deb could not unpack the package"
programs="$scratch/root/usr/lib/marrowdesk"
hardening-check --nocfprotection "$programs/marrowdesk" &&
    hardening-check --nocfprotection --nofortify "$programs/marrowdesk-sql" ||
    fail "hardening-check found the faults above"
echo "lintian and hardening-check accept $(basename "$deb")"
