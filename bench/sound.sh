#!/bin/sh
# The alarm's sound on a private PulseAudio server with a null sink: for each
# file, in a fresh process, the time the Play call takes on the window's
# thread, the time from the call to the first sound handed to the server
# (pa_stream_write, stamped by pocosa-first-write-probe.so), and the resident
# memory before the first play and three seconds after; then all files at
# once, each on its own channel.
#
#   bench/sound.sh [BUILD_DIR] [MODULE]     (after: cmake --build BUILD_DIR
#   --target pocosa-sound pocosa-sound-bench pocosa-first-write-probe)
#
# MODULE defaults to BUILD_DIR/bin/pocosa-sound.so. Needs pulseaudio and
# python3 (the sounds, 10 s and longer, are written with libsndfile).
set -eu
build=$(cd "${1:-build}" && pwd)
module=${2:-$build/bin/pocosa-sound.so}
work=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
XDG_RUNTIME_DIR="$work/run" HOME="$work" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --load=module-null-sink --load=module-native-protocol-unix >"$work/pulse.log" 2>&1 &
server=$!
for _ in $(seq 50); do [ -S "$work/run/pulse/native" ] && break; sleep 0.1; done

python3 - "$work" <<'PY'
import ctypes, math, sys
lib = ctypes.CDLL("libsndfile.so.1")
class Info(ctypes.Structure):
    _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]
lib.sf_open.restype = ctypes.c_void_p
lib.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(Info)]
lib.sf_writef_float.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_float), ctypes.c_int64]
lib.sf_close.argtypes = [ctypes.c_void_p]
for name, fmt, rate, seconds in [("tone.wav", 0x010002, 44100, 12), ("tone.flac", 0x170002, 44100, 12),
                                 ("tone.ogg", 0x200060, 44100, 12), ("tone.opus", 0x200064, 48000, 12),
                                 ("tone.mp3", 0x230082, 44100, 12)]:
    n = rate * seconds
    one = [0.3 * math.sin(2 * math.pi * 440 * i / rate) for i in range(rate)]
    frames = (ctypes.c_float * (2 * rate))(*[s for v in one for s in (v, -v)])
    info = Info(0, rate, 2, fmt, 0, 0)
    f = lib.sf_open(f"{sys.argv[1]}/{name}".encode(), 0x20, ctypes.byref(info))
    for _ in range(seconds):
        lib.sf_writef_float(f, frames, rate)
    lib.sf_close(f)
PY
cp "$build/bin/timer.wav" "$work/"

run() {
  PULSE_SERVER="unix:$work/run/pulse/native" LD_PRELOAD="$build/bin/pocosa-first-write-probe.so" \
    QT_QPA_PLATFORM=offscreen "$build/bin/pocosa-sound-bench" "$module" "$@" 2>&1 | python3 -c '
import re, sys
lines = sys.stdin.read().splitlines()
starts = [int(m.group(1)) for m in (re.search(r"^play .* at (\d+) ns", l) for l in lines) if m]
for l in lines:
    m = re.search(r"^first write of stream (\d+) at (\d+) ns", l)
    if m and starts:
        i = min(int(m.group(1)), len(starts)) - 1
        l += "  (%.1f ms after its play)" % ((int(m.group(2)) - starts[i]) / 1e6)
    print("  " + l)'
}
for f in timer.wav tone.wav tone.flac tone.ogg tone.opus tone.mp3; do
  echo "$f:"
  run "$work/$f"
done
echo "all at once:"
run "$work/timer.wav" "$work/tone.wav" "$work/tone.flac" "$work/tone.ogg" "$work/tone.opus" "$work/tone.mp3"
