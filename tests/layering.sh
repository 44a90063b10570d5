#!/usr/bin/env bash
# The layers point one way: data, then the report engine and the user-
# interface base, then the windows. A header included from a layer above is
# a breach; so is a widget in the data layer or the report engine. The
# libraries make a breach that calls code a link error; this catches the
# includes that only use a header.
set -u
root=${1:?usage: layering.sh SOURCE_DIR}
cd "$root" || exit 2
engine="reports/ReportLayout reports/Layouts reports/ReportData reports/ReportPages reports/ReportPaper
        reports/TextMeasurer reports/QtTextMeasurer reports/ReportFonts reports/Paginator reports/ReportPainter"
breaches=0
check() { # files, forbidden include pattern, what it means[, allowed pattern]
    local hits
    hits=$(grep -nE "$2" $1 2>/dev/null | grep -vE "${4:-^$}")
    if [ -n "$hits" ]; then
        echo "$3:"
        echo "$hits"
        breaches=$((breaches + 1))
    fi
}
widgets='#include <Q(Widget|Dialog|Application|PushButton|Label|ComboBox|LineEdit|MessageBox|Menu|TreeView|PrintDialog|Printer)>'
check "data/*.h data/*.cpp data/*/*.h data/*/*.cpp" '#include "(platform|app|issues|contacts|reports|tools)/' "data/ includes a layer above it"
check "data/*.h data/*.cpp data/*/*.h data/*/*.cpp" "$widgets|#include <Q(Gui|Font|Color|Painter)" "data/ uses Qt Gui or widgets"
# Each engine's folder sees only the engine interface and the shared value
# types of data/, never the connection or the services built on it; the
# file's engine and the server's never include each other.
shared='data/(Session|Value|Error|SqlText|JetSql)\.h'
check "data/postgres/*.h data/postgres/*.cpp" '#include "data/[A-Za-z]+\.h' "data/postgres/ includes more of data/ than the engine interface" "$shared"
check "data/postgres/*.h data/postgres/*.cpp" '#include "data/sqlite/' "data/postgres/ includes the file's engine"
check "data/sqlite/*.h data/sqlite/*.cpp" '#include "data/postgres/' "data/sqlite/ includes the server's engine"
check "$(for f in $engine; do ls $f.h $f.cpp 2>/dev/null; done)" '#include "(platform|app|issues|contacts|tools)/|'"$widgets" "the report engine includes a layer above it or a widget"
check "platform/*.h platform/*.cpp" '#include "(app|issues|contacts|reports|tools)/' "platform/ includes a window"
# The issue list engine sits under the windows: it may use every layer below
# them, but no window and none of the window code beside it in app/.
check "app/list/*.h app/list/*.cpp" '#include "(app/[A-Za-z]+\.h|issues/|contacts/|reports/|tools/)' "the list engine includes a window"
check "tools/*.h tools/*.cpp fuzz/*.h fuzz/*.cpp" '#include "(platform|app|issues|contacts|reports)/' "a tool includes more than the data layer"
if [ "$breaches" -gt 0 ]; then
    echo "0 passed, $breaches failed"
    exit 1
fi
echo "1 passed, 0 failed"
