#!/usr/bin/env python3
"""Scores a track detection against the truth of a corpus album.

    bench/score-detection.py [--brief] [--tolerance S] TRUTH DETECTED [TRUTH DETECTED ...]
    bench/score-detection.py --silencedetect LOG       (prints the log as labels)
    bench/score-detection.py --gap-rms TRUTH FILE.wav  (the RMS of the gaps, dBFS)

TRUTH is a copy's ALBUM-COPY.truth.txt (bench/build-corpus.py), DETECTED the
label file of a detection (start<TAB>end<TAB>name in seconds, as sundra-cli
split --labels writes it) or the standard error of ffmpeg's silencedetect
(the pieces are then what lies between its silences).

Every boundary between two songs is found when a cut lies in the gap between
the first song's music end and the second's music start, or within the
tolerance (0.5 s) of it; a cut is the stretch between one detected track's end
and the next one's start. Each cut serves one boundary at most; each cut that
serves none is one extra: a cut in music (it splits a song) or a track without
music (less than a second of it: the lead-in's noise, a sliver between two cuts
in one gap, the run-out). For each song's edges: the music left
out (the detected start after the music's start, the detected end before the
music's end; a song no track touches is left out whole), the music left out
inside it (between two of its tracks), and the gap included (the detected
start before the music's start, the end after the music's end, each at most
the gap). Where the truth's .tsv says how much of a song's edge lies under
the copy's noise floor (music no detection can hear there), the music left out
above the floor is shown too. Without --brief, a table per file; with it, one
line per file; then a total line.
"""

import array
import math
import re
import sys
import wave

EMPTY_TRACK = 1.0  # seconds of music under which a detected track is extra


def read_labels(path):
    """(start, end, name) rows of a label file, or the pieces between the
    silences of a silencedetect log, sorted by start."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if "silence_start" in text or re.search(r"^Input #0", text, re.M):  # an ffmpeg log
        return silencedetect_pieces(text, path)
    rows = []
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("\\"):  # blank, or a label's frequency line
            continue
        fields = line.split("\t")
        try:
            start, end = float(fields[0]), float(fields[1])
        except (IndexError, ValueError):
            sys.exit(f"{path}:{number}: not a label line: {line!r}")
        rows.append((start, end, fields[2] if len(fields) > 2 else ""))
    return sorted(rows)


def silencedetect_pieces(text, path):
    duration = re.search(r"Duration: (\d+):(\d+):([\d.]+)", text)
    if not duration:
        sys.exit(f"{path}: the log has no Duration line (run ffmpeg without -v quiet)")
    length = int(duration[1]) * 3600 + int(duration[2]) * 60 + float(duration[3])
    pieces, start = [], 0.0
    for kind, value in re.findall(r"silence_(start|end): (-?[\d.]+)", text):
        value = min(max(float(value), 0.0), length)
        if kind == "start":
            if value > start:
                pieces.append((start, value, f"piece {len(pieces) + 1}"))
            start = None
        else:
            start = value
    if start is not None and start < length:
        pieces.append((start, length, f"piece {len(pieces) + 1}"))
    return pieces


def read_under_floor(truth_path, count):
    """From the truth's .tsv beside it, the seconds at each song's start and
    end that lie under the copy's noise floor; zeros without one."""
    table = re.sub(r"\.txt$", ".tsv", truth_path)
    if table == truth_path:
        return [(0.0, 0.0)] * count
    try:
        with open(table, encoding="utf-8") as f:
            lines = [line.rstrip("\n").split("\t") for line in f if not line.startswith("#")]
    except FileNotFoundError:
        return [(0.0, 0.0)] * count
    if "under_floor_end" not in lines[0]:
        return [(0.0, 0.0)] * count
    head, tail = lines[0].index("under_floor_start"), lines[0].index("under_floor_end")
    return [(float(row[head]), float(row[tail])) for row in lines[1:]]


def overlap(a0, a1, b0, b1):
    return max(0.0, min(a1, b1) - max(a0, b0))


def score(truth, detected, tolerance, under):
    """Per-song rows and the file's totals; under: each song's seconds under
    the noise floor at its start and end."""
    n = len(truth)
    cuts = [(min(a[1], b[0]), max(a[1], b[0])) for a, b in zip(detected, detected[1:])]
    gaps = [(truth[i][1], truth[i + 1][0]) for i in range(n - 1)]
    # Pair cuts and boundaries, the closest pairs first.
    pairs = sorted((abs((c0 + c1) - (g0 + g1)) / 2.0, i, j)
                   for i, (g0, g1) in enumerate(gaps) for j, (c0, c1) in enumerate(cuts)
                   if overlap(c0, c1, g0 - tolerance, g1 + tolerance) > 0.0
                   or g0 - tolerance <= c0 <= g1 + tolerance)
    found, used = {}, set()
    for _, i, j in pairs:
        if i not in found and j not in used:
            found[i] = j
            used.add(j)
    # Every cut that serves no boundary makes one track too many: it splits a
    # song, or sets off a track without music.
    music = lambda d: sum(overlap(d[0], d[1], s, e) for s, e, _ in truth)
    extra, shown = [], set()
    for j, cut in enumerate(cuts):
        if j in used:
            continue
        empty = [k for k in (j + 1, j) if music(detected[k]) < EMPTY_TRACK and k not in shown]
        if empty:
            shown.add(empty[0])
            extra.append(("track without music", detected[empty[0]][:2]))
        else:
            extra.append(("cut in music", cut))

    rows = []
    for k, (s, e, name) in enumerate(truth):
        before = truth[k - 1][1] if k else 0.0
        after = truth[k + 1][0] if k + 1 < n else math.inf
        touching = [d for d in detected if d[0] < e and d[1] > s]
        if not touching:
            rows.append(dict(name=name, s=s, e=e, a=None, b=None, left=(e - s, 0.0), under=under[k],
                             audible=(e - s, 0.0), inside=0.0, gap=(0.0, 0.0),
                             boundary=k in found if k + 1 < n else None))
            continue
        a, b = min(d[0] for d in touching), max(d[1] for d in touching)
        left = (max(0.0, a - s), max(0.0, e - b))
        covered = sum(overlap(d[0], d[1], s, e) for d in touching)
        rows.append(dict(name=name, s=s, e=e, a=a, b=b, left=left, under=under[k],
                         audible=(max(0.0, left[0] - under[k][0]), max(0.0, left[1] - under[k][1])),
                         inside=max(0.0, (e - s) - covered - left[0] - left[1]),
                         gap=(max(0.0, s - max(a, before)), max(0.0, min(b, after) - e)),
                         boundary=k in found if k + 1 < n else None))
    return rows, dict(found=len(found), boundaries=n - 1, extra=extra)


def clock(seconds):
    if seconds is None:
        return "-"
    return f"{int(seconds // 60)}:{seconds % 60:05.2f}"


def summary(found, boundaries, extra, rows):
    left = [x for row in rows for x in row["left"]]
    audible = max(x for row in rows for x in row["audible"])
    return dict(found=found, boundaries=boundaries, extra=extra, left_max=max(left), audible_max=audible,
                left_mean=sum(left) / len(left), inside=sum(row["inside"] for row in rows),
                gap_max=max(x for row in rows for x in row["gap"]))


def sentence(label, t):
    return (f"{label}: boundaries {t['found']}/{t['boundaries']} found, {t['extra']} extra, "
            f"music left out at the edges max {t['left_max']:.2f} s mean {t['left_mean']:.2f} s "
            f"(above the noise floor max {t['audible_max']:.2f} s), "
            f"inside songs {t['inside']:.1f} s, gap included max {t['gap_max']:.2f} s")


BRIEF_HEADER = (f"{'detection':<38} {'found':>7} {'extra':>5}  {'left out max':>12} {'mean':>5} "
                f"{'above floor':>11}  {'inside':>6}  {'gap in max':>10}")


def row_line(label, t):
    return (f"{label:<38} {t['found']:>3}/{t['boundaries']:<3} {t['extra']:>5}  {t['left_max']:>10.2f} s "
            f"{t['left_mean']:>5.2f} {t['audible_max']:>9.2f} s  {t['inside']:>6.1f}  {t['gap_max']:>8.2f} s")


def print_table(name, rows, totals):
    print(f"{name}")
    print(f"  {'#':>2}  {'title':<24} {'music':>19}  {'detected':>19}  {'left out':>11}  "
          f"{'under floor':>11}  {'gap in':>11}  {'inside':>6}  next boundary")
    for k, r in enumerate(rows, 1):
        boundary = {None: "", True: "found", False: "MISSED"}[r["boundary"]]
        print(f"  {k:>2}  {r['name'][:24]:<24} {clock(r['s']):>9}-{clock(r['e']):<9}  "
              f"{clock(r['a']):>9}-{clock(r['b']):<9}  {r['left'][0]:5.2f} {r['left'][1]:5.2f}  "
              f"{r['under'][0]:5.2f} {r['under'][1]:5.2f}  "
              f"{r['gap'][0]:5.2f} {r['gap'][1]:5.2f}  {r['inside']:6.2f}  {boundary}")
    for what, (a, b) in totals["extra"]:
        print(f"  extra: {what} {clock(a)}" + (f"-{clock(b)}" if b > a else ""))


def gap_rms(truth_path, wav_path):
    """Prints the RMS of all the gaps between songs together, and the quietest,
    median and loudest gap, in dBFS."""
    truth = read_labels(truth_path)
    with wave.open(wav_path) as w:
        if w.getsampwidth() != 2:
            sys.exit(f"{wav_path}: only 16-bit files are measured")
        rate, total, count, each = w.getframerate(), 0.0, 0, []
        for (_, end, _), (start, _, _) in zip(truth, truth[1:]):
            w.setpos(round(end * rate))
            samples = array.array("h", w.readframes(round(start * rate) - round(end * rate)))
            power = sum(v * v for v in samples)
            total, count = total + power, count + len(samples)
            each.append(power / max(1, len(samples)))
    if total == 0:
        print("gaps: digital silence")
        return
    db = lambda p: f"{10.0 * math.log10(p / 32768.0**2):.1f}" if p > 0 else "-inf"
    each.sort()
    print(f"gaps {db(total / count)} dBFS RMS (each {db(each[0])} .. "
          f"median {db(each[len(each) // 2])} .. {db(each[-1])})")


def main(argv):
    args, brief, tolerance = argv[1:], False, 0.5
    if len(args) == 2 and args[0] == "--silencedetect":
        for start, end, name in read_labels(args[1]):
            print(f"{start:.6f}\t{end:.6f}\t{name}")
        return 0
    if len(args) == 3 and args[0] == "--gap-rms":
        gap_rms(args[1], args[2])
        return 0
    while args and args[0].startswith("--"):
        if args[0] == "--brief":
            brief, args = True, args[1:]
        elif args[0] == "--tolerance" and len(args) > 1:
            tolerance, args = float(args[1]), args[2:]
        else:
            break
    if not args or len(args) % 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2

    found = boundaries = extra = 0
    every_row = []
    if brief:
        print(BRIEF_HEADER)
    for truth_path, detected_path in zip(args[::2], args[1::2]):
        truth, detected = read_labels(truth_path), read_labels(detected_path)
        rows, totals = score(truth, detected, tolerance, read_under_floor(truth_path, len(truth)))
        name = re.sub(r"\.txt$", "", detected_path.rsplit("/", 1)[-1])
        n_extra = len(totals["extra"])
        file_summary = summary(totals["found"], totals["boundaries"], n_extra, rows)
        if brief:
            print(row_line(name, file_summary))
        else:
            print_table(name, rows, totals)
            print(sentence("  summary", file_summary))
        found, boundaries, extra = found + totals["found"], boundaries + totals["boundaries"], extra + n_extra
        every_row += rows
    if len(args) > 2:
        t = summary(found, boundaries, extra, every_row)
        print(row_line("total", t) if brief else sentence("total", t))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
