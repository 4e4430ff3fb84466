#!/usr/bin/env python3
"""Writes the seed corpus of fuzz-sound (fuzz/corpus/sound/) with libsndfile
itself, through ctypes: a few frames of a tone in each format the module
reads, each file behind the one byte that picks the device's shape."""
import ctypes, math, os, sys

SF_WRITE = 0x20
lib = ctypes.CDLL("libsndfile.so.1")


class Info(ctypes.Structure):
    _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]


lib.sf_open.restype = ctypes.c_void_p
lib.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(Info)]
lib.sf_writef_float.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_float), ctypes.c_int64]
lib.sf_close.argtypes = [ctypes.c_void_p]

# name, shape byte, format, rate, channels, frames
SEEDS = [
    ("wav-pcm16-mono", 0, 0x010000 | 0x0002, 8000, 1, 60),
    ("wav-float-stereo", 1, 0x010000 | 0x0006, 22050, 2, 20),
    ("wav-pcm24-six", 6, 0x010000 | 0x0003, 8000, 6, 6),
    ("aiff-pcm8", 3, 0x020000 | 0x0001, 11025, 1, 80),
    ("au-ulaw", 5, 0x030000 | 0x0010, 8000, 1, 100),
    ("flac-stereo", 2, 0x170000 | 0x0002, 44100, 2, 40),
    ("opus-mono", 4, 0x200000 | 0x0064, 8000, 1, 20),
    ("mp3-mono", 7, 0x230000 | 0x0082, 8000, 1, 100),
]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for name, shape, fmt, rate, channels, frames in SEEDS:
        path = os.path.join(folder, name + ".raw")
        info = Info(0, rate, channels, fmt, 0, 0)
        handle = lib.sf_open(path.encode(), SF_WRITE, ctypes.byref(info))
        if not handle:
            sys.exit(f"{name}: libsndfile cannot write it")
        samples = [0.5 * math.sin(2 * math.pi * 440 * (i // channels) / rate) for i in range(frames * channels)]
        lib.sf_writef_float(handle, (ctypes.c_float * len(samples))(*samples), frames)
        lib.sf_close(handle)
        with open(path, "rb") as f:
            data = f.read()
        os.remove(path)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bytes([shape]) + data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "sound"))
