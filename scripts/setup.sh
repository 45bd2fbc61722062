# Shared by the scripts: install the Debian packages that are missing, then
# configure and build into build/. Sourced, not run.

SABLETIDE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SABLETIDE_BUILD=${SABLETIDE_BUILD:-$SABLETIDE_ROOT/build}

# What builds Sabletide is the Build-Depends of debian/control, and what the
# window needs beside its libraries is the Depends of its package: both are
# read from there, each list in one place. These are the rest: the compiler,
# and what only the tests (python3, the sox command, QtTest, libsox's oss
# driver for a device that never opens, ffmpeg's loudness meter, X for the
# window tests, an exFAT card, GNU parallel for the README's recipe), the
# benchmarks, the sanitizers and the screenshots use.
SABLETIDE_TOOLS=(
    build-essential python3 sox libsox-fmt-all qml-module-qttest libbenchmark-dev time ffmpeg
    xvfb xauth x11-utils imagemagick groff-base util-linux qt5ct parallel
    exfat-fuse exfatprogs
    clang libclang-rt-14-dev llvm-14
)

# The packages that one field of debian/control names: the first of each set
# of alternatives, without versions, architectures, build profiles or
# debhelper's substitutions.
sabletide_control_field() {
    awk -v field="$(echo "$1" | tr '[:upper:]' '[:lower:]')" '
        /^#/ { next }
        /^$/ { taking = 0; next }
        /^[^ \t]/ {
            taking = index(tolower($0), field ":") == 1
            if (taking) sub(/^[^:]*:/, "")
        }
        taking { print }
    ' "$SABLETIDE_ROOT/debian/control" | tr '\n' ' ' | tr ',' '\n' |
        sed -E 's/[|].*//; s/[(][^)]*[)]|[[][^]]*[]]|<[^>]*>//g; s/^[[:space:]]+|[[:space:]]+$//g' |
        grep -vE '^([$]|$)'
}

sabletide_install_packages() {
    local wanted missing=()
    local p
    # A virtual package (debhelper-compat) is there when an installed one provides it.
    local installed
    installed=$(dpkg-query -W -f='${Status} ${Package}, ${Provides}\n' 2>/dev/null |
        sed -n 's/^install ok installed //p' | tr ',' '\n' | sed -E 's/[(][^)]*[)]//; s/[[:space:]]//g')
    mapfile -t wanted < <(sabletide_control_field Build-Depends; sabletide_control_field Depends)
    for p in "${wanted[@]}" "${SABLETIDE_TOOLS[@]}" "$@"; do
        grep -qxF -- "$p" <<<"$installed" || missing+=("$p")
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
