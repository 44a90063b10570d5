#!/usr/bin/env bash
# The layers point one way: data, then the report engine and the user-
# interface base, then the list engine, then the windows. Each library's
# include root holds its own folders only, so a header of a layer above is a
# compile error (the layering_* probes prove it). This catches the includes a
# compiler finds anyway: paths that climb out of their folder, Qt modules
# named through the Qt include root every module brings, and ICU, whose
# headers sit on the system's include path.
set -u
root=${1:?usage: layering.sh SOURCE_DIR}
cd "$root" || exit 2
sources() { find "$@" \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null; }
breaches=0
check() { # files, forbidden include pattern, what it means[, allowed pattern]
    local hits
    hits=$(grep -nE "$2" $1 /dev/null | grep -vE "${4:-^$}")
    if [ -n "$hits" ]; then
        echo "$3:"
        echo "$hits"
        breaches=$((breaches + 1))
    fi
}
check "$(sources data app issues contacts reports platform tools fuzz bench)" '#include "\.\./' \
    "an include climbs out of its folder, past the include roots"
check "$(sources data)" '#include <Qt(Gui|Widgets|PrintSupport|Network)/' "data/ uses Qt Gui or widgets"
check "$(sources reports/engine)" '#include <Qt(Widgets|PrintSupport)/' "the report engine uses widgets"
check "$(sources data app issues contacts reports platform tools fuzz bench | grep -v -e '^app/list/' -e '^data/TextCollator')" \
    '#include <unicode/' "ICU is used outside the text collator and the list engine"
# Each engine's folder sees only the engine interface, the server's wait hook, the shared value
# types of data/ and who this user is (LocalAccount), never the connection or the services built on it; the
# file's engine and the server's never include each other.
shared='data/(Session|ServerWaits|Value|Error|SqlText|JetSql|LocalAccount)\.h'
check "$(sources data/postgres)" '#include "data/[A-Za-z]+\.h' "data/postgres/ includes more of data/ than the engine interface" "$shared"
check "$(sources data/postgres)" '#include "data/sqlite/' "data/postgres/ includes the file's engine"
check "$(sources data/sqlite)" '#include "data/postgres/' "data/sqlite/ includes the server's engine"
if [ "$breaches" -gt 0 ]; then
    echo "0 passed, $breaches failed"
    exit 1
fi
echo "1 passed, 0 failed"
