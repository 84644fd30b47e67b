#!/usr/bin/env bash
# Installs the Debian packages that building and running Zelvo need, and with
# --tests (as ./test calls it) those that testing needs too: the virtual
# display and the keys of the end-to-end tests, the accessibility bus and
# its Python bindings that the screen reader's test reads, clang and the sanitizer
# runtimes, the checkers of the package. Does nothing when every package is
# already there, so it is cheap to call on every build.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-image-formats-plugins libgl-dev
  fonts-liberation fonts-liberation2
)
if [ "${1:-}" = --tests ]; then
  packages+=(
    xvfb xauth xdotool x11-utils
    dbus at-spi2-core python3-pyatspi
    clang libclang-rt-14-dev
    libasan8 libubsan1 libtsan2
    dpkg-dev file lintian appstream desktop-file-utils
  )
fi
if [ "${ZELVO_WITH_BENCH_PEERS:-0}" = 1 ]; then
  packages+=(jdupes fdupes rdfind)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Faltan paquetes de Debian: ${missing[*]}" >&2
  echo "Instálelos como root: apt-get install ${missing[*]}" >&2
  echo "(Missing Debian packages; run this script as root or install them with apt-get.)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
