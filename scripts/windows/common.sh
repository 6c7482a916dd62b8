# Sourced by the scripts in scripts/windows: where things are, what Debian packages the
# Windows build needs, and the key of the Qt build in the cache.
#
#   BRACKMOOR_WIN_CACHE      cache outside the clone (default: /var/cache/brackmoor-win)
#   BRACKMOOR_WIN_BUILD_DIR  the project's Windows build directory (default: build-win)
#   BRACKMOOR_WIN_JOBS       parallel jobs (default: the number of cores)

source "$(dirname "${BASH_SOURCE[0]}")/../bootstrap.sh"

BRACKMOOR_WIN_CACHE=${BRACKMOOR_WIN_CACHE:-/var/cache/brackmoor-win}
BRACKMOOR_WIN_BUILD_DIR=${BRACKMOOR_WIN_BUILD_DIR:-$BRACKMOOR_ROOT/build-win}
BRACKMOOR_WIN_JOBS=${BRACKMOOR_WIN_JOBS:-$(nproc)}
BRACKMOOR_WIN_TOOLCHAIN=$BRACKMOOR_ROOT/cmake/mingw-w64-x86_64.cmake

# The Qt source is Debian's own package of qtbase, of the same version as the host tools
# (qt6-base-dev-tools) that the cross build runs: both follow what the archive offers.
BRACKMOOR_QT_SOURCE_PACKAGE=qt6-base

BRACKMOOR_WIN_PACKAGES=(
    cmake ninja-build dpkg-dev xz-utils patch
    g++-mingw-w64-x86-64-posix qt6-base-dev-tools
    wine64 nsis zip unzip locales
    xvfb openbox xdotool wmctrl x11-utils xclip imagemagick fonts-dejavu-core
)

# The codec's tests also run in the code pages of these locales (tests/net): Wine takes the
# system's code page from the locale it starts in, so glibc must have them.
BRACKMOOR_WIN_LOCALES=(en_US ru_RU ko_KR zh_CN)
brackmoor_win_locales() {
    local locale sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    for locale in "${BRACKMOOR_WIN_LOCALES[@]}"; do
        locale -a | grep -qix "$locale.utf-\?8" && continue
        echo "Adding the locale $locale.UTF-8"
        "${sudo[@]}" localedef -i "$locale" -c -f UTF-8 "$locale.UTF-8"
    done
}

# Qt's configuration: only what the program and its tests use. Debian's source has no
# wintab (tablets) and nothing for Direct2D; the inputs beside the features keep dynamic
# OpenGL and Schannel from coming back.
BRACKMOOR_QT_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
    -DFEATURE_ssl=OFF -DINPUT_ssl=no -DFEATURE_openssl=OFF -DINPUT_openssl=no -DFEATURE_schannel=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_direct2d1_1=OFF
    -DFEATURE_jpeg=ON -DFEATURE_ico=OFF
    -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF -DFEATURE_icu=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
)

# The cache key: Qt's version, the options, the patches and the compiler.
brackmoor_qt_key() {
    {
        echo "$BRACKMOOR_QT_DEBIAN_VERSION"
        printf '%s\n' "${BRACKMOOR_QT_OPTIONS[@]}"
        cat "$BRACKMOOR_ROOT"/scripts/windows/patches/*.patch
        x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -1
    } | sha256sum | cut -c1-12
}

# Sets BRACKMOOR_QT_DEBIAN_VERSION, BRACKMOOR_QT_VERSION and BRACKMOOR_QT_PREFIX from the host
# tools and the compiler installed; scripts/windows/build calls it again once it has installed
# them, since on a fresh machine they are not there yet when this file is read.
brackmoor_qt_setup() {
    local tools
    tools=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null) || tools=
    tools=${tools#*:}
    BRACKMOOR_QT_DEBIAN_VERSION=${tools:-6.4.2+dfsg-10}
    BRACKMOOR_QT_VERSION=${BRACKMOOR_QT_DEBIAN_VERSION%%[-+]*}
    BRACKMOOR_QT_PREFIX=$BRACKMOOR_WIN_CACHE/qt-$BRACKMOOR_QT_VERSION-$(brackmoor_qt_key)
}
brackmoor_qt_setup

# Prints "name: time" for a stage run as: brackmoor_stage NAME command...
brackmoor_stage() {
    local name=$1 start=$SECONDS status=0
    shift
    echo "== $name"
    "$@" || status=$?
    local took=$((SECONDS - start))
    printf '== %s: %dm%02ds%s\n' "$name" $((took / 60)) $((took % 60)) \
        "$([ $status -eq 0 ] || echo " (FAILED, status $status)")"
    BRACKMOOR_STAGE_TIMES+=("$(printf '%-28s %dm%02ds%s' "$name" $((took / 60)) $((took % 60)) \
        "$([ $status -eq 0 ] || echo ' FAILED')")")
    return $status
}
BRACKMOOR_STAGE_TIMES=()
