# Shared by scripts/run and scripts/test: install what the build needs, then
# configure and build into build/. Sourced, not run.

SABLETIDE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SABLETIDE_BUILD=${SABLETIDE_BUILD:-$SABLETIDE_ROOT/build}

SABLETIDE_PACKAGES=(
    build-essential cmake ninja-build pkg-config python3
    qtbase5-dev qtdeclarative5-dev qtquickcontrols2-5-dev qttools5-dev qttools5-dev-tools
    qml-module-qtquick2 qml-module-qtquick-controls2 qml-module-qtquick-layouts
    qml-module-qtquick-window2 qml-module-qtquick-dialogs qml-module-qtquick-privatewidgets
    qml-module-qt-labs-platform
    qml-module-qt-labs-settings qml-module-qt-labs-folderlistmodel qml-module-qttest libqt5quicktest5 libqt5svg5
    libsox-dev libsox-fmt-all sox libebur128-dev ffmpeg libbenchmark-dev time
    xvfb xauth x11-utils imagemagick groff-base util-linux qt5ct
    exfat-fuse exfatprogs
    clang libclang-rt-14-dev llvm-14
)

sabletide_install_packages() {
    local missing=()
    local p
    for p in "${SABLETIDE_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Sabletide needs these Debian packages; install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

sabletide_build() {
    cmake -S "$SABLETIDE_ROOT" -B "$SABLETIDE_BUILD" -G Ninja "$@"
    cmake --build "$SABLETIDE_BUILD" -j "$(nproc)"
}
