# Shared by scripts/run and scripts/test: install what is missing, then build.
# Sourced, not run.

STILLREEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR="$STILLREEL_ROOT/build"

# Every Debian package the build, the tests and the program need.
STILLREEL_PACKAGES=(
  build-essential cmake pkg-config ccache
  libavcodec-dev libswscale-dev libavutil-dev libavfilter-dev
  libdvdread-dev genisoimage
  libfreeimage-dev libfreetype-dev libharfbuzz-dev libfontconfig-dev
  libgtest-dev nlohmann-json3-dev
  qt6-base-dev fonts-open-sans
  libsdl1.2-dev libx11-dev xvfb xauth xdotool
  ffmpeg dvdauthor mjpegtools fonts-dejavu-core chromium
  dpkg-dev desktop-file-utils lintian appstream
  tumbler dbus libglib2.0-bin shared-mime-info
  clang libclang-rt-14-dev
)

install_missing_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build_stillreel [CMAKE_OPTION...]: configures and builds the whole tree in build/.
build_stillreel() {
  cmake -S "$STILLREEL_ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}
