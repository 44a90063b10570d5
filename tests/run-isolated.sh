#!/bin/sh
# Runs one test executable on the offscreen platform with a temporary home for
# data and settings, so that no test ever touches the real user's files.
set -u
scratch=$(mktemp -d "${TMPDIR:-/tmp}/marrowdesk-test.XXXXXX") || exit 1
trap 'chmod -R u+rwx "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT INT TERM
mkdir -p "$scratch/data" "$scratch/config" "$scratch/home" "$scratch/runtime"
chmod 700 "$scratch/runtime"
XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home" \
XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen "$@"
