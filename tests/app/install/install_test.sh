#!/usr/bin/env bash
# Installs the build into a throw-away prefix and starts both programs from
# its bin/, the way a user's PATH reaches them.
# Usage: install_test.sh CMAKE BUILD_DIR
set -uo pipefail
cmake_command=$1
build_dir=$2

work=$(mktemp -d)
window_pid=
cleanup() {
    [[ -n "$window_pid" ]] && kill -KILL "$window_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A prefix with a space: the programs' own folder lookup must not depend on
# a tidy path.
prefix="$work/the prefix"
if ! "$cmake_command" --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi

data="$prefix/share/video2mp3"
for file in video2mp3 video2mp3-cli; do
    [[ -x "$prefix/bin/$file" && ! -L "$prefix/bin/$file" ]] || fail "$prefix/bin/$file is not an installed program"
done
for file in "$data/profiles/profiles.ini" "$data/profiles/mp3_auto.ini" "$data/Vantel_Aero.skn" \
        "$data/help/index.html" "$data/help/help.css" "$data/help/index.de.html" \
        "$data/help/index.zh_CN.html" "$data/translations/video2mp3_de.qm" \
        "$prefix/lib/video2mp3/hooks/libv2m_timestamp_box.so" \
        "$prefix/share/applications/com.tolvexsoft.video2mp3.desktop" \
        "$prefix/share/metainfo/com.tolvexsoft.video2mp3.metainfo.xml" \
        "$prefix/share/icons/hicolor/scalable/apps/com.tolvexsoft.video2mp3.svg" \
        "$prefix/share/man/man1/video2mp3-cli.1.gz" "$prefix/share/man/man1/video2mp3.1.gz" \
        "$prefix/share/doc/video2mp3/copyright"; do
    [[ -s "$file" ]] || fail "missing or empty: $file"
done
# The watch service starts the installed program.
unit="$prefix/lib/systemd/user/video2mp3-watch@.service"
grep -qF "ExecStart=\"$prefix/bin/video2mp3-cli\" " "$unit" || fail "$unit does not start $prefix/bin/video2mp3-cli"
# Every page the guide links to locally is installed with it.
for target in $(grep -o 'href="[^"#:]*"' "$data/help/index.html" | sed 's/href="//; s/"$//'); do
    [[ -f "$data/help/$target" ]] || fail "help/index.html links to missing $target"
done
# The languages' entry pages lead into sections the guide has.
for page in "$data"/help/index.*.html; do
    for section in $(grep -o 'href="index.html#[^"]*"' "$page" | sed 's/.*#//; s/"$//'); do
        grep -qF "id=\"$section\"" "$data/help/index.html" || fail "$page leads to missing #$section"
    done
done

# From another folder: the profiles are found through the program's own
# place, in the prefix's share folder.
cd "$work"
if ! "$prefix/bin/video2mp3-cli" --help >"$work/help.txt" 2>&1; then
    fail "video2mp3-cli --help: $(cat "$work/help.txt")"
fi
grep -q -- '--profile' "$work/help.txt" || fail "video2mp3-cli --help does not describe --profile"
if ! "$prefix/bin/video2mp3-cli" --list-profiles >"$work/profiles.txt" 2>&1; then
    fail "video2mp3-cli --list-profiles: $(cat "$work/profiles.txt")"
fi
grep -q 'MP3 (Auto)' "$work/profiles.txt" || fail "the installed profiles were not listed"

# The window program with a home of its own, on the X server when there is one
# (the test runner provides a virtual one), else offscreen: it must show its
# window, still be running after two seconds, and close as on a logout.
mkdir -p "$work/home"
platform=offscreen
[[ -n "${DISPLAY:-}" ]] && platform=xcb
HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" QT_QPA_PLATFORM=$platform \
    "$prefix/bin/video2mp3" >"$work/window.log" 2>&1 &
window_pid=$!
if [[ $platform == xcb ]] && command -v xwininfo >/dev/null; then
    shown=
    for _ in $(seq 1 100); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"Tolvex Video to MP3 Converter'; then
            shown=yes
            break
        fi
        kill -0 "$window_pid" 2>/dev/null || break
        sleep 0.1
    done
    [[ -n "$shown" ]] || fail "the installed video2mp3 showed no window on $DISPLAY"
else
    echo "checked offscreen: no X server or no xwininfo (package x11-utils)"
fi
sleep 2
if ! kill -0 "$window_pid" 2>/dev/null; then
    wait "$window_pid"
    fail "video2mp3 ended on start with status $?: $(cat "$work/window.log")"
else
    kill -TERM "$window_pid"
    status=0
    for _ in $(seq 1 200); do
        kill -0 "$window_pid" 2>/dev/null || break
        sleep 0.1
    done
    wait "$window_pid" || status=$?
    window_pid=
    [[ $status -eq 143 ]] || fail "video2mp3 closed with status $status on SIGTERM: $(cat "$work/window.log")"
fi

desktop="$prefix/share/applications/com.tolvexsoft.video2mp3.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
    echo "skipped: desktop-file-validate not installed (package desktop-file-utils)"
fi
grep -qx 'Exec=video2mp3 %F' "$desktop" || fail "the desktop entry does not start video2mp3 with files"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/com.tolvexsoft.video2mp3.metainfo.xml" ||
        fail "appstreamcli validate"
else
    echo "skipped: appstreamcli not installed (package appstream)"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed layout, programs and desktop files are fine"
