# Shared by the package's tests (sourced): a failure that ends the test, and
# the package made with cpack from a build folder into a scratch folder.

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# make_package BUILD_FOLDER SCRATCH_FOLDER: prints the path of the .deb.
make_package() {
    cpack --config "$1/CPackConfig.cmake" -B "$2/package" >"$2/cpack.log" 2>&1 ||
        { cat "$2/cpack.log" >&2; fail "cpack could not make the package"; }
    ls "$2"/package/marrowdesk_*.deb 2>/dev/null || fail "cpack made no marrowdesk_*.deb"
}
