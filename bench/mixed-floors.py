#!/usr/bin/env python3
"""Variants of the corpus copies whose gaps do not share one floor, for
bench/bench_mixed_floors.sh:

    bench/mixed-floors.py joins ALBUMS COPY OUT GAP...      (gaps made digital silence)
    bench/mixed-floors.py hiss ALBUMS COPY OUT DB GAP...    (white hiss at DB dBFS RMS in
                                                             those gaps of a clean copy)

A join is a gap of a noisy copy (cassette, needle drop) overwritten with
digital silence from the last music of one song to the first of the next, as an
editor leaves the joins of a transfer. Hiss is added to some gaps of a clean
copy, the others left digital silence, as on a compilation of sources. GAP 1
is the gap between the first and the second song. The copy's truth files are
copied beside OUT (its .truth.txt and .truth.tsv), for score-detection.py.
Needs the 16-bit stereo canonical WAV files that build-corpus.py writes.
"""

import array
import math
import random
import shutil
import sys

HEADER = 44  # the corpus's WAV files are canonical
FRAME = 4    # 16-bit stereo


def gaps_of(truth_tsv):
    """The (first, end) frames of every gap between two songs."""
    rows = [line.split("\t") for line in open(truth_tsv) if line[:1].isdigit()]
    return [(int(rows[i][2]), int(rows[i + 1][1])) for i in range(len(rows) - 1)]


def main(argv):
    kind, albums, copy, out = argv[1:5]
    rest = argv[5:]
    db = float(rest.pop(0)) if kind == "hiss" else None
    wanted = [int(g) for g in rest]
    source = f"{albums}/{copy}"
    shutil.copy(f"{source}.wav", out)
    stem = out[:-4] if out.endswith(".wav") else out
    for ext in ("txt", "tsv"):
        shutil.copy(f"{source}.truth.{ext}", f"{stem}.truth.{ext}")
    gaps = gaps_of(f"{source}.truth.tsv")
    noise = random.Random(1)
    # uniform noise of that RMS, in 16-bit steps
    amplitude = 10 ** (db / 20) * 32768 * math.sqrt(3) if db is not None else 0.0
    with open(out, "r+b") as f:
        for g in wanted:
            first, end = gaps[g - 1]
            f.seek(HEADER + FRAME * first)
            samples = array.array("h")
            samples.frombytes(f.read(FRAME * (end - first)))
            if sys.byteorder != "little":
                samples.byteswap()
            for i in range(len(samples)):
                if kind == "joins":
                    samples[i] = 0
                else:
                    value = samples[i] + round(amplitude * (2 * noise.random() - 1))
                    samples[i] = max(-32768, min(32767, value))
            if sys.byteorder != "little":
                samples.byteswap()
            f.seek(HEADER + FRAME * first)
            f.write(samples.tobytes())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
