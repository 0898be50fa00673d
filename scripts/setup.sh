# Shared by ./scripts/run and ./scripts/test: install what is missing, then
# configure and build. Sourced, not run.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  cmake ninja-build g++ pkg-config lld
  qt6-base-dev qt6-base-dev-tools libgl-dev libfontconfig-dev libfreetype-dev
  libsdl2-mixer-dev timgm6mb-soundfont
  fonts-ipafont-gothic fonts-ipafont-mincho xdg-utils qt6-translations-l10n
  libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev qt6-charts-dev libqt6opengl6-dev
  libmecab-dev mecab-ipadic-utf8
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev
  xvfb xauth xdotool imagemagick x11-utils appstream
  fcitx5 fcitx5-mozc fcitx5-frontend-qt6 dbus-x11
  sway grim wtype qt6-wayland jq
  openbox at-spi2-core python3-pyatspi dbus-daemon dbus-bin kanjidic
  clang libclang-rt-14-dev clang-format
  postgresql
)

install_packages() {
  local wanted=("$@") missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local apt=(apt-get install -y --no-install-recommends "${missing[@]}")
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${apt[@]}"
  elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive "${apt[@]}"
  else
    echo "Please install the missing packages first:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
}

build() {
  local type="${1:-RelWithDebInfo}"
  shift || true
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}
