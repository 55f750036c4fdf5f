"""The game's five music tracks, composed and rendered at build time: "theme0.ogg" for the menus
and "level1.ogg" to "level4.ogg" for play.

Each track is a small arrangement (key, mode, tempo, metre, swing, chord progression, form) from
which a seeded generator writes the melody, and fixed patterns give the harmony (harp arpeggios or
lute strums, a soft pad), the bass and the hand percussion. Voices are additive (plucked strings,
bells, wood, a breathy whistle) and rendered per note with numpy, cached by pitch and length.

The game plays a track with repeat on, so each file is an exact loop: a whole number of bars, each
bar a whole number of samples. Everything that rings past the last bar (note releases, the reverb)
is folded back onto the start, so playing the file again and again is the same as one endless
performance: no click and no gap at the seam. The tracks are normalised to the same loudness.
Track descriptions and measurements are in data/MUSIC.md ("Music")."""

import functools
import math
import os
from dataclasses import dataclass, field, replace

import numpy as np

RATE = 44100
TARGET_RMS_DB = -18.0
# Vorbis lets peaks overshoot a little; the limiter stops below -1 dBFS with room to spare.
CEILING_DB = -1.6
KNEE_DB = -4.5
REVERB_SECONDS = 2.6

MODES = {
    "dorian": (0, 2, 3, 5, 7, 9, 10),
    "aeolian": (0, 2, 3, 5, 7, 8, 10),
    "lydian": (0, 2, 4, 6, 7, 9, 11),
    "mixolydian": (0, 2, 4, 5, 7, 9, 10),
}
NOTE_NAMES = ("C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B")


@dataclass(frozen=True)
class Track:
    """One piece. Patterns are strings with one character per step of a bar (a step is a
    subdivision of the beat): in the melody rhythms 'x' starts a note, '-' holds it, '.' rests; in
    the arpeggio a digit is a chord-tone index (3 and up climb into the next octave); in the bass
    'R' root, '5' fifth, '8' octave, 'a' a step leading to the next bar's root; in the drums a digit
    1-9 is a hit's strength."""

    name: str
    root: int  # MIDI note of the tonic
    mode: str
    bpm: float
    beats: int  # beats per bar
    subdivision: int  # steps per beat
    swing: float  # where the second half of a beat starts (0.5 = straight); two-step beats only
    form: str  # one 8-bar section per letter: A, B, and their variations a, b
    progression_a: tuple
    progression_b: tuple
    rhythms: tuple
    lead: str
    lead_octave: int
    harmony: str  # "arp" or "strum"
    harmony_voice: str
    arp: str
    arp_b: str
    pad: float  # pad level (0 = none)
    bass: str
    bass_voice: str
    drums: dict = field(default_factory=dict)
    drum_fill: dict = field(default_factory=dict)
    reverb: float = 0.3
    seed: int = 1

    @property
    def steps(self):
        return self.beats * self.subdivision

    @property
    def samples_per_beat(self):
        return int(round(RATE * 60.0 / self.bpm))

    @property
    def samples_per_bar(self):
        return self.samples_per_beat * self.beats

    @property
    def bars(self):
        return 8 * len(self.form)

    @property
    def length(self):
        return self.bars * self.samples_per_bar


TRACKS = [
    Track(
        name="theme0", root=62, mode="dorian", bpm=72, beats=4, subdivision=2, swing=0.58,
        form="ABa",
        progression_a=(0, 3, 0, 6, 2, 3, 4, 0), progression_b=(2, 6, 3, 0, 2, 6, 3, 4),
        rhythms=("x--.x-x-", "x---x---", "x-x-x---", "x-----x-", "x--x--x-"),
        lead="whistle", lead_octave=1,
        harmony="arp", harmony_voice="harp", arp="01232101", arp_b="02130213",
        pad=0.55, bass="R---5---", bass_voice="warm",
        drums={"frame": "5.......2...3...", "shaker": "..2...2...2...2."},
        drum_fill={"frame": "5.......3.2.4.3."},
        reverb=0.42, seed=11,
    ),
    Track(
        name="level1", root=57, mode="aeolian", bpm=92, beats=4, subdivision=2, swing=0.6,
        form="AaBa",
        progression_a=(0, 5, 2, 6, 0, 5, 3, 4), progression_b=(5, 6, 0, 0, 3, 5, 6, 4),
        rhythms=("x-xx-x-.", "x-x-xx-.", "x--x--x-", "xx-x-x--", "x-x-x-x-"),
        lead="lute", lead_octave=1,
        harmony="arp", harmony_voice="harp", arp="0.1.2.1.", arp_b="0.2.1.3.",
        pad=0.4, bass="R--5R-a-", bass_voice="warm",
        drums={"frame": "6..3..5.", "tek": "..3...3.", "shaker": "2323232323232323"},
        drum_fill={"frame": "6..3..5.", "tek": "..3.3433"},
        reverb=0.28, seed=21,
    ),
    Track(
        name="level2", root=65, mode="lydian", bpm=56, beats=2, subdivision=3, swing=0.5,
        form="ABab",
        progression_a=(0, 1, 0, 1, 5, 4, 1, 0), progression_b=(2, 5, 1, 4, 0, 1, 2, 4),
        rhythms=("x-xx-x", "x--x--", "x-xx--", "x-----", "xxxx-x"),
        lead="bell", lead_octave=1,
        harmony="arp", harmony_voice="dulcimer", arp="012312", arp_b="021302",
        pad=0.35, bass="R--5--", bass_voice="pizz",
        drums={"frame": "5.....3.....", "tamb": "..2.2...2.2.", "tek": "...3.....3.."},
        drum_fill={"frame": "5.....3..3.3", "tamb": "..2.2.3.3.3."},
        reverb=0.34, seed=31,
    ),
    Track(
        name="level3", root=64, mode="dorian", bpm=100, beats=3, subdivision=2, swing=0.5,
        form="AaBbA",
        progression_a=(0, 3, 0, 3, 6, 2, 4, 0), progression_b=(2, 6, 3, 0, 2, 6, 4, 4),
        rhythms=("x-x-x-", "x---x-", "x-xxx-", "x-----", "xx-x-x"),
        lead="marimba", lead_octave=1,
        harmony="strum", harmony_voice="lute", arp="0...0.", arp_b="0.0.0.",
        pad=0.6, bass="R-5-8-", bass_voice="warm",
        drums={"frame": "5...3.", "tek": "..2..2", "shaker": ".2.2.2"},
        drum_fill={"frame": "5.3.33", "tek": "..2222"},
        reverb=0.36, seed=41,
    ),
    Track(
        name="level4", root=55, mode="mixolydian", bpm=116, beats=4, subdivision=2, swing=0.63,
        form="AaBa",
        progression_a=(0, 6, 3, 0, 0, 6, 4, 0), progression_b=(3, 0, 6, 0, 3, 5, 4, 4),
        rhythms=("x-xxx-x-", "xx-xx-x-", "x-x-xxx-", "x-xx-xx-", "x---x-x-"),
        lead="dulcimer", lead_octave=1,
        harmony="strum", harmony_voice="harp", arp="0.0..0.0", arp_b="0..0.0.0",
        pad=0.3, bass="R.5.8.5a", bass_voice="pizz",
        drums={"frame": "6..4..4.6..4.3..", "tek": "..3...3...3...33",
               "shaker": "3232323232323232", "tamb": "....3.......3..."},
        drum_fill={"frame": "6..4..4.6.4.4444", "tek": "..3...3.3.3.3.3."},
        reverb=0.26, seed=51,
    ),
]


def frequency(midi):
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


def fade_edges(x, attack, release):
    """A short linear ramp in and out, so no note starts or ends on a step."""
    a = min(attack, len(x) // 2)
    r = min(release, len(x) - a)
    if a > 0:
        x[:a] *= np.linspace(0.0, 1.0, a, endpoint=False)
    if r > 0:
        x[len(x) - r:] *= np.linspace(1.0, 0.0, r)
    return x


def partials(freqs, amps, decays, length):
    """Sum of decaying sines: one row per partial, one column per sample."""
    t = np.arange(length) / RATE
    freqs = np.asarray(freqs, dtype=np.float64)
    keep = freqs < 0.45 * RATE
    freqs, amps, decays = freqs[keep], np.asarray(amps)[keep], np.asarray(decays)[keep]
    phase = 2.0 * np.pi * freqs[:, None] * t[None, :]
    env = np.exp(-t[None, :] / decays[:, None])
    return (amps[:, None] * env * np.sin(phase)).sum(axis=0)


# Plucked strings: harmonic k of a string plucked at `position` has strength sin(pi k p) / k, and
# higher harmonics die sooner. Slight stiffness sharpens the upper partials.
STRINGS = {
    "harp": dict(position=0.27, decay=1.7, damping=0.22, count=14, stiffness=2e-5, ring=2.6),
    "lute": dict(position=0.13, decay=0.85, damping=0.4, count=18, stiffness=6e-5, ring=1.5),
    "dulcimer": dict(position=0.11, decay=1.3, damping=0.16, count=16, stiffness=1e-4, ring=2.2),
    "pizz": dict(position=0.3, decay=0.55, damping=0.5, count=8, stiffness=0.0, ring=1.1),
    "warm": dict(position=0.42, decay=1.4, damping=0.7, count=6, stiffness=0.0, ring=2.0),
}


@functools.lru_cache(maxsize=None)
def string_note(voice, midi, hold):
    """A plucked note; `hold` (samples) is how long it sounds before it is damped."""
    p = STRINGS[voice]
    f = frequency(midi)
    k = np.arange(1, p["count"] + 1, dtype=np.float64)
    amps = np.abs(np.sin(np.pi * k * p["position"])) / k ** 1.1
    amps /= amps.sum()
    decays = p["decay"] / (1.0 + p["damping"] * (k - 1) ** 1.3) * (220.0 / max(f, 55.0)) ** 0.25
    freqs = f * k * np.sqrt(1.0 + p["stiffness"] * k * k)
    length = int(min(p["ring"] * RATE, hold + 0.25 * RATE))
    tone = partials(freqs, amps, decays, length)
    if voice == "dulcimer":
        # Courses of two strings a little apart shimmer.
        tone = 0.5 * (tone + partials(freqs * 1.0016, amps, decays, length))
    return fade_edges(tone, 40, int(0.2 * RATE) if length > hold else 200)


@functools.lru_cache(maxsize=None)
def bell_note(midi, hold):
    f = frequency(midi)
    ratios = np.array([1.0, 2.0, 3.01, 4.17, 5.43, 6.8])
    amps = np.array([1.0, 0.45, 0.25, 0.18, 0.08, 0.05])
    decays = np.array([1.6, 0.9, 0.6, 0.35, 0.25, 0.18])
    length = int(min(2.4 * RATE, hold + 0.8 * RATE))
    return fade_edges(partials(f * ratios, amps / amps.sum(), decays, length), 60, int(0.3 * RATE))


@functools.lru_cache(maxsize=None)
def marimba_note(midi, hold):
    f = frequency(midi)
    ratios = np.array([1.0, 3.93, 9.2, 2.0])
    amps = np.array([1.0, 0.35, 0.08, 0.12])
    decays = np.array([0.7, 0.18, 0.06, 0.3])
    length = int(min(1.4 * RATE, hold + 0.6 * RATE))
    return fade_edges(partials(f * ratios, amps / amps.sum(), decays, length), 50, int(0.2 * RATE))


@functools.lru_cache(maxsize=None)
def whistle_note(midi, hold):
    """A soft breathy wooden whistle: few harmonics, a gentle vibrato that grows in."""
    f = frequency(midi)
    release = int(0.18 * RATE)
    length = hold + release
    t = np.arange(length) / RATE
    depth = 0.004 * np.clip((t - 0.25) / 0.4, 0.0, 1.0)
    inst = f * (1.0 + depth * np.sin(2.0 * np.pi * 5.1 * t))
    phase = 2.0 * np.pi * np.cumsum(inst) / RATE
    tone = np.sin(phase) + 0.18 * np.sin(2 * phase) + 0.06 * np.sin(3 * phase)
    rng = np.random.default_rng(midi * 7919 + hold)
    breath = np.convolve(rng.standard_normal(length), np.ones(6) / 6.0, mode="same") * 0.03
    env = np.minimum(1.0, t / 0.07) * np.exp(-t / 6.0)
    env[hold:] *= np.linspace(1.0, 0.0, release)
    return (tone + breath) * env * 0.8


def lead_note(voice, midi, hold):
    if voice == "whistle":
        return whistle_note(midi, hold)
    if voice == "bell":
        return bell_note(midi, hold)
    if voice == "marimba":
        return marimba_note(midi, hold)
    return string_note(voice, midi, hold)


@functools.lru_cache(maxsize=None)
def pad_chord(chord, hold):
    """A soft pad: each tone three slightly detuned soft-saw voices, different in each ear; slow
    attack and release."""
    attack, release = int(0.7 * RATE), int(1.2 * RATE)
    length = hold + release
    t = np.arange(length) / RATE
    k = np.arange(1, 6, dtype=np.float64)
    amps = 1.0 / k ** 2
    out = np.zeros((length, 2))
    for ch, detunes in enumerate(((-0.004, 0.0015, 0.006), (-0.006, -0.0012, 0.0042))):
        for midi in chord:
            for d in detunes:
                f = frequency(midi) * (1.0 + d)
                phase = 2.0 * np.pi * f * t + 1.7 * midi + 11.0 * d
                for a, kk in zip(amps, k):
                    out[:, ch] += a * np.sin(kk * phase)
    env = np.ones(length)
    env[:attack] = 0.5 - 0.5 * np.cos(np.linspace(0.0, np.pi, attack))
    env[hold:] *= 0.5 + 0.5 * np.cos(np.linspace(0.0, np.pi, release))
    return out * env[:, None] / (3.0 * len(chord) * amps.sum())


def filtered_noise(rng, length, low, high):
    spectrum = np.fft.rfft(rng.standard_normal(length))
    f = np.fft.rfftfreq(length, 1.0 / RATE)
    mask = 1.0 / (1.0 + (low / np.maximum(f, 1.0)) ** 4) / (1.0 + (f / high) ** 4)
    return np.fft.irfft(spectrum * mask, length)


@functools.lru_cache(maxsize=None)
def drum_hit(kind, seed):
    """The hand percussion: a frame drum's low thump, the rim tap of a goblet drum, a seed shaker
    and tambourine jingles."""
    rng = np.random.default_rng(seed)
    if kind == "frame":
        length = int(0.5 * RATE)
        t = np.arange(length) / RATE
        f = 68.0 + 50.0 * np.exp(-t / 0.03)
        body = np.sin(2.0 * np.pi * np.cumsum(f) / RATE) * np.exp(-t / 0.16)
        skin = filtered_noise(rng, length, 80.0, 900.0) * np.exp(-t / 0.025)
        hit = body + 0.25 * skin / np.abs(skin).max()
    elif kind == "tek":
        length = int(0.25 * RATE)
        t = np.arange(length) / RATE
        body = np.sin(2.0 * np.pi * 420.0 * t) * np.exp(-t / 0.045)
        click = filtered_noise(rng, length, 1500.0, 7000.0) * np.exp(-t / 0.008)
        hit = 0.6 * body + 0.5 * click / np.abs(click).max()
    elif kind == "shaker":
        length = int(0.12 * RATE)
        t = np.arange(length) / RATE
        grains = filtered_noise(rng, length, 4000.0, 11000.0)
        env = np.minimum(1.0, t / 0.012) * np.exp(-t / 0.03)
        hit = 0.45 * grains / np.abs(grains).max() * env
    else:
        length = int(0.3 * RATE)
        t = np.arange(length) / RATE
        jingles = partials([5320.0, 6870.0, 7940.0, 9120.0], [1, 0.8, 0.7, 0.5],
                           [0.09, 0.07, 0.06, 0.05], length)
        noise = filtered_noise(rng, length, 5000.0, 12000.0) * np.exp(-t / 0.05)
        hit = 0.25 * jingles / np.abs(jingles).max() + 0.2 * noise / np.abs(noise).max()
    return fade_edges(hit, 22, 200)


class Score:
    """The buses a track is rendered into: dry and reverb send, both stereo. They are longer than
    the loop by a tail and folded at the end."""

    def __init__(self, length):
        self.length = length
        tail = int(3.0 * RATE)
        self.dry = np.zeros((length + tail, 2))
        self.send = np.zeros((length + tail, 2))

    def add(self, sound, start, gain, pan, send):
        """Adds a mono or stereo sound at sample `start`; pan -1 (left) .. 1 (right), equal power."""
        if sound.ndim == 1:
            angle = (pan + 1.0) * np.pi / 4.0
            sound = sound[:, None] * np.array([np.cos(angle), np.sin(angle)]) * math.sqrt(2.0)
        end = min(start + len(sound), len(self.dry))
        part = sound[: end - start] * gain
        self.dry[start:end] += part
        self.send[start:end] += part * send


def fold(signal, period):
    """Wraps everything past `period` samples back onto the start: the loop's own tail."""
    frames = len(signal)
    laps = -(-frames // period)
    padded = np.zeros((laps * period,) + signal.shape[1:])
    padded[:frames] = signal
    return padded.reshape((laps, period) + signal.shape[1:]).sum(axis=0)


@functools.lru_cache(maxsize=None)
def reverb_response(seed):
    """A diffuse hall: decaying noise, darker as it fades, different in each ear."""
    rng = np.random.default_rng(seed)
    length = int(REVERB_SECONDS * RATE)
    t = np.arange(length) / RATE
    response = np.zeros((length, 2))
    for ch in range(2):
        bright = filtered_noise(rng, length, 150.0, 6000.0)
        dark = filtered_noise(rng, length, 150.0, 1500.0)
        mix = np.exp(-t / 0.5)
        response[:, ch] = (bright * mix + dark * (1.0 - mix)) * np.exp(-6.9 * t / 2.2)
    delay, swell = int(0.018 * RATE), int(0.012 * RATE)
    response[:delay] = 0.0
    response[delay:delay + swell] *= np.linspace(0.0, 1.0, swell)[:, None]
    return response / np.sqrt((response ** 2).sum(axis=0))


def circular_reverb(send, seed):
    """Convolution with the hall, wrapped round the loop (the reverb of the last bars sounds over
    the first ones)."""
    period = len(send)
    response = reverb_response(seed)
    size = 1 << int(math.ceil(math.log2(period + len(response))))
    wet = np.empty((period + len(response) - 1, 2))
    for ch in range(2):
        spectrum = np.fft.rfft(send[:, ch], size) * np.fft.rfft(response[:, ch], size)
        wet[:, ch] = np.fft.irfft(spectrum, size)[: len(wet)]
    return fold(wet, period)


def degree_midi(track, degree):
    """MIDI note of a scale degree counted from the tonic (0), any octave."""
    scale = MODES[track.mode]
    return track.root + 12 * (degree // 7) + scale[degree % 7]


def chord_degrees(root_degree, size=3):
    return [root_degree + 2 * i for i in range(size)]


def step_offset(track, step):
    """Sample offset of a step inside its bar, with swing on two-step beats."""
    beat, sub = divmod(step, track.subdivision)
    spb = track.samples_per_beat
    if track.subdivision == 2 and sub == 1:
        within = int(round(track.swing * spb))
    else:
        within = int(round(sub * spb / track.subdivision))
    return beat * spb + within


def pattern_notes(pattern, onset="x"):
    """(start step, length in steps) of each note of a rhythm pattern."""
    notes = []
    for i, c in enumerate(pattern):
        if c == onset or (onset is None and c not in ".-"):
            length = 1
            while i + length < len(pattern) and pattern[i + length] == "-":
                length += 1
            notes.append((i, length))
    return notes


def compose_melody(track, rng, progression, register):
    """Eight bars of melody as (bar, step, steps held, scale degree): bars 5-6 answer bars 1-2,
    strong beats lean on chord tones, the line moves mostly by step and the phrase closes on a
    tone of the last chord."""
    phrase = []
    rhythms = [track.rhythms[i] for i in rng.integers(0, len(track.rhythms), 4)]
    rhythms = rhythms + [rhythms[0], rhythms[1], rhythms[2], track.rhythms[3]]
    current = register + int(rng.integers(0, 5))
    strong = {0, track.steps // 2} if track.beats % 2 == 0 else {0}
    for bar in range(8):
        if bar in (4, 5):
            # The answer: the opening bars again, shifted to fit the chord underneath.
            shift = progression[bar] - progression[bar - 4]
            for _, step, held, degree in [n for n in phrase if n[0] == bar - 4]:
                phrase.append((bar, step, held, degree + (shift if abs(shift) <= 2 else 0)))
            current = phrase[-1][3]
            continue
        notes = pattern_notes(rhythms[bar])
        chord = chord_degrees(progression[bar])
        for index, (step, held) in enumerate(notes):
            last = bar == 7 and index == len(notes) - 1
            if step in strong or last:
                tones = [d + 7 * o for d in chord for o in range(-2, 4)]
                tones = [d for d in tones if register - 2 <= d <= register + 9]
                current = min(tones, key=lambda d: (abs(d - current), d))
                if last:
                    held = track.steps - step
            else:
                move = int(rng.choice([-2, -1, -1, 1, 1, 2, 0]))
                current = int(np.clip(current + move, register - 2, register + 9))
            phrase.append((bar, step, held, current))
    return phrase


def render(track, bars=None, seed=None):
    """The track as a stereo float array that loops exactly; `bars` (a multiple of 8) renders only
    the first sections, `seed` replaces the track's own."""
    if seed is not None:
        track = replace(track, seed=seed)
    form = track.form if bars is None else track.form[: max(1, bars // 8)]
    track = replace(track, form=form)
    rng = np.random.default_rng(track.seed)
    score = Score(track.length)
    spbar = track.samples_per_bar
    themes = {}
    for section_index, letter in enumerate(track.form):
        progression = track.progression_a if letter in "Aa" else track.progression_b
        base = 7 * track.lead_octave + (0 if letter in "Aa" else 2)
        if letter.upper() not in themes:
            themes[letter.upper()] = compose_melody(track, rng, progression, base)
        melody = themes[letter.upper()]
        if letter.islower():
            # A variation: the theme's last two bars composed anew.
            fresh = compose_melody(track, rng, progression, base)
            melody = [n for n in melody if n[0] < 6] + [n for n in fresh if n[0] >= 6]
        first_bar = section_index * 8
        for bar_in, step, held, degree in melody:
            bar = first_bar + bar_in
            start = bar * spbar + step_offset(track, step)
            end = bar * spbar + (step_offset(track, step + held) if step + held < track.steps
                                 else spbar)
            loud = 0.85 + 0.15 * (step == 0) + 0.08 * rng.standard_normal()
            note = lead_note(track.lead, degree_midi(track, degree), end - start)
            score.add(note, start + int(rng.integers(0, 90)), LEAD_GAIN.get(track.lead, 0.34) * loud, -0.08,
                      track.reverb * 1.2)
        for bar_in in range(8):
            bar = first_bar + bar_in
            degree = progression[bar_in]
            next_degree = progression[(bar_in + 1) % 8]
            render_harmony(track, score, rng, bar, degree, letter)
            render_bass(track, score, rng, bar, degree, next_degree)
            render_drums(track, score, rng, bar, bar_in)
            if track.pad > 0:
                chord = tuple(degree_midi(track, d) for d in chord_degrees(degree + 7, 3))
                score.add(pad_chord(chord, spbar), bar * spbar, 0.16 * track.pad, 0.0,
                          track.reverb * 1.5)
    dry = fold(score.dry, track.length)
    wet = circular_reverb(fold(score.send, track.length), track.seed)
    return master(dry + wet)


def render_harmony(track, score, rng, bar, degree, letter):
    spbar = track.samples_per_bar
    pattern = track.arp if letter in "Aa" else track.arp_b
    tones = [degree_midi(track, d) for d in chord_degrees(degree, 3)]
    tones = tones + [t + 12 for t in tones]
    onsets = [(i, c) for i, c in enumerate(pattern) if c not in ".-"]
    for n, (step, c) in enumerate(onsets):
        start = bar * spbar + step_offset(track, step)
        following = onsets[n + 1][0] if n + 1 < len(onsets) else track.steps
        hold = bar * spbar + (step_offset(track, following) if following < track.steps
                              else spbar) - start
        loud = (1.0 if step == 0 else 0.8) * (1.0 + 0.07 * rng.standard_normal())
        if track.harmony == "arp":
            midi = tones[int(c)]
            score.add(string_note(track.harmony_voice, midi, hold), start, 0.2 * loud,
                      0.3 if midi % 2 else -0.05, track.reverb)
        else:
            # A strum: chord tones from low to high, a few milliseconds apart.
            for i, midi in enumerate(tones[:4]):
                score.add(string_note(track.harmony_voice, midi, hold),
                          start + i * int(0.011 * RATE), 0.1 * loud, 0.3 - 0.12 * i, track.reverb)


def render_bass(track, score, rng, bar, degree, next_degree):
    spbar = track.samples_per_bar
    onsets = [(i, c) for i, c in enumerate(track.bass) if c not in ".-"]
    root = degree - 7
    for n, (step, c) in enumerate(onsets):
        target = {"R": root, "5": root + 4, "8": root + 7}.get(c)
        if target is None:
            target = next_degree - 7 + (1 if next_degree <= degree else -1)
        midi = degree_midi(track, target)
        while midi < 36:
            midi += 12
        while midi > 52:
            midi -= 12
        start = bar * spbar + step_offset(track, step)
        following = onsets[n + 1][0] if n + 1 < len(onsets) else track.steps
        hold = bar * spbar + (step_offset(track, following) if following < track.steps
                              else spbar) - start
        loud = (1.0 if step == 0 else 0.82) * (1.0 + 0.05 * rng.standard_normal())
        score.add(string_note(track.bass_voice, midi, hold), start, 0.5 * loud, 0.0, 0.08)


# Sustained voices sound louder than plucked ones at the same level.
LEAD_GAIN = {"whistle": 0.22, "bell": 0.3}

DRUM_PLACES = {"frame": (0.0, 0.5, 0.12), "tek": (0.25, 0.3, 0.15), "shaker": (0.45, 0.3, 0.1),
               "tamb": (-0.4, 0.22, 0.2)}


def render_drums(track, score, rng, bar, bar_in):
    spbar = track.samples_per_bar
    for kind, pattern in track.drums.items():
        if bar_in == 7 and kind in track.drum_fill:
            pattern = track.drum_fill[kind]
        steps_in_pattern = len(pattern)
        # Patterns of two bars alternate; a one-bar pattern repeats.
        bar_steps = track.steps
        offset = (bar_in % (steps_in_pattern // bar_steps)) * bar_steps
        pan, gain, send = DRUM_PLACES[kind]
        for step in range(bar_steps):
            c = pattern[offset + step]
            if not c.isdigit():
                continue
            variant = int(rng.integers(0, 4))
            loud = int(c) / 6.0 * (1.0 + 0.1 * rng.standard_normal())
            start = bar * spbar + step_offset(track, step) + int(rng.integers(0, 60))
            score.add(drum_hit(kind, variant + 100 * len(kind)), start, gain * loud, pan, send)


def soft_limit(x, knee, ceiling):
    """Leaves everything below `knee` alone and bends larger values smoothly towards `ceiling`
    (sample by sample, so the loop stays a loop)."""
    out = x.copy()
    loud = np.abs(x) > knee
    room = ceiling - knee
    bent = knee + room * np.tanh((np.abs(x[loud]) - knee) / room)
    out[loud] = np.sign(x[loud]) * bent
    return out


def rms_db(x):
    return 10.0 * math.log10(float(np.mean(x * x)) + 1e-30)


def peak_db(x):
    return 20.0 * math.log10(float(np.abs(x).max()) + 1e-30)


def master(mix):
    """Loudness to TARGET_RMS_DB with peaks kept under CEILING_DB."""
    mix = mix - mix.mean(axis=0)
    knee, ceiling = 10.0 ** (KNEE_DB / 20.0), 10.0 ** (CEILING_DB / 20.0)
    out = mix
    gain = 10.0 ** ((TARGET_RMS_DB - rms_db(mix)) / 20.0)
    for _ in range(4):
        out = soft_limit(mix * gain, knee, ceiling)
        gain *= 10.0 ** ((TARGET_RMS_DB - rms_db(out)) / 20.0)
    return out


def describe(track):
    """One line of facts about a track (for the music sheet)."""
    key = NOTE_NAMES[track.root % 12]
    seconds = track.length / RATE
    metre = f"{track.beats * (3 if track.subdivision == 3 else 1)}/{8 if track.subdivision == 3 else 4}"
    return (f"{track.name}: {key} {track.mode}, {metre}, {track.bpm} beats a minute, {track.bars} "
            f"bars, {track.length} samples ({seconds:.2f} s)")


def build(out_dir, encode):
    written = []
    for track in TRACKS:
        path = os.path.join(out_dir, track.name + ".ogg")
        encode(render(track), path)
        written.append(path)
    return written
