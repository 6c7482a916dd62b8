# Sourced by scripts/run and scripts/test: installs the Debian packages that are missing,
# then configures and builds the project in build/.
#
#   BRACKMOOR_PACKAGES   the packages to make sure of (set by the caller)
#   BRACKMOOR_BUILD_DIR  the build directory (default: build)
#   BRACKMOOR_BUILD_TYPE the CMake build type (default: RelWithDebInfo)
#   BRACKMOOR_CMAKE_ARGS further arguments for CMake

BRACKMOOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BRACKMOOR_BUILD_DIR=${BRACKMOOR_BUILD_DIR:-$BRACKMOOR_ROOT/build}
BRACKMOOR_BUILD_TYPE=${BRACKMOOR_BUILD_TYPE:-RelWithDebInfo}

BRACKMOOR_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libvulkan-dev
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-symbola
)

brackmoor_install_missing() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

brackmoor_build() {
    cmake -S "$BRACKMOOR_ROOT" -B "$BRACKMOOR_BUILD_DIR" -G Ninja \
        -DCMAKE_BUILD_TYPE="$BRACKMOOR_BUILD_TYPE" ${BRACKMOOR_CMAKE_ARGS:-}
    cmake --build "$BRACKMOOR_BUILD_DIR" --parallel "$(nproc)"
}
