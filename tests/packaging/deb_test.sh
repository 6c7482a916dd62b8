#!/usr/bin/env bash
# Builds the Debian package into a scratch directory, unpacks it into a scratch root (nothing
# is installed on the system), checks what it holds and starts the unpacked client headless.
#   deb_test.sh CPACK BUILD_DIR SCRATCH_DIR APP_ID VERSION ICON_SIZES
# Exits 77 (skipped) when a Debian packaging tool is not installed.
set -euo pipefail
cpack=$1 build=$2 scratch=$3 app_id=$4 version=$5 icon_sizes=${6//;/ } root=$3/root
for need in dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file readelf:binutils; do
    command -v "${need%%:*}" >/dev/null ||
        { echo "SKIP: ${need%%:*} is not installed (Debian package ${need#*:})" && exit 77; }
done
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }

rm -rf "$scratch" && mkdir -p "$scratch/out" "$root" "$scratch/run" "$scratch/home"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" && echo "FAIL: cpack (is everything built?)" && exit 1; }
deb=$(echo "$scratch"/out/brackmoor-chat_"$version"_*.deb)
[ -f "$deb" ] || { ls "$scratch/out" && echo "FAIL: not one package for $version" && exit 1; }
dpkg-deb -x "$deb" "$root"

# dpkg-shlibdeps found the libraries the programs link.
depends=$(dpkg-deb --field "$deb" Depends)
for package in libqt6core6 libqt6widgets6 libqt6network6 libc6; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

# These files and no others.
desktop=usr/share/applications/$app_id.desktop metainfo=usr/share/metainfo/$app_id.metainfo.xml
icons=usr/share/icons/hicolor
expected="usr/bin/brackmoor-chat usr/bin/brackmoor-gateway $desktop $metainfo
$icons/scalable/apps/$app_id.svg usr/share/doc/brackmoor-chat/copyright"
for size in $icon_sizes; do
    png=$icons/${size}x$size/apps/$app_id.png && expected+=" $png"
    file -b "$root/$png" | grep -q "^PNG image data, $size x $size," || fail "/$png: wrong size"
done
held=$(cd "$root" && find . -type f -o -type l | cut -c3- | sort)
diff <(tr ' ' '\n' <<<"$expected" | sort) - <<<"$held" ||
    fail "the package holds other files than these (<: missing, >: unexpected)"

for program in brackmoor-chat brackmoor-gateway; do
    binary=$root/usr/bin/$program
    [[ -x $binary && $(file -b "$binary") == ELF*", stripped"* ]] ||
        fail "/usr/bin/$program is not a stripped executable: $(file -b "$binary")"
    # A run path left over from the build would load libraries from the build tree.
    ! readelf -d "$binary" 2>/dev/null | grep -E 'R(UN)?PATH' || fail "$program has a run path"
done

# The launcher starts the installed program and shows the installed icon; the metainfo names both.
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/$desktop" || true)
[[ -n $program && -x $root/usr/bin/$program ]] || fail "Exec=$program is not in /usr/bin"
grep -qx "Icon=$app_id" "$root/$desktop" || fail "the launcher's Icon is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$root/$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"
grep -q "<binary>brackmoor-chat</binary>" "$root/$metainfo" || fail "the metainfo lacks the binary"

# The client takes no options. On Qt's minimal platform with QT_DEBUG_BACKINGSTORE it saves
# each window it paints as outputNNNN.png in its working directory: the first shows that it got
# as far as painting its main window. It must then still be running, to end by SIGTERM (143).
# It sees no other environment than this, so it leaves nothing outside the scratch directory.
chmod 700 "$scratch/home"
(cd "$scratch/run" && exec env -i HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/home" \
    QT_QPA_PLATFORM=minimal QT_DEBUG_BACKINGSTORE=1 "$root/usr/bin/brackmoor-chat") \
    >"$scratch/client.log" 2>&1 &
pid=$!
trap 'kill -KILL "$pid" 2>/dev/null || true' EXIT
timeout 30 sh -c "until [ -f '$scratch/run/output0000.png' ] || ! kill -0 $pid; do sleep 0.1; done" 2>/dev/null || true
[ -f "$scratch/run/output0000.png" ] || fail "the client painted nothing: $(<"$scratch/client.log")"
kill -TERM "$pid" 2>/dev/null || true
status=0 && wait "$pid" || status=$?
[ "$status" -eq 143 ] || fail "the client ended with status $status, not by SIGTERM"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed; see $scratch" && exit 1; }
echo "ok: $(basename "$deb") holds its files where they belong and starts"
