#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# asking apt only for those that are missing.
set -eu
PACKAGES="
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-translations-l10n qt6-qpa-plugins libqt6svg6
  libsndfile1-dev libpulse-dev
  zlib1g-dev libjpeg62-turbo-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool openbox x11-utils x11-xserver-utils imagemagick libx11-dev libxext-dev
  fonts-ipafont-gothic fonts-roboto-unhinted fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
  dbus desktop-file-utils appstream pulseaudio pulseaudio-utils
  dpkg-dev file lintian
  weston qt6-wayland
"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
