#!/usr/bin/env bash
# Every C++ source and header is as clang-format leaves it under the
# project's .clang-format, and the files that are not are named. Other
# clang-format versions lay some constructs out differently, so the check
# runs only with the version the set-up installs (Debian 12's, 14); without
# it the test is skipped (77).
set -u
root=${1:?usage: format.sh SOURCE_DIR}
cd "$root" || exit 2
formatter=$(command -v clang-format-14 || command -v clang-format) || {
    echo "clang-format is not installed: the format is not checked"
    exit 77
}
if ! "$formatter" --version | grep -q 'version 14\.'; then
    echo "$("$formatter" --version) is not clang-format 14: the format is not checked"
    exit 77
fi
# The tracked files of a checkout; in an unpacked source tree every source
# file outside the build folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
# One run over every file; it names each place that differs.
if ! report=$("$formatter" --dry-run "${files[@]}" 2>&1); then
    echo "$report"
    exit 2
fi
mapfile -t unformatted < <(echo "$report" |
    sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted as clang-format leaves them (run clang-format -i on each):"
    printf '  %s\n' "${unformatted[@]}"
    exit 1
fi
echo "${#files[@]} files formatted"
