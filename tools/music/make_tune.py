#!/usr/bin/env python3
"""Writes assets/shurencho.mid, the practice pages' background tune.

    python3 tools/music/make_tune.py            # write assets/shurencho.mid
    python3 tools/music/make_tune.py OUT.mid    # write elsewhere

A calm 32-bar loop in C major at 120 beats a minute (64 seconds): vibraphone
melody, electric-piano arpeggios, soft strings, a round bass and light
drums from bar 9 on. Every note ends inside the last bar and the end of the
track falls exactly on the bar line, so the piece loops without a seam.
The output is a standard MIDI file (format 1, 480 ticks a beat), the same
bytes on every run; only the standard library is used.
"""

import struct
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
DEFAULT_OUT = HERE.parent.parent / "assets" / "shurencho.mid"

TPQ = 480            # ticks a beat
BAR = 4 * TPQ        # 4/4
TEMPO_BPM = 120
BARS = 32

NOTE_INDEX = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def pitch(name):
    """'C4' is middle C (60); '#' and 'b' after the letter raise or lower."""
    letter, rest = name[0], name[1:]
    shift = 0
    while rest and rest[0] in "#b":
        shift += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + NOTE_INDEX[letter] + shift


# The melody, one string per bar: notes as NAME:BEATS, "r" for a rest.
MELODY_A = [
    "E4:1 G4:1 C5:1 B4:.5 C5:.5",     # C
    "A4:2 G4:1 E4:1",                 # Am
    "F4:1 A4:1 C5:1 D5:1",            # F
    "B4:2 G4:2",                      # G
    "E4:1 G4:1 C5:1 E5:1",            # C
    "D5:1 C5:1 A4:2",                 # Am
    "F4:1 A4:1 G4:1 B4:1",            # Dm7 G7
    "C5:3 r:1",                       # C
]
MELODY_A2 = [
    "G4:.5 A4:.5 G4:.5 E4:.5 C5:1 G4:1",  # C
    "A4:1 C5:1 E5:2",                     # Am
    "F5:1 E5:1 D5:1 C5:1",                # F
    "D5:2 B4:2",                          # G
    "C5:1 E5:1 G5:1 E5:1",                # C
    "A5:.5 G5:.5 E5:1 C5:2",              # Am
    "D5:1 F5:1 B4:1 D5:1",                # Dm7 G7
    "C5:4",                               # C
]
MELODY_B = [
    "A4:1 C5:1 F5:2",                 # F
    "G5:1 F5:.5 E5:.5 D5:2",          # G
    "E5:1 B4:1 G4:1 B4:1",            # Em
    "C5:3 A4:1",                      # Am
    "D5:1 F5:1 A5:1 F5:1",            # Dm
    "G5:2 D5:2",                      # G
    "C5:1 A4:1 B4:1 D5:1",            # F G
    "F5:2 D5:2",                      # G7
]
# The reprise ends on a pickup that steps up into the first bar again.
MELODY_A3 = MELODY_A[:7] + ["C5:2 G4:1 D4:1"]
MELODY = MELODY_A + MELODY_A2 + MELODY_B + MELODY_A3

# One or two chords a bar (two share the bar evenly).
CHORDS_A = ["C", "Am", "F", "G", "C", "Am", "Dm7 G7", "C"]
CHORDS_B = ["F", "G", "Em", "Am", "Dm", "G", "F G", "G7"]
CHORDS = CHORDS_A + CHORDS_A + CHORDS_B + CHORDS_A

CHORD_TONES = {
    "C": ["C3", "E3", "G3", "C4"],
    "Am": ["A2", "E3", "A3", "C4"],
    "F": ["F2", "C3", "F3", "A3"],
    "G": ["G2", "D3", "G3", "B3"],
    "G7": ["G2", "D3", "F3", "B3"],
    "Em": ["E2", "B2", "E3", "G3"],
    "Dm": ["D3", "A3", "D4", "F4"],
    "Dm7": ["D3", "A3", "C4", "F4"],
}

# General MIDI programs and the channel of each part (drums on channel 10).
PARTS = {
    "melody": {"channel": 0, "program": 11, "volume": 100, "pan": 72, "reverb": 60},   # vibraphone
    "keys": {"channel": 1, "program": 4, "volume": 70, "pan": 48, "reverb": 50},       # electric piano
    "pad": {"channel": 2, "program": 48, "volume": 52, "pan": 80, "reverb": 70},       # strings
    "bass": {"channel": 3, "program": 32, "volume": 90, "pan": 64, "reverb": 20},      # acoustic bass
    "drums": {"channel": 9, "program": None, "volume": 64, "pan": 64, "reverb": 30},
}

KICK, SIDE_STICK, CLOSED_HAT, OPEN_HAT = 36, 37, 42, 46


class Part:
    """Notes of one track as (start tick, length in ticks, key, velocity)."""

    def __init__(self, name):
        self.name = name
        self.notes = []

    def add(self, start, length, key, velocity):
        self.notes.append((int(start), int(length), key, velocity))


def bar_chords(bar):
    names = CHORDS[bar].split()
    span = BAR // len(names)
    return [(bar * BAR + i * span, span, n) for i, n in enumerate(names)]


def melody_part():
    part = Part("melody")
    for bar, line in enumerate(MELODY):
        tick = bar * BAR
        for token in line.split():
            name, beats = token.split(":")
            length = round(float(beats) * TPQ)
            if name != "r":
                # A stronger first beat, and a slightly detached touch.
                velocity = 92 if (tick % BAR) == 0 else 80
                part.add(tick, length - TPQ // 16, pitch(name), velocity)
            tick += length
        assert tick == (bar + 1) * BAR, f"melody bar {bar + 1} is {tick - bar * BAR} ticks long"
    return part


def keys_part():
    # Eighth-note arpeggios: low, third, top, third, and so on.
    part = Part("keys")
    order = [0, 2, 3, 1, 2, 3, 1, 2]
    for bar in range(BARS):
        for start, span, name in bar_chords(bar):
            tones = [pitch(n) + 12 for n in CHORD_TONES[name]]
            steps = span // (TPQ // 2)
            for i in range(steps):
                key = tones[order[(i + (start % BAR) // (TPQ // 2)) % len(order)]]
                velocity = 60 if i % 2 == 0 else 50
                part.add(start + i * (TPQ // 2), TPQ // 2 - 10, key, velocity)
    return part


def pad_part():
    part = Part("pad")
    for bar in range(BARS):
        for start, span, name in bar_chords(bar):
            for n in CHORD_TONES[name][1:]:
                part.add(start, span - 20, pitch(n) + 12, 46)
    return part


def bass_root(name):
    root = pitch(CHORD_TONES[name][0])
    return root - 12 if root >= pitch("C3") else root


def bass_part():
    # Root on the first beat, fifth on the third; at each eighth bar's end
    # a step up into the next bar's root.
    part = Part("bass")
    for bar in range(BARS):
        chords = bar_chords(bar)
        for start, span, name in chords:
            root = bass_root(name)
            if len(chords) == 1:
                fifth = root + 7
                part.add(start, 2 * TPQ - 30, root, 88)
                if bar % 8 == 7:
                    part.add(start + 2 * TPQ, TPQ - 30, fifth, 78)
                    part.add(start + 3 * TPQ, TPQ - 30, bass_root(CHORDS[(bar + 1) % BARS].split()[0]) - 1, 74)
                else:
                    part.add(start + 2 * TPQ, 2 * TPQ - 30, fifth, 80)
            else:
                part.add(start, span - 30, root, 86)
    return part


def drums_part():
    # Quiet for the first eight bars; then kick, side stick and hats.
    part = Part("drums")
    for bar in range(8, BARS):
        base = bar * BAR
        for beat in range(4):
            t = base + beat * TPQ
            if beat in (0, 2):
                part.add(t, TPQ // 4, KICK, 70)
            else:
                part.add(t, TPQ // 4, SIDE_STICK, 50)
            part.add(t, TPQ // 4, CLOSED_HAT, 42)
            last_eighth = bar % 8 == 7 and beat == 3
            part.add(t + TPQ // 2, TPQ // 4, OPEN_HAT if last_eighth else CLOSED_HAT, 34)
    return part


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track_chunk(events, end_tick):
    """events: (tick, order, bytes); order sorts events of the same tick."""
    events = sorted(events, key=lambda e: (e[0], e[1]))
    body = bytearray()
    now = 0
    for tick, _, data in events:
        assert tick <= end_tick, "an event after the end of the loop"
        body += var_len(tick - now) + data
        now = tick
    body += var_len(end_tick - now) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def conductor_track(end_tick):
    micros = 60_000_000 // TEMPO_BPM
    name = b"Shurencho practice loop"
    events = [
        (0, 0, b"\xFF\x03" + var_len(len(name)) + name),
        (0, 1, b"\xFF\x58\x04\x04\x02\x18\x08"),               # 4/4
        (0, 2, b"\xFF\x59\x02\x00\x00"),                       # C major
        (0, 3, b"\xFF\x51\x03" + micros.to_bytes(3, "big")),   # tempo
    ]
    return track_chunk(events, end_tick)


def part_track(part, end_tick):
    setup = PARTS[part.name]
    ch = setup["channel"]
    name = part.name.encode()
    events = [(0, 0, b"\xFF\x03" + var_len(len(name)) + name)]
    if setup["program"] is not None:
        events.append((0, 1, bytes([0xC0 | ch, setup["program"]])))
    events += [
        (0, 2, bytes([0xB0 | ch, 7, setup["volume"]])),
        (0, 3, bytes([0xB0 | ch, 10, setup["pan"]])),
        (0, 4, bytes([0xB0 | ch, 91, setup["reverb"]])),
    ]
    for start, length, key, velocity in part.notes:
        assert 0 < length and start + length <= end_tick, f"{part.name} note runs past the loop"
        assert 0 <= key < 128 and 0 < velocity < 128
        # At one tick, note-offs go before note-ons so repeated keys sound.
        events.append((start, 10, bytes([0x90 | ch, key, velocity])))
        events.append((start + length, 5, bytes([0x80 | ch, key, 0])))
    return track_chunk(events, end_tick)


def build():
    end_tick = BARS * BAR
    assert len(MELODY) == BARS and len(CHORDS) == BARS
    parts = [melody_part(), keys_part(), pad_part(), bass_part(), drums_part()]
    tracks = [conductor_track(end_tick)] + [part_track(p, end_tick) for p in parts]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TPQ)
    return header + b"".join(tracks)


def main(argv):
    out = Path(argv[1]) if len(argv) > 1 else DEFAULT_OUT
    data = build()
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(data)
    seconds = BARS * 4 * 60 / TEMPO_BPM
    print(f"wrote {out} ({len(data)} bytes, {BARS} bars, {seconds:.0f} s)")


if __name__ == "__main__":
    main(sys.argv)
