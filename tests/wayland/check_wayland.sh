#!/usr/bin/env bash
# Runs the built program on a headless weston with Qt's Wayland platform and
# no X server, and checks what a user of a Wayland desktop relies on; then
# that with an X server as well the program still goes to X11.
#   check_wayland.sh BUILD QT_PLUGIN_DIR
set -euo pipefail
build=$1
plugins=$2
if ! command -v weston >/dev/null || ! command -v weston-debug >/dev/null; then
  echo "skipped: weston not found (Debian package weston)"
  exit 77
fi
if ! ls "$plugins"/platforms/libqwayland-generic.so >/dev/null 2>&1; then
  echo "skipped: Qt's Wayland platform not found (Debian package qt6-wayland)"
  exit 77
fi

scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY QT_QPA_PLATFORM
export WAYLAND_DISPLAY=pocosa-test XDG_SESSION_TYPE=wayland

fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }
waitfor() { # waitfor SECONDS COMMAND: true once COMMAND holds
  local n=$(($1 * 10)); shift
  for _ in $(seq 1 $n); do eval "$1" && return 0; sleep 0.1; done
  return 1
}

weston --backend=headless-backend.so --no-config --socket=$WAYLAND_DISPLAY --width=1024 --height=768 \
  --idle-time=0 --debug >"$scratch/weston.log" 2>&1 &
pids+=($!)
if ! waitfor 10 '[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]'; then
  cat "$scratch/weston.log"; echo "FAIL: weston does not start"; exit 1
fi
# The compositor's list of what it shows, one "View" per surface.
scene() { timeout 5 weston-debug scene-graph 2>/dev/null || true; }
# The program's windows by their app id, whatever their title (a closed one stays a moment,
# fading, without a description).
toplevels() { scene | grep -c "top-level window '.*' of org\.velmora\.Pocosa" || true; }

# A copy of the program in a folder of its own keeps its settings in Data/,
# seeded with a position as an X11 session would have left it.
program=$scratch/program
mkdir -p "$program/Data"
cp "$build/bin/pocosa" "$build/bin/pocosa-sound.so" "$build/bin/timer.wav" "$program/"
printf '[TFMTIMERMAIN]\nTOP=100\nLEFT=200\n' >"$program/Data/application.ini"
pocosa() { QT_QPA_PLATFORM=wayland "$program/pocosa" "$@"; }

QT_QPA_PLATFORM=wayland "$program/pocosa" >"$scratch/out" 2>"$scratch/err" &
pid=$!
pids+=($pid)
shown() { scene | grep -q "top-level window 'Pocosa' of org\.velmora\.Pocosa"; }
ringing() { [ "$(pocosa --status)" = "00:00 alarm" ]; }
check "window shown by the compositor" 'waitfor 10 shown'
check "--status answers" '[ "$(pocosa --status)" = "00:00 stopped" ]'
check "a count-down started from the command line" 'pocosa 2s --start'
check "the count-down ends in the alarm" 'waitfor 15 ringing'
sleep 1 # the alarm brings the window forward, which Wayland leaves to the compositor
check "one window, no message box" '[ "$(toplevels)" = 1 ]'
kill -TERM $pid
status=0
wait $pid || status=$?
check "SIGTERM ends it cleanly" '[ $status = 0 ]'
check "settings written" 'grep -q "^\[BACK\]" "$program/Data/application.ini"'
check "position kept as it was" \
  'grep -qx "TOP=100" "$program/Data/application.ini" && grep -qx "LEFT=200" "$program/Data/application.ini"'
# Not even about the sound server the machine lacks.
check "nothing on standard error" '[ ! -s "$scratch/err" ]'

# With an X server as well, the window goes to X11.
Xvfb -displayfd 3 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
pids+=($!)
if waitfor 10 '[ -s "$scratch/display" ]'; then
  export DISPLAY=:$(cat "$scratch/display")
  "$program/pocosa" >/dev/null 2>&1 &
  pid=$!
  pids+=($pid)
  on_x11() { xwininfo -root -tree 2>/dev/null | grep -q '"Pocosa"'; }
  check "with DISPLAY set as well, the window goes to X11" 'waitfor 10 on_x11 && [ "$(toplevels)" = 0 ]'
  kill -TERM $pid; wait $pid || true
else
  echo "FAIL: Xvfb does not start"; fail=1
fi
exit $fail
