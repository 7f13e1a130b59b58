#!/usr/bin/env bash
# Brings the translation sources (resources/translations/*.ts) up to date with
# the window's texts: new texts come in unfinished, texts gone from the code go.
# The notes that tell translators what each context is are TRANSLATOR comments
# in src/app/Translations.cpp.
# Usage: update_translations.sh [LUPDATE] [TS_FILE...]; by default every .ts.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lupdate="${1:-$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}"
shift || true
cd "$root"
if [ "$#" -eq 0 ]; then
    set -- resources/translations/*.ts
fi
# The window and the skins; the Qt-free layers below show nothing themselves.
# No line numbers: a code change elsewhere in a file leaves the .ts alone.
"$lupdate" -silent -no-obsolete -locations none src/app/*.cpp src/app/*.h src/skin/*.cpp \
    src/skin/*.h -ts "$@"
