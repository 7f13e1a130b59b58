#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, unpacks it into a
# throw-away root and converts a file with the command-line program from
# there: the unpacked program must find its profiles in the root's
# /usr/share/video2mp3 and nothing of the build tree.
# Usage: package_test.sh CPACK BUILD_DIR MEDIA_FILE
set -uo pipefail
cpack_command=$1
build_dir=$2
media=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! (cd "$build_dir" && "$cpack_command" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G DEB" >&2
    exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
package="$work/out/video2mp3_${version}_amd64.deb"
[[ -f "$package" ]] || { ls "$work/out" >&2; echo "FAIL: no $package" >&2; exit 1; }

# The libraries loaded at run time are named, since no link line shows them.
depends=$(dpkg-deb -f "$package" Depends)
for library in libavcodec59 libavformat59 libavutil57 libswscale6 libswresample4 libavfilter8 \
        libsdl2-2.0-0 libqt6core6 libqt6gui6 libqt6widgets6; do
    [[ ", $depends," == *", $library"[,\ ]* ]] || fail "Depends does not name $library: $depends"
done
if command -v lintian >/dev/null; then
    # Root runs lintian here; it says so on standard error, which is no finding.
    lintian --no-tag-display-limit "$package" >"$work/lintian.txt" 2>/dev/null
    grep '^E:' "$work/lintian.txt" && fail "lintian reports errors"
    cat "$work/lintian.txt"
else
    echo "skipped: lintian not installed (package lintian)"
fi

root="$work/root"
dpkg-deb -x "$package" "$root" || fail "dpkg-deb -x"
cli="$root/usr/bin/video2mp3-cli"
for file in "$root/usr/bin/video2mp3" "$cli" "$root/usr/share/video2mp3/profiles/profiles.ini" \
        "$root/usr/share/video2mp3/Vantel_Aero.skn" "$root/usr/share/video2mp3/help/index.html" \
        "$root/usr/share/video2mp3/help/index.ja.html" \
        "$root/usr/share/video2mp3/translations/video2mp3_de.qm" \
        "$root/usr/share/applications/com.tolvexsoft.video2mp3.desktop" \
        "$root/usr/share/metainfo/com.tolvexsoft.video2mp3.metainfo.xml" \
        "$root/usr/share/man/man1/video2mp3-cli.1.gz" "$root/usr/share/doc/video2mp3/copyright"; do
    [[ -s "$file" ]] || fail "the package lacks $file"
done

cd "$work"
"$cli" --help >"$work/help.txt" 2>&1 || fail "video2mp3-cli --help: $(cat "$work/help.txt")"
"$cli" --list-profiles >"$work/profiles.txt" 2>&1 || fail "--list-profiles: $(cat "$work/profiles.txt")"
grep -q 'MP3 (Auto)' "$work/profiles.txt" || fail "the unpacked profiles were not found"
mkdir -p "$work/converted"
if ! "$cli" --quiet --out "$work/converted" "$media" >"$work/convert.log" 2>&1; then
    fail "converting from the unpacked package: $(cat "$work/convert.log")"
fi
output="$work/converted/$(basename "${media%.*}").mp3"
[[ -s "$output" ]] || fail "no $output"
# Read back through the program's own probe: one MP3 track.
"$cli" --dry-run --out "$work" "$output" >"$work/probe.txt" 2>&1 || fail "$output does not read back"
grep -q '(mp3)' "$work/probe.txt" || fail "$output is not MP3: $(cat "$work/probe.txt")"

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the package builds, passes lintian and converts from its unpacked tree"
