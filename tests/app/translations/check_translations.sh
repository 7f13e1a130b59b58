#!/usr/bin/env bash
# The translation sources against the code: each .ts must hold exactly the
# texts the window shows now (none missing, none vanished) and a note for the
# translators in every context; the languages named finished must have every
# text translated.
# Usage: check_translations.sh LUPDATE SOURCE_DIR [FINISHED_LANGUAGE...]
set -uo pipefail
lupdate="$1"
source_dir="$2"
shift 2
finished=" $* "
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}
shopt -s nullglob
sources=("$source_dir"/resources/translations/video2mp3_*.ts)
[ "${#sources[@]}" -gt 0 ] || fail "no translation sources in $source_dir/resources/translations"
for ts in "${sources[@]}"; do
    name="$(basename "$ts")"
    language="${name#video2mp3_}"
    language="${language%.ts}"
    cp "$ts" "$work/$name"
    "$source_dir/scripts/update_translations.sh" "$lupdate" "$work/$name" || fail "$name: lupdate failed"
    if ! diff -u "$ts" "$work/$name" > "$work/$name.diff"; then
        fail "$name is out of date with the code (run the update_translations target):"
        head -n 40 "$work/$name.diff" >&2
    fi
    if grep -q 'type="\(vanished\|obsolete\)"' "$ts"; then
        fail "$name holds texts the code no longer shows"
    fi
    contexts="$(grep -c '<context>' "$ts")"
    notes="$(grep -c '<source></source>' "$ts")"
    [ "$contexts" = "$notes" ] || fail "$name: $contexts contexts but $notes translator notes"
    if [[ "$finished" == *" $language "* ]]; then
        unfinished="$(awk '/<source>/ { source = $0 } /type="unfinished"/ { print source }' "$ts")"
        [ -z "$unfinished" ] || fail "$name has untranslated texts:"$'\n'"$unfinished"
    fi
done
exit "$status"
