#!/usr/bin/env python3
"""Writes resources/timer.wav: a two-note kitchen-timer chime, 16-bit PCM mono,
22050 Hz, 0.8 s. Bell-like partials with an exponential decay; run it again
after changing the notes and commit the result."""
import math
import struct
import sys
import wave

RATE = 22050
LENGTH = 0.8
# (start in seconds, fundamental in Hz): a falling major third, ding-dong.
NOTES = [(0.0, 1318.5), (0.28, 1046.5)]
PARTIALS = [(1.0, 1.0), (2.0, 0.35), (3.01, 0.12), (4.2, 0.05)]


def sample(t):
    value = 0.0
    for start, freq in NOTES:
        dt = t - start
        if dt < 0:
            continue
        attack = min(1.0, dt / 0.004)
        for ratio, weight in PARTIALS:
            decay = math.exp(-dt * (5.0 + 3.0 * ratio))
            value += weight * attack * decay * math.sin(2 * math.pi * freq * ratio * dt)
    tail = max(0.0, min(1.0, (LENGTH - t) / 0.05))
    return 0.42 * value * tail


def main(path):
    frames = bytearray()
    for i in range(int(RATE * LENGTH)):
        v = max(-1.0, min(1.0, sample(i / RATE)))
        frames += struct.pack('<h', int(round(v * 32767)))
    with wave.open(path, 'wb') as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'resources/timer.wav')
