#!/usr/bin/env python3
"""Builds the detection benchmark's albums from real recorded music.

    bench/build-corpus.py DIR        DIR/tracks (see fetch-corpus.sh) -> DIR/albums
    bench/build-corpus.py --sources  the source tracks, one PACKAGE<TAB>PATH a line

Each album joins a dozen tracks of one game soundtrack with gaps of 0.7-4 s
after a lead-in, and ends with a run-out. Looping game tracks are trimmed to
2-5 minutes, some ending in a fade-out of 2-8 s and some hard, some entering
with a fade-in; whole songs keep the ends their composer gave them. Every album
comes in three copies:

    ALBUM-clean.wav     the transfer a CD would give: digital silence in the gaps
    ALBUM-cassette.wav  tape hiss, mains hum with its harmonics, the tape's
                        treble loss, a level of its own for every track, short gaps
    ALBUM-needle.wav    a record: surface noise, rumble under 40 Hz, crackle and
                        clicks (in the gaps too), a needle drop in the lead-in and
                        the run-out groove's tick at the end

The truth of each copy is where every track's music starts and ends: the first
and last sample of the clean track above -60 dBFS, at the place the copy puts
it; in the clean copy, where the music rises out of digital silence and sinks
back into it. A sample that small is
below anything a listener hears at a normal level, so no audible music lies
outside it; being the strictest edge, it never hides music a detection left
out. It is written as ALBUM-COPY.truth.txt (a label file: start<TAB>end<TAB>
name, in seconds) and ALBUM-COPY.truth.tsv (frames and seconds, the copy's
noise floor as its gaps' RMS, and how long each track's music stays under that
floor at its start and end, in 50 ms windows: a natural ending may sink under
a record's surface noise seconds before its last sample, and no detection can
hear it there). ALBUM.plan.tsv tells how each track was cut. The sleeve's
track list of each album comes in three versions: ALBUM.tracklist.txt (every
duration as the music lasts, to the second), ALBUM.tracklist-off.txt (each up
to 3 s off) and ALBUM.tracklist-sides.txt (the album as one side of a
two-sided record, with the other side's lines around it).

Every random choice is drawn from a generator seeded by the album's name, and
sox runs repeatable (-R) and without dither (-D), so a rebuild gives the same
bytes. Needs sox and python3's standard library only.
"""

import array
import math
import os
import random
import shlex
import subprocess
import sys
import wave
from typing import NamedTuple

RATE = 44100
CHANNELS = 2
FRAME_BYTES = 4  # 16-bit stereo
# A sample counts as music above -60 dBFS: 32768 * 10^(-60/20) = 32.8.
MUSIC_THRESHOLD = 32


class Album(NamedTuple):
    name: str
    package: str
    folder: str  # inside the unpacked package
    trim: bool  # loops trimmed to 2-5 minutes; False keeps whole songs
    hum_hz: int  # the cassette copy's mains hum
    style: str  # how the sleeve writes a line: "dot", "dash" or "side"
    tracks: list  # (file in folder, title)


ALBUMS = [
    Album("singularity", "singularity-music", "usr/share/games/singularity/music", False, 50,
          "dot", [("Awakening.ogg", "Awakening"),
                  ("A New Journey.ogg", "A New Journey"),
                  ("Through Space.ogg", "Through Space"),
                  ("Coherence.ogg", "Coherence"),
                  ("Advanced Simulacra.ogg", "Advanced Simulacra"),
                  ("Enemy Unknown.ogg", "Enemy Unknown"),
                  ("By-Product.ogg", "By-Product"),
                  ("Inevitable.ogg", "Inevitable"),
                  ("Orbital Elevator.ogg", "Orbital Elevator"),
                  ("Nebula.ogg", "Nebula"),
                  ("Aberrations.ogg", "Aberrations"),
                  ("Deprecation.ogg", "Deprecation")]),
    Album("wesnoth", "wesnoth-1.16-music", "usr/share/games/wesnoth/1.16/data/core/music", True,
          60, "dash", [("heroes_rite.ogg", "Heroes Rite"),
                       ("elvish-theme.ogg", "Elvish Theme"),
                       ("knolls.ogg", "Knolls"),
                       ("suspense.ogg", "Suspense"),
                       ("loyalists.ogg", "Loyalists"),
                       ("nunc_dimittis.ogg", "Nunc Dimittis"),
                       ("silvan_sanctuary.ogg", "Silvan Sanctuary"),
                       ("the_deep_path.ogg", "The Deep Path"),
                       ("traveling_minstrels.ogg", "Traveling Minstrels"),
                       ("vengeful.ogg", "Vengeful"),
                       ("wanderer.ogg", "Wanderer"),
                       ("weight_of_revenge.ogg", "Weight of Revenge")]),
    Album("warzone", "warzone2100-music", "usr/share/games/warzone2100/music/albums", True, 50,
          "side", [("original_soundtrack/track1.opus", "Track 1 (Original)"),
                   ("original_soundtrack/track2.opus", "Track 2 (Original)"),
                   ("legacy_soundtrack/track4.opus", "Track 4 (Legacy)"),
                   ("legacy_soundtrack/track5.opus", "Track 5 (Legacy)"),
                   ("legacy_soundtrack/track7.opus", "Track 7 (Legacy)"),
                   ("legacy_soundtrack/track9.opus", "Track 9 (Legacy)"),
                   ("legacy_soundtrack/track11.opus", "Track 11 (Legacy)"),
                   ("legacy_soundtrack/track13.opus", "Track 13 (Legacy)"),
                   ("legacy_soundtrack/track15.opus", "Track 15 (Legacy)"),
                   ("aftermath_soundtrack/track17.opus", "Track 17 (Aftermath)"),
                   ("aftermath_soundtrack/track20.opus", "Track 20 (Aftermath)"),
                   ("aftermath_soundtrack/track23.opus", "Track 23 (Aftermath)")]),
]

# Levels of the noisy copies, in dBFS (RMS) as they measure in the copy.
CASSETTE_HISS = (-45.0, -40.0)  # the album's hiss is drawn from this range
CASSETTE_HUM = -52.0  # the mains hum with its harmonics
NEEDLE_SURFACE = -50.0  # the surface noise (pink)
NEEDLE_RUMBLE = -55.0  # brown noise, 10-40 Hz
# The levels of sox's generators at 0 dB gain, measured once (sox 14.4.2), so
# a gain puts each at the level above.
WHITE_LOWPASSED_RMS = -8.2  # whitenoise, then the tape's low-pass at 11 kHz
PINK_RMS = -13.2
RUMBLE_RMS = -9.9  # brownnoise, high-pass 10 Hz, low-pass 40 Hz twice


def source_wav(root, album, file):
    return os.path.join(root, "tracks", album.package, os.path.splitext(os.path.basename(file))[0] + ".wav")


def sox(*args, stdin=None):
    """Runs sox repeatable, without dither, quiet but for errors; returns stdout."""
    return subprocess.run(["sox", "-R", "-D", "-V1", *args], input=stdin, check=True,
                          stdout=subprocess.PIPE).stdout


RAW = ["-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16", "-c", str(CHANNELS)]


def music_bounds(data):
    """First frame and the frame after the last with a sample above -60 dBFS."""
    samples = array.array("h", data)
    first = next((i for i, v in enumerate(samples) if v > MUSIC_THRESHOLD or v < -MUSIC_THRESHOLD), None)
    if first is None:
        raise ValueError("no music in the track")
    last = next(i for i in range(len(samples) - 1, -1, -1)
                if samples[i] > MUSIC_THRESHOLD or samples[i] < -MUSIC_THRESHOLD)
    return first // CHANNELS, last // CHANNELS + 1


def plan_album(album, lengths, rng):
    """How each track is cut from its source: (start s, length s or None for
    the rest, fade-in s, fade-out s, fade-out shape, end kind)."""
    n = len(album.tracks)
    if not album.trim:
        return [(0.0, None, 0.0, 0.0, "t", "own end") for _ in range(n)]
    # A third enter with a fade-in from later in the loop; of the others that
    # end early, half fade out and half stop hard.
    fade_ins = set(rng.sample(range(n), n // 3))
    ends = ["fade", "hard"] * n
    rng.shuffle(ends)
    plans = []
    for i, total in enumerate(lengths):
        length = rng.uniform(min(150.0, total - 10.0), min(300.0, total - 10.0))
        if total - length < 15.0 and i not in fade_ins:
            plans.append((0.0, None, 0.0, 0.0, "t", "own end"))  # nearly whole: keep its end
            continue
        start, fade_in = 0.0, 0.0
        if i in fade_ins:
            start = rng.uniform(0.15, 0.4) * (total - length)
            fade_in = rng.uniform(1.0, 4.0)
        if ends[i] == "fade":
            plans.append((start, length, fade_in, rng.uniform(2.0, 8.0), rng.choice("tq"), "fade-out"))
        else:  # a hard stop; 10 ms of fade so the stop is no click
            plans.append((start, length, fade_in, 0.01, "t", "hard end"))
    return plans


def render_track(path, plan):
    """The track's music as raw frames, cut and faded as planned, from its
    first to its last sample above -60 dBFS."""
    start, length, fade_in, fade_out, shape, _ = plan
    effects = []
    if length is not None:
        effects += ["trim", f"{start:.3f}", f"{length:.3f}"]
        if fade_in:
            effects += ["fade", "t", f"{fade_in:.3f}"]
        effects += ["fade", shape, "0", f"{length:.3f}", f"{fade_out:.3f}"]
    data = sox(path, *RAW, "-", *effects)
    first, end = music_bounds(data)
    return data[first * FRAME_BYTES:end * FRAME_BYTES]


def layout(rng, kind, n):
    """Lead-in, the n - 1 gaps and the run-out of a copy, in seconds."""
    if kind == "cassette":  # dubbed with short pauses
        gaps = [rng.uniform(0.7, 1.5) for _ in range(n - 1)]
        return rng.uniform(1.0, 4.0), gaps, rng.uniform(3.0, 10.0)
    # 0.7-4 s, spread over the whole range: one gap in each of n - 1 strata.
    gaps = [0.7 + (i + rng.random()) * 3.3 / (n - 1) for i in range(n - 1)]
    rng.shuffle(gaps)
    if kind == "needle":
        return rng.uniform(2.0, 6.0), gaps, rng.uniform(8.0, 15.0)
    return rng.uniform(0.5, 3.0), gaps, rng.uniform(2.0, 8.0)


def write_joined(path, tracks, lead, gaps, run, gains_db=None):
    """Writes the tracks joined with digital silence (each track at its gain,
    if given); returns every track's (start frame, end frame) and the length."""
    edges, frame = [], round(lead * RATE)
    with wave.open(path, "wb") as out:
        out.setnchannels(CHANNELS)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frame * FRAME_BYTES))
        for i, data in enumerate(tracks):
            if gains_db and gains_db[i]:
                data = sox(*RAW, "-", *RAW, "-", "gain", f"{gains_db[i]:.2f}", stdin=data)
            out.writeframes(data)
            end = frame + len(data) // FRAME_BYTES
            edges.append((frame, end))
            pause = round((gaps[i] if i < len(gaps) else run) * RATE)
            out.writeframes(bytes(pause * FRAME_BYTES))
            frame = end + pause
    return edges, frame


class Impulses:
    """A sparse stereo track of clicks and crackle, summed frame by frame."""

    def __init__(self, rng):
        self.rng = rng
        self.frames = {}

    def add(self, frame, peak_db, length, ring_hz, left=1.0, right=1.0):
        """A click: a decaying ring of length frames, peak_db at its start."""
        peak = 32767.0 * 10.0 ** (peak_db / 20.0) * self.rng.choice((-1.0, 1.0))
        tau, w = max(length / 3.0, 0.7), 2.0 * math.pi * ring_hz / RATE
        for k in range(length):
            v = peak * math.exp(-k / tau) * math.cos(w * k)
            acc = self.frames.setdefault(frame + k, [0.0, 0.0])
            acc[0] += v * left
            acc[1] += v * right

    def scatter(self, per_second, length, peak_db, frames, ring_hz, one_side):
        """Clicks at random over the whole record; one_side: the share that
        sits in one channel only."""
        t = self.rng.expovariate(per_second)
        while t * RATE < length:
            other = self.rng.uniform(0.3, 1.0)
            if self.rng.random() < one_side:
                other = 0.0
            left, right = (1.0, other) if self.rng.random() < 0.5 else (other, 1.0)
            self.add(round(t * RATE), self.rng.uniform(*peak_db), self.rng.randint(*frames),
                     self.rng.uniform(*ring_hz), left, right)
            t += self.rng.expovariate(per_second)

    def write(self, path, length):
        with wave.open(path, "wb") as out:
            out.setnchannels(CHANNELS)
            out.setsampwidth(2)
            out.setframerate(RATE)
            buf, pos = bytearray(), 0
            for frame in sorted(f for f in self.frames if f < length):
                buf += bytes((frame - pos) * FRAME_BYTES)
                left, right = (max(-32768, min(32767, round(v))) for v in self.frames[frame])
                buf += array.array("h", (left, right)).tobytes()
                pos = frame + 1
                if len(buf) > 1 << 23:
                    out.writeframesraw(bytes(buf))
                    buf.clear()
            buf += bytes((length - pos) * FRAME_BYTES)
            out.writeframesraw(bytes(buf))


def noise(length, generator, effects, level_db, full_scale_db):
    """A sox input that synthesises stereo noise at level_db RMS."""
    command = (f"sox -R -D -V1 -n -r {RATE} -c 2 -p synth {length}s {generator} {generator} "
               f"gain {level_db - full_scale_db:.2f} {effects}")
    return ["-v", "1", "-t", "sox", "|" + command]


def hum(length, hz, level_db):
    """A sox input with mains hum: the fundamental and harmonics 2, 3 and 5."""
    weights = [(1, 1.0), (2, 0.4), (3, 0.6), (5, 0.25)]
    scale = 10.0 ** (level_db / 20.0) * math.sqrt(2.0) / math.sqrt(sum(w * w for _, w in weights))
    sines = " ".join(f"sine {hz * h}" for h, _ in weights)
    mix = ",".join(f"{i + 1}v{w * scale:.6f}" for i, (_, w) in enumerate(weights))
    command = f"sox -R -D -V1 -r {RATE} -c 4 -n -c 2 -p synth {length}s {sines} remix {mix} {mix}"
    return ["-v", "1", "-t", "sox", "|" + command]


def mix(out, dry, inputs, effects=()):
    sox("-m", "-v", "1", dry, *inputs, "-b", "16", out + ".part.wav", *effects)
    os.replace(out + ".part.wav", out)


def make_cassette(base, tracks, hum_hz, rng):
    n = len(tracks)
    lead, gaps, run = layout(rng, "cassette", n)
    gains = [rng.uniform(-4.0, 0.0) for _ in range(n)]  # each track dubbed at its own level
    hiss = rng.uniform(*CASSETTE_HISS)
    dry = base + ".dry.wav"
    edges, length = write_joined(dry, tracks, lead, gaps, run, gains)
    mix(base + ".wav", dry,
        noise(length, "whitenoise", "", hiss, WHITE_LOWPASSED_RMS) + hum(length, hum_hz, CASSETTE_HUM),
        ["lowpass", "11000"])
    os.remove(dry)
    return edges, gains


def make_needle(base, tracks, rng):
    n = len(tracks)
    lead, gaps, run = layout(rng, "needle", n)
    dry = base + ".dry.wav"
    edges, length = write_joined(dry, tracks, lead, gaps, run, [-1.5] * n)
    clicks = Impulses(rng)
    clicks.scatter(6.0, length, (-58.0, -36.0), (2, 8), (4000.0, 10000.0), 0.5)  # crackle
    clicks.scatter(0.1, length, (-40.0, -8.0), (8, 60), (1500.0, 6000.0), 0.2)  # clicks
    for (_, end), (start, _) in zip(edges, edges[1:]):  # clicks in two gaps out of three
        if rng.random() < 0.7:
            for _ in range(rng.randint(1, 2)):
                frame = round(end + rng.uniform(0.1, 0.9) * (start - end))
                clicks.add(frame, rng.uniform(-26.0, -6.0), rng.randint(10, 40), rng.uniform(1500.0, 5000.0))
    drop = round(0.4 * lead * RATE)  # the needle lands: a thump and a click
    clicks.add(drop, -14.0, 1500, 25.0)
    clicks.add(drop, -12.0, 30, 3000.0)
    tick = edges[-1][1] + round(1.5 * RATE)  # the run-out groove, once a turn at 33 1/3
    while tick < length:
        clicks.add(tick, rng.uniform(-24.0, -20.0), 20, 2500.0, 1.0, 0.8)
        tick += round(1.8 * RATE)
    clicks.write(base + ".clicks.wav", length)
    mix(base + ".wav", dry,
        ["-v", "1", base + ".clicks.wav"]
        + noise(length, "pinknoise", "", NEEDLE_SURFACE, PINK_RMS)
        + noise(length, "brownnoise", "highpass 10 lowpass -2 40 lowpass -2 40", NEEDLE_RUMBLE, RUMBLE_RMS))
    os.remove(dry)
    os.remove(base + ".clicks.wav")
    return edges, [-1.5] * n


def gap_power(path, edges):
    """The mean power of a copy's gaps between songs (full scale 1)."""
    total = count = 0
    with wave.open(path) as w:
        for (_, end), (start, _) in zip(edges, edges[1:]):
            w.setpos(end)
            samples = array.array("h", w.readframes(start - end))
            total, count = total + sum(v * v for v in samples), count + len(samples)
    return total / count / 32768.0**2


def under_floor(track, gain_db, floor):
    """Seconds at a track's start and at its end where its music, at gain_db,
    stays under the floor: no 50 ms window has more power. Music there is in
    the truth but buried under the copy's noise."""
    samples = array.array("h", track)
    window = RATE // 20 * CHANNELS
    limit = floor * 32768.0**2 * window / 10.0 ** (gain_db / 10.0)
    starts = range(0, len(samples) - window + 1, window)

    def quiet_windows(order):
        for count, i in enumerate(order):
            if sum(v * v for v in samples[i:i + window]) > limit:
                return count
        return len(starts)

    head = quiet_windows(starts)
    tail = quiet_windows(range(len(samples) - window, -1, -window))
    return head / 20.0, tail / 20.0


def write_truth(base, edges, titles, tracks=None, gains=None):
    """The truth of a copy; with its tracks and their gains, also how much of
    each track's edges lies under the copy's noise floor."""
    floor, under = 0.0, [(0.0, 0.0)] * len(edges)
    if tracks:
        floor = gap_power(base + ".wav", edges)
        under = [under_floor(t, g, floor) for t, g in zip(tracks, gains)]
    with open(base + ".truth.txt", "w") as labels, open(base + ".truth.tsv", "w") as table:
        level = f"{10.0 * math.log10(floor):.1f} dBFS RMS" if floor else "digital silence"
        table.write(f"# noise floor (the gaps' RMS): {level}\n")
        table.write("track\tstart_frame\tend_frame\tstart\tend\tunder_floor_start\tunder_floor_end\tname\n")
        for i, ((start, end), title, (head, tail)) in enumerate(zip(edges, titles, under)):
            labels.write(f"{start / RATE:.6f}\t{end / RATE:.6f}\t{title}\n")
            table.write(f"{i + 1}\t{start}\t{end}\t{start / RATE:.6f}\t{end / RATE:.6f}\t{head:.2f}\t{tail:.2f}"
                        f"\t{title}\n")


def sleeve_line(style, side, position, title, seconds):
    duration = f"{seconds // 60}:{seconds % 60:02d}"
    if style == "dot":
        return f"{side}{position} {title} ({duration})" if side else f"{position}. {title} ({duration})"
    if style == "dash":
        return f"{side}{position} {title} - {duration}" if side else f"{position:02d} {title} - {duration}"
    return f"{side or 'A'}{position}\t{title}\t{duration}"


def write_track_lists(base, album, titles, seconds, side_b, rng):
    """The sleeve's track list: exact to the second, each duration off by up
    to 3 s, and with the other side of the record around it."""
    exact = [round(s) for s in seconds]
    off = [round(s + rng.uniform(-2.5, 2.5)) for s in seconds]
    for suffix, durations in (("", exact), ("-off", off)):
        with open(f"{base}.tracklist{suffix}.txt", "w") as out:
            for i, (title, d) in enumerate(zip(titles, durations)):
                out.write(sleeve_line(album.style, "", i + 1, title, d) + "\n")
    other = [(f"Other Side {i + 1}", rng.randint(150, 330)) for i in range(rng.randint(4, 7))]
    this_side, other_side = ("B", "A") if side_b else ("A", "B")
    lines = [(this_side, i + 1, t, d) for i, (t, d) in enumerate(zip(titles, exact))]
    extra = [(other_side, i + 1, t, d) for i, (t, d) in enumerate(other)]
    with open(f"{base}.tracklist-sides.txt", "w") as out:
        for side, position, title, d in (extra + lines if side_b else lines + extra):
            out.write(sleeve_line(album.style, side, position, title, d) + "\n")


def build_album(root, album, index):
    folder = os.path.join(root, "albums")
    titles = [title for _, title in album.tracks]
    sources = [source_wav(root, album, file) for file, _ in album.tracks]
    lengths = []
    for path in sources:
        with wave.open(path) as w:
            lengths.append(w.getnframes() / w.getframerate())
    print(f"{album.name}: cutting {len(sources)} tracks", flush=True)
    plans = plan_album(album, lengths, random.Random(album.name + "/plan"))
    tracks = [render_track(path, plan) for path, plan in zip(sources, plans)]
    seconds = [len(t) / FRAME_BYTES / RATE for t in tracks]
    with open(os.path.join(folder, album.name + ".plan.tsv"), "w") as out:
        out.write("track\tsource\tfrom\tlength\tfade_in\tfade_out\tend\tmusic\n")
        for i, ((file, _), p, s) in enumerate(zip(album.tracks, plans, seconds)):
            length = "whole" if p[1] is None else f"{p[1]:.2f}"
            out.write(f"{i + 1}\t{file}\t{p[0]:.2f}\t{length}\t{p[2]:.2f}\t{p[3]:.2f}\t{p[5]}\t{s:.2f}\n")

    base = os.path.join(folder, album.name)
    print(f"{album.name}: the clean, cassette and needle-drop copies", flush=True)
    lead, gaps, run = layout(random.Random(album.name + "/clean"), "clean", len(tracks))
    edges, _ = write_joined(base + "-clean.wav.part", tracks, lead, gaps, run)
    os.replace(base + "-clean.wav.part", base + "-clean.wav")
    write_truth(base + "-clean", edges, titles)
    edges, gains = make_cassette(base + "-cassette", tracks, album.hum_hz, random.Random(album.name + "/cassette"))
    write_truth(base + "-cassette", edges, titles, tracks, gains)
    edges, gains = make_needle(base + "-needle", tracks, random.Random(album.name + "/needle"))
    write_truth(base + "-needle", edges, titles, tracks, gains)
    write_track_lists(base, album, titles, seconds, index % 2 == 1, random.Random(album.name + "/sleeve"))
    minutes = sum(seconds) / 60.0
    print(f"{album.name}: {len(tracks)} tracks, {minutes:.1f} minutes of music", flush=True)


def main(argv):
    if argv[1:] == ["--sources"]:
        for album in ALBUMS:
            for file, _ in album.tracks:
                print(f"{album.package}\t{album.folder}/{file}")
        return 0
    if len(argv) != 2 or argv[1].startswith("-"):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    root = argv[1]
    os.makedirs(os.path.join(root, "albums"), exist_ok=True)
    stamp = os.path.join(root, "albums", "complete")
    if os.path.exists(stamp):
        os.remove(stamp)
    missing = [source_wav(root, album, file) for album in ALBUMS for file, _ in album.tracks
               if not os.path.exists(source_wav(root, album, file))]
    if missing:
        print(f"{missing[0]} is missing: bench/fetch-corpus.sh {root} fetches and decodes the tracks",
              file=sys.stderr)
        return 1
    for index, album in enumerate(ALBUMS):
        build_album(root, album, index)
    with open(stamp, "w") as out:
        out.write("every album and copy is built\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
