#!/usr/bin/env bash
# Builds the Debian package into a scratch directory, unpacks it into a scratch root (nothing
# is installed on the system), checks its control fields and files, and starts the unpacked
# client headless until it is terminated.
#
#   deb_test.sh CPACK BUILD_DIR SCRATCH_DIR APP_ID VERSION ICON_SIZES
#
# Exits 77 (skipped) when a Debian packaging tool is not installed.
set -euo pipefail

cpack=$1 build=$2 scratch=$3 app_id=$4 version=$5 icon_sizes=${6//;/ }

for need in dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file readelf:binutils; do
    if ! command -v "${need%%:*}" >/dev/null 2>&1; then
        echo "SKIP: ${need%%:*} is not installed (Debian package ${need#*:})"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch/out" "$scratch/root"

# -- Build ------------------------------------------------------------------------------
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" \
    >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack (is everything built? cmake --build $build)"
    exit 1
fi
shopt -s nullglob
debs=("$scratch"/out/brackmoor-chat_"$version"_*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    ls -l "$scratch/out"
    echo "FAIL: expected one brackmoor-chat_${version}_*.deb"
    exit 1
fi
deb=${debs[0]}
echo "built $(basename "$deb")"

# -- Control fields ----------------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
expect_field() {
    local got
    got=$(field "$1")
    [ "$got" = "$2" ] || fail "$1 is '$got', expected '$2'"
}
expect_field Package brackmoor-chat
expect_field Version "$version"
expect_field Section net
expect_field Maintainer "Brackmoor Chat developers <dev@brackmoor.example.org>"

# The package names in Depends, one a line, without versions or alternatives.
depends=$(field Depends)
dependency_names=$(sed -e 's/ *([^)]*)//g' -e 's/ *[,|] */\n/g' <<<"$depends")
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libstdc++6 libc6 \
    qt6-qpa-plugins fonts-dejavu-core; do
    grep -qxF "$package" <<<"$dependency_names" || fail "Depends lacks $package: $depends"
done

# -- Files -------------------------------------------------------------------------------
root=$scratch/root
dpkg-deb -x "$deb" "$root"

expected=(
    usr/bin/brackmoor-chat
    usr/bin/brackmoor-gateway
    "usr/share/applications/$app_id.desktop"
    "usr/share/metainfo/$app_id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    usr/share/doc/brackmoor-chat/copyright
)
for size in $icon_sizes; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for path in "${expected[@]}"; do
    [ -f "$root/$path" ] || fail "missing /$path"
done

# Everything the package holds belongs under /usr/bin or /usr/share.
while IFS= read -r path; do
    case $path in
    ./usr/bin/* | ./usr/share/*) ;;
    *) fail "unexpected file ${path#.}" ;;
    esac
done < <(cd "$root" && find . -type f -o -type l)

for size in $icon_sizes; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ -f "$png" ] || continue
    file -b "$png" | grep -q "^PNG image data, $size x $size," ||
        fail "${png#"$root"} is not a ${size}x${size} PNG: $(file -b "$png")"
done

for program in brackmoor-chat brackmoor-gateway; do
    binary=$root/usr/bin/$program
    [ -f "$binary" ] || continue
    [ -x "$binary" ] || fail "/usr/bin/$program is not executable"
    file -b "$binary" | grep -q '^ELF .*, stripped' ||
        fail "/usr/bin/$program is not a stripped ELF binary: $(file -b "$binary")"
    # A run path left over from the build would load libraries from the build tree.
    if readelf -d "$binary" | grep -Eq 'R(UN)?PATH'; then
        fail "/usr/bin/$program keeps a run path: $(readelf -d "$binary" | grep -E 'R(UN)?PATH')"
    fi
done

# The launcher, the metainfo and the icons must name each other consistently.
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$desktop" ]; then
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$root/usr/bin/$exec_program" ] || fail "Exec=$exec_program is not in /usr/bin"
    grep -qx "Icon=$app_id" "$desktop" || fail "the launcher's Icon is not $app_id"
fi
if [ -f "$metainfo" ]; then
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $app_id.desktop"
    grep -q "<binary>brackmoor-chat</binary>" "$metainfo" ||
        fail "the metainfo does not provide brackmoor-chat"
fi

# -- Start -------------------------------------------------------------------------------
# The client takes no options, so it is started, left running for two seconds (long enough to
# build and show its main window or to crash trying) and then terminated. Its home and runtime
# directories point into the scratch directory so that the run leaves nothing elsewhere.
client=$root/usr/bin/brackmoor-chat
if [ -x "$client" ]; then
    if ldd "$client" | grep -q 'not found'; then
        fail "unresolved libraries: $(ldd "$client" | grep 'not found')"
    fi
    mkdir -p "$scratch/home" "$scratch/runtime"
    chmod 700 "$scratch/runtime"
    HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime XDG_CONFIG_HOME=$scratch/home/.config \
        XDG_CACHE_HOME=$scratch/home/.cache XDG_DATA_HOME=$scratch/home/.local/share \
        QT_QPA_PLATFORM=offscreen "$client" >"$scratch/run.log" 2>&1 &
    pid=$!
    trap 'kill -KILL "$pid" 2>/dev/null || true' EXIT
    sleep 2
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        status=0
        wait "$pid" || status=$?
        # 143 = 128 + SIGTERM: it was still running and ended by the signal.
        [ "$status" -eq 143 ] || fail "the client ended with status $status on SIGTERM"
    else
        status=0
        wait "$pid" || status=$?
        fail "the client ended by itself within two seconds, status $status"
    fi
    trap - EXIT
    if [ -s "$scratch/run.log" ]; then
        echo "client output:"
        cat "$scratch/run.log"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the package and its unpacked root are in $scratch"
    exit 1
fi
echo "ok: $(basename "$deb") holds ${#expected[@]} files where they belong and starts"
