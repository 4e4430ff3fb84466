#!/usr/bin/env bash
# Makes resources/linux/screenshot.png (Japanese) and screenshot-en.png
# (English): the timer window counting down, shot under a private Xvfb from
# the build tree with temporary settings folders.
# Usage: tools/make_screenshot.sh [BUILD_DIR]   (needs Xvfb and ImageMagick)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
work=$(mktemp -d)
display=""
for n in $(seq 80 120); do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=:$n; break; fi
done
Xvfb "$display" -screen 0 320x240x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$pid" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
pid=""
trap cleanup EXIT
sleep 1
cp -r "$build/bin" "$work/prog"
rm -rf "$work/prog/Data"
shoot() { # shoot LANGUAGE OUTPUT
  rm -rf "$work/home" "$work/run"
  mkdir -p "$work/home/.config" "$work/run" && chmod 700 "$work/run"
  env -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 LANGUAGE=$1 DISPLAY=$display HOME=$work/home \
    XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run "$work/prog/pocosa" 3:00 --start >/dev/null 2>&1 &
  pid=$!
  sleep 3
  DISPLAY=$display xdotool mousemove 5 5
  sleep 1
  # The window sits centred on the screen; shoot the screen and trim the backdrop.
  DISPLAY=$display import -window root "$work/root.png"
  convert "$work/root.png" -crop 150x144+85+48 +repage "$here/resources/linux/$2"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
  echo "wrote resources/linux/$2"
}
shoot ja screenshot.png
shoot en screenshot-en.png
