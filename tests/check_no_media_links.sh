#!/usr/bin/env bash
# Fails when any ELF file under the build tree needs a media library at link time.
set -euo pipefail
root="${1:?build folder}"
status=0
checked=0
while IFS= read -r -d '' file; do
    head -c 4 "$file" 2>/dev/null | grep -q $'\x7fELF' || continue
    checked=$((checked + 1))
    needed="$(readelf -d "$file" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
    if bad="$(grep -E '^lib(av(codec|device|filter|format|util)|sw(scale|resample)|postproc|SDL2)' <<<"$needed")"; then
        echo "FAIL: $file links $(tr '\n' ' ' <<<"$bad")"
        status=1
    fi
done < <(find "$root" -type f \( -perm -u+x -o -name '*.so' -o -name '*.so.*' \) \
             -not -path '*/CMakeFiles/*' -not -path '*/fixtures/*' -print0)
echo "checked $checked binaries"
((checked > 0)) || { echo "FAIL: no binaries found under $root"; exit 1; }
exit $status
