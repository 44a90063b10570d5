#!/bin/sh
# The Debian package as a user gets it: made with cpack from the build
# folder ($1), installed on this machine, the installed program started on
# the offscreen platform until its main window is up, the installed shell run
# on a copy of the installed template, and the package removed again, also
# when a step fails.
#
# Installing needs root, or sudo without a password; without either the test
# is skipped (status 77). A marrowdesk package installed before the test is
# someone's real installation: the test skips rather than replace it.
set -u
build=${1:?usage: smoke.sh BUILD_FOLDER}

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    as_root="sudo -n"
else
    echo "SKIPPED: installing the package needs root or sudo without a password; neither is available."
    exit 77
fi
if dpkg-query -W -f='${Status}' marrowdesk 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIPPED: a marrowdesk package is installed on this machine already; the test leaves it alone."
    exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/marrowdesk-package.XXXXXX") || exit 1
chmod 755 "$scratch" # apt reads the package as its own user
installed=0
cleanup() {
    if [ "$installed" = 1 ]; then
        $as_root dpkg --purge marrowdesk >/dev/null 2>&1 || echo "could not remove the marrowdesk package" >&2
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
. "$(dirname "$0")/common.sh"

deb=$(make_package "$build" "$scratch") || exit 1

installed=1
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
    >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "the package did not install"; }

for file in /usr/bin/marrowdesk /usr/bin/marrowdesk-sql /usr/lib/marrowdesk/dbBlank.mdb \
    /usr/share/applications/marrowdesk.desktop /usr/share/icons/hicolor/scalable/apps/marrowdesk.svg \
    /usr/share/man/man1/marrowdesk.1.gz /usr/share/man/man1/marrowdesk-sql.1.gz; do
    [ -e "$file" ] || fail "the package lacks $file"
done
for size in 16 24 32 48 64 128 256; do
    [ -e "/usr/share/icons/hicolor/${size}x${size}/apps/marrowdesk.png" ] || fail "no ${size}x${size} icon"
done
appstreamcli validate --no-net /usr/share/metainfo/com.tamberlyn.Marrowdesk.metainfo.xml >"$scratch/as.log" 2>&1 ||
    { cat "$scratch/as.log"; fail "the AppStream metadata does not validate"; }

# Without a display: the command line alone.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/marrowdesk --version) ||
    fail "marrowdesk --version failed"
echo "$version" | grep -q "^marrowdesk [0-9]" || fail "marrowdesk --version said: $version"

# The first start, in an empty home: the program copies the template from
# beside its real executable and shows its window.
home="$scratch/home"
mkdir -p "$home/data" "$home/config" "$home/runtime"
chmod 700 "$home/runtime"
shown=$(HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
    QT_QPA_PLATFORM=offscreen MARROWDESK_EXIT_WHEN_SHOWN=1 timeout 120 /usr/bin/marrowdesk 2>"$scratch/start.log") ||
    { cat "$scratch/start.log"; fail "the installed program did not start and end by itself"; }
echo "$shown" | grep -q "main window shown" || fail "the installed program said: $shown"
[ -f "$home/data/Tamberlyn/Marrowdesk/dbData.mdb" ] || fail "the first start made no database"

cp /usr/lib/marrowdesk/dbBlank.mdb "$scratch/copy.mdb"
rows=$(/usr/bin/marrowdesk-sql "$scratch/copy.mdb" "insert into Status values ('Waiting')" \
    "select Status from Status") || fail "the installed shell failed on a copy of the template"
[ "$rows" = "$(printf 'Status\nWaiting')" ] || fail "the installed shell printed: $rows"

$as_root dpkg --purge marrowdesk >/dev/null 2>&1 || fail "the package could not be removed"
installed=0
[ ! -e /usr/lib/marrowdesk ] && [ ! -e /usr/bin/marrowdesk ] || fail "removing the package left files behind"
echo "installed, started, ran the shell and removed $(basename "$deb")"
