#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds, and then starts the program
# ("run"), runs every test ("test") or makes the Debian package
# dovex_<version>_<arch>.deb in the build directory ("package"). Safe to run
# again: it only installs packages that are absent and builds incrementally.
set -euo pipefail

cd "$(dirname "$0")/.."
mode=${1:-run}
shift || true

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libzip-dev zlib1g-dev libmspack-dev libglib2.0-dev libdeflate-dev libarchive-dev
  clang clang-format libclang-rt-14-dev
  zip unzip arj jlha-utils arc unar hyperfine mscompress
  tar zstd lzip cpio 7zip xorriso genisoimage
  shared-mime-info hicolor-icon-theme adwaita-icon-theme
  xvfb xauth fonts-dejavu-core
  gvfs-backends gvfs-fuse dbus samba libnss-wrapper openssh-server
  desktop-file-utils appstream lintian dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=${DOVEX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

case "$mode" in
  run)
    exec "$build/src/dovex" "$@"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$(nproc)"
    if [ -x scripts/fuzz-smoke.sh ]; then
      scripts/fuzz-smoke.sh
    fi
    ;;
  package)
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$build/package"
    ls "$build"/package/dovex_*.deb
    ;;
  *)
    echo "usage: scripts/setup.sh run|test|package" >&2
    exit 2
    ;;
esac
