#!/usr/bin/env bash
# The data layer and a program over it build and link without libpq when the
# server engine is left out. The build folder is kept between runs, so only
# what changed is compiled again.
set -eu
source_dir=${1:?usage: build_without_server.sh SOURCE_DIR BUILD_DIR}
build_dir=${2:?usage: build_without_server.sh SOURCE_DIR BUILD_DIR}
cmake -S "$source_dir" -B "$build_dir" -DMARROWDESK_WITH_POSTGRES=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build_dir.log" 2>&1 || { cat "$build_dir.log"; echo "0 passed, 1 failed"; exit 1; }
# The template maker links the data layer alone: a libpq call left in it
# would be an undefined reference here.
if ! cmake --build "$build_dir" -j2 --target marrowdesk-mktemplate >>"$build_dir.log" 2>&1; then
    grep -E 'error|undefined' "$build_dir.log" | head -20
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
