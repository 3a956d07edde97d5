#!/usr/bin/env python3
"""Generate Murmlet's warning sounds as 16-bit mono PCM WAVE files.

Uses only the standard library and fixed random seeds, so every run writes
byte-identical files. Usage: make_sounds.py [OUTPUT_DIR]
(default: resources/sounds next to this script's parent folder).
"""

import math
import random
import struct
import sys
import wave
from pathlib import Path

RATE = 44100
PEAK = 0.6  # about -4.4 dBFS: loud enough to notice, with headroom against clipping


class Biquad:
    """Direct-form I biquad with RBJ cookbook coefficients."""

    def __init__(self, kind, freq, q):
        w = 2.0 * math.pi * freq / RATE
        cw, alpha = math.cos(w), math.sin(w) / (2.0 * q)
        if kind == "bandpass":  # 0 dB peak gain
            b = (alpha, 0.0, -alpha)
        elif kind == "lowpass":
            b = ((1.0 - cw) / 2.0, 1.0 - cw, (1.0 - cw) / 2.0)
        elif kind == "highpass":
            b = ((1.0 + cw) / 2.0, -(1.0 + cw), (1.0 + cw) / 2.0)
        else:
            raise ValueError(kind)
        a0 = 1.0 + alpha
        self.b = [x / a0 for x in b]
        self.a = [-2.0 * cw / a0, (1.0 - alpha) / a0]
        self.x1 = self.x2 = self.y1 = self.y2 = 0.0

    def __call__(self, x):
        y = (self.b[0] * x + self.b[1] * self.x1 + self.b[2] * self.x2
             - self.a[0] * self.y1 - self.a[1] * self.y2)
        self.x2, self.x1 = self.x1, x
        self.y2, self.y1 = self.y1, y
        return y


def normalise(samples, peak=PEAK):
    top = max(abs(s) for s in samples)
    return [s * peak / top for s in samples]


def beep(count):
    """~1 kHz tone with 10 ms raised-cosine edges so it starts and stops without a click."""
    fade = int(0.010 * RATE)
    out = []
    for n in range(count):
        edge = min(n, count - 1 - n)
        gain = 1.0 if edge >= fade else 0.5 - 0.5 * math.cos(math.pi * edge / fade)
        tone = math.sin(2.0 * math.pi * 1000.0 * n / RATE)
        tone += 0.15 * math.sin(2.0 * math.pi * 2000.0 * n / RATE)  # a touch of brightness
        out.append(gain * tone)
    return normalise(out)


def shush(count, seed, filters, attack, release, wobble_hz):
    """Filtered white noise under an attack / sustain / release envelope.

    A slow, small amplitude wobble keeps the hiss from sounding like static.
    """
    rng = random.Random(seed)
    att, rel = int(attack * RATE), int(release * RATE)
    out = []
    for n in range(count):
        x = rng.random() * 2.0 - 1.0
        for f in filters:
            x = f(x)
        if n < att:
            env = math.sin(0.5 * math.pi * n / att) ** 2
        elif n >= count - rel:
            env = ((count - 1 - n) / rel) ** 2
        else:
            env = 1.0
        env *= 1.0 + 0.12 * math.sin(2.0 * math.pi * wobble_hz * n / RATE)
        out.append(env * x)
    # Gentle tanh saturation tames the rare noise spikes, so the hiss sits a few dB
    # louder for the same peak level.
    drive = 2.0
    return normalise([math.tanh(drive * s) for s in normalise(out, 1.0)])


def write_wav(path, samples):
    frames = b"".join(struct.pack("<h", int(round(s * 32767.0))) for s in samples)
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main(argv):
    if len(argv) > 2:
        sys.stderr.write("usage: make_sounds.py [OUTPUT_DIR]\n")
        return 2
    here = Path(__file__).resolve().parent
    out_dir = Path(argv[1]) if len(argv) == 2 else here.parent / "resources" / "sounds"
    out_dir.mkdir(parents=True, exist_ok=True)

    sounds = {
        # Sample counts are fixed: the program and its packaging expect these exact sizes.
        "RESOURCE_1.wav": beep(14448),
        # Lower voice: energy around 1.5-3 kHz.
        "RESOURCE_2.wav": shush(29424, seed=1702, attack=0.07, release=0.25, wobble_hz=5.0,
                                filters=[Biquad("highpass", 1300.0, 0.7),
                                         Biquad("bandpass", 2200.0, 1.2),
                                         Biquad("lowpass", 3400.0, 0.7)]),
        # Higher voice, held longer: energy around 3-6 kHz.
        "RESOURCE_3.wav": shush(45552, seed=2311, attack=0.09, release=0.35, wobble_hz=6.5,
                                filters=[Biquad("highpass", 2800.0, 0.7),
                                         Biquad("bandpass", 4500.0, 1.0),
                                         Biquad("lowpass", 6800.0, 0.7)]),
    }
    for name, samples in sounds.items():
        path = out_dir / name
        write_wav(path, samples)
        print(f"{path}: {len(samples)} samples")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
