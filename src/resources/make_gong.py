#!/usr/bin/env python3
"""Writes gong.wav: a soft synthesised gong (inharmonic partials, slow swell, long decay).

Run from this folder: python3 make_gong.py
"""
import math
import struct
import wave

RATE = 22050
SECONDS = 2.2
# (frequency ratio, amplitude, decay per second) of the partials of a small gong.
PARTIALS = [(1.00, 1.00, 1.6), (1.52, 0.55, 2.2), (2.03, 0.35, 2.8), (2.74, 0.22, 3.5), (3.41, 0.12, 4.5), (4.17, 0.06, 6.0)]
BASE = 196.0  # G3

frames = []
for n in range(int(RATE * SECONDS)):
    t = n / RATE
    swell = 1.0 - math.exp(-t * 60.0)  # a soft mallet: no click at the start
    shimmer = 1.0 + 0.004 * math.sin(2 * math.pi * 5.5 * t)
    sample = sum(a * math.exp(-d * t) * math.sin(2 * math.pi * BASE * r * shimmer * t) for r, a, d in PARTIALS)
    frames.append(swell * sample)

peak = max(abs(s) for s in frames)
scale = 0.5 * 32767 / peak
with wave.open("gong.wav", "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(b"".join(struct.pack("<h", int(s * scale)) for s in frames))
