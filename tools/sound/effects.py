"""The game's 18 sound effects, synthesised from the recipes below.

A small synthesiser first (oscillators, noise, envelopes, filters, echo), then one function per
effect returning a mono or stereo float array at 44100 Hz. build() normalises each one to a peak of
-1.5 dBFS and writes it as sound/<name>.ogg. Every random choice comes from a generator seeded by the
effect, so the files are the same on every build.

The palette is a calm fantasy one: tuned stones, bells, soft wind and small sparkles, in C major
pentatonic so that effects overlapping the music or each other do not clash."""

import os
import re
import subprocess

import numpy as np

RATE = 44100
PEAK_DB = -1.5
NYQUIST = RATE / 2


# ---------------------------------------------------------------- building blocks


def seconds(n):
    return int(round(n * RATE))


def times(duration):
    return np.arange(seconds(duration)) / RATE


def note(name):
    """Frequency of a note written like "C5", "F#4" or "Bb3" (A4 = 440 Hz)."""
    steps = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    semis = steps[name[0]]
    rest = name[1:]
    if rest[0] in "#b":
        semis += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 440.0 * 2 ** ((semis + 12 * (int(rest) - 4)) / 12)


def as_curve(value, n):
    """A scalar or a per-sample array, as a per-sample array of length n."""
    return np.broadcast_to(np.asarray(value, dtype=np.float64), (n,)).astype(np.float64)


def sweep(start, end, duration, shape="exp"):
    """A frequency glide from start to end; "exp" glides evenly in pitch."""
    u = np.linspace(0.0, 1.0, seconds(duration))
    if shape == "exp":
        return start * (end / start) ** u
    return start + (end - start) * u


def phase_of(freq, duration):
    """Running phase in cycles for a fixed or per-sample frequency."""
    f = as_curve(freq, seconds(duration))
    return np.cumsum(f) / RATE - f[0] / RATE, f


def osc(kind, freq, duration, harmonics=40):
    """Sine, triangle, saw or square. The non-sine waves are summed from their harmonics, each one
    dropped where it would pass the Nyquist frequency, so sweeps never alias."""
    phase, f = phase_of(freq, duration)
    angle = 2 * np.pi * phase
    if kind == "sine":
        return np.sin(angle)
    out = np.zeros_like(angle)
    for k in range(1, harmonics + 1):
        if kind in ("square", "triangle") and k % 2 == 0:
            continue
        audible = f * k < NYQUIST * 0.9
        if not audible.any():
            break
        if kind == "saw":
            amp = 1.0 / k
        elif kind == "square":
            amp = 1.0 / k
        else:  # triangle: odd harmonics at 1/k^2 with alternating sign
            amp = (-1) ** ((k - 1) // 2) / (k * k)
        out += amp * np.sin(k * angle) * audible
    scale = {"saw": 2 / np.pi, "square": 4 / np.pi, "triangle": 8 / np.pi**2}[kind]
    return out * scale


def brass(freq, duration, brightness):
    """A saw whose upper harmonics open and close with brightness (0..1, scalar or curve), the
    way a horn's tone brightens as it is blown harder."""
    phase, f = phase_of(freq, duration)
    b = as_curve(brightness, len(f))
    angle = 2 * np.pi * phase
    out = np.zeros_like(angle)
    for k in range(1, 30):
        audible = f * k < NYQUIST * 0.9
        if not audible.any():
            break
        out += np.sin(k * angle) / k * b ** (k - 1) * audible
    return out


def partials(freq, duration, ratios, decays, amps):
    """A struck tone: sine partials at freq * ratio, each with its own exponential decay (seconds
    to fall by 60 dB). Bells, stones and marimba bars are all made this way."""
    t = times(duration)
    out = np.zeros_like(t)
    for ratio, decay, amp in zip(ratios, decays, amps):
        if freq * ratio >= NYQUIST * 0.9:
            continue
        out += amp * np.sin(2 * np.pi * freq * ratio * t) * np.exp(-6.9 * t / decay)
    return out


def bell(freq, duration, decay=1.0):
    return partials(freq, duration, [1, 2.0, 2.76, 4.07, 5.4], [decay, decay * 0.6, decay * 0.45, decay * 0.3, decay * 0.2],
                    [1.0, 0.45, 0.3, 0.18, 0.1])


def marimba(freq, duration, decay=0.25):
    return partials(freq, duration, [1, 3.93, 9.2], [decay, decay * 0.35, decay * 0.12], [1.0, 0.35, 0.12])


def noise(duration, rng):
    return rng.uniform(-1.0, 1.0, seconds(duration))


def crackle(duration, density, rng):
    """Sparse random clicks; density (clicks per second, scalar or curve) shapes the crackle."""
    n = seconds(duration)
    chance = as_curve(density, n) / RATE
    hits = rng.random(n) < chance
    return hits * rng.uniform(-1.0, 1.0, n)


def adsr(duration, attack, decay, sustain, release):
    """Linear attack, exponential decay to the sustain level, exponential release at the end."""
    t = times(duration)
    env = np.where(t < attack, t / max(attack, 1e-6), 1.0)
    after = np.clip(t - attack, 0.0, None)
    env = np.where(t < attack, env, sustain + (1.0 - sustain) * np.exp(-5.0 * after / max(decay, 1e-6)))
    release_start = duration - release
    fade = np.clip((duration - t) / max(release, 1e-6), 0.0, 1.0) ** 2
    return np.where(t > release_start, env * fade, env)


def perc(duration, decay, attack=0.002):
    """A quick attack and an exponential fall by 60 dB over decay seconds."""
    t = times(duration)
    return np.minimum(t / attack, 1.0) * np.exp(-6.9 * t / decay)


def svf(x, cutoff, q=0.707, mode="low"):
    """State-variable filter (trapezoidal form, stable at any cutoff); cutoff may sweep per sample.
    mode is "low", "band" or "high"."""
    n = len(x)
    fc = np.clip(as_curve(cutoff, n), 10.0, NYQUIST * 0.95)
    g = np.tan(np.pi * fc / RATE)
    k = 1.0 / q
    a1 = 1.0 / (1.0 + g * (g + k))
    a2 = g * a1
    a3 = g * a2
    out = np.empty(n)
    ic1 = ic2 = 0.0
    pick = {"low": 0, "band": 1, "high": 2}[mode]
    for i, (v0, c1, c2, c3) in enumerate(zip(x.tolist(), a1.tolist(), a2.tolist(), a3.tolist())):
        v3 = v0 - ic2
        v1 = c1 * ic1 + c2 * v3
        v2 = ic2 + c2 * ic1 + c3 * v3
        ic1 = 2 * v1 - ic1
        ic2 = 2 * v2 - ic2
        out[i] = (v2, v1, v0 - k * v1 - v2)[pick]
    return out


def lowpass(x, cutoff):
    """One-pole low-pass: a gentle 6 dB per octave slope."""
    a = np.exp(-2 * np.pi * as_curve(cutoff, len(x)) / RATE)
    out = np.empty(len(x))
    y = 0.0
    for i, (v, c) in enumerate(zip(x.tolist(), a.tolist())):
        y = v + c * (y - v)
        out[i] = y
    return out


def highpass(x, cutoff):
    return x - lowpass(x, cutoff)


def pad(x, duration):
    """x lengthened with silence to duration (never shortened)."""
    n = max(seconds(duration), len(x))
    return np.concatenate([x, np.zeros((n - len(x),) + x.shape[1:])])


def mix_at(out, x, start):
    """Adds x into out starting at start seconds (out grows when needed); returns out."""
    i = seconds(start)
    if i + len(x) > len(out):
        out = pad(out, (i + len(x)) / RATE)
    out[i:i + len(x)] += x
    return out


def pan(x, position):
    """Mono to stereo; position -1 (left) .. 1 (right), equal power."""
    if x.ndim == 2:
        return x
    angle = (position + 1) * np.pi / 4
    return np.stack([x * np.cos(angle), x * np.sin(angle)], axis=1)


def echo(x, delay, feedback, repeats):
    """Plain repeating echo."""
    out = pad(x, (len(x) + seconds(delay) * repeats) / RATE)
    for r in range(1, repeats + 1):
        shift = seconds(delay) * r
        out[shift:shift + len(x)] += x * feedback**r
    return out


def reverb(x, length, wet, brightness=6000.0):
    """A small room: for each side, four comb filters of different lengths (so left and right
    differ and the tail is wide) whose feedback makes the tail fall 60 dB in `length` seconds; the
    tail is softened by a low-pass. Returns stereo: the dry signal plus wet times the tail."""
    dry = pan(x, 0.0) if x.ndim == 1 else x
    dry = pad(dry, len(dry) / RATE + length)
    tails = []
    for side, delays_ms in enumerate(([29.7, 37.1, 41.1, 43.7], [31.3, 35.9, 40.3, 45.1])):
        source = dry[:, side]
        tail = np.zeros_like(source)
        for ms in delays_ms:
            d = seconds(ms / 1000)
            g = 10 ** (-3 * (ms / 1000) / length)
            comb = np.zeros_like(source)
            gain, shift = g, d
            while gain > 1e-3 and shift < len(source):
                comb[shift:] += source[: len(source) - shift] * gain
                gain *= g
                shift += d
            tail += comb
        tails.append(lowpass(tail / len(delays_ms), brightness))
    return dry + wet * np.stack(tails, axis=1)


def soft_clip(x, drive):
    """tanh saturation: rounds peaks off instead of cutting them, and adds warm grit."""
    return np.tanh(x * drive) / np.tanh(drive)


def finish(x, level=0.0):
    """Stereo, no DC, the silent tail (below -60 dB of the peak) cut off, click-free ends, peak at
    PEAK_DB + level."""
    x = pan(np.asarray(x, dtype=np.float64), 0.0)
    x = x - x.mean(axis=0)
    loud = np.nonzero(np.abs(x).max(axis=1) > np.abs(x).max() * 1e-3)[0]
    x = x[: loud[-1] + 1] if len(loud) else x
    n = len(x)
    fade_in = min(seconds(0.001), n // 4)
    fade_out = min(seconds(0.01), n // 4)
    x[:fade_in] *= np.linspace(0.0, 1.0, fade_in)[:, None]
    x[n - fade_out:] *= np.linspace(1.0, 0.0, fade_out)[:, None]
    peak = np.abs(x).max()
    return x * (10 ** ((PEAK_DB + level) / 20) / peak) if peak > 0 else x


# ---------------------------------------------------------------- the effects


def shoot(rng):
    # A soft "thwip": a rising triangle chirp with a breath of air swept up behind it.
    d = 0.22
    chirp = osc("triangle", sweep(260, 1100, d), d) * perc(d, 0.14, attack=0.004)
    air = svf(noise(d, rng), sweep(1200, 5000, d), q=1.5, mode="band") * perc(d, 0.09, attack=0.008)
    return reverb(chirp * 0.8 + air * 0.5, 0.15, 0.12)


def hit(rng):
    # A stone settling into place: a dry tick, a small thud and two short stone modes.
    d = 0.16
    tick = svf(noise(d, rng), 3200, q=2.0, mode="band") * perc(d, 0.02, attack=0.0005)
    thud = osc("sine", sweep(210, 140, d), d) * perc(d, 0.07, attack=0.001)
    stone = partials(note("E5"), d, [1, 2.31, 3.7], [0.09, 0.05, 0.03], [0.35, 0.25, 0.15])
    return tick * 0.9 + thud * 0.8 + stone * 0.5


def sparkles(rng, count, start, spread, duration, low="C6", octaves=2, level=0.25):
    """Small pentatonic bell pings scattered in time and across the stereo field."""
    scale = [0, 2, 4, 7, 9]
    base = note(low)
    out = np.zeros((seconds(duration), 2))
    for _ in range(count):
        degree = rng.integers(0, len(scale) * octaves)
        freq = base * 2 ** ((scale[degree % 5] + 12 * (degree // 5)) / 12)
        ping = bell(freq, 0.35, decay=rng.uniform(0.15, 0.3)) * perc(0.35, 0.3, attack=0.001)
        out = mix_at(out, pan(ping * level * rng.uniform(0.5, 1.0), rng.uniform(-0.7, 0.7)),
                     start + rng.uniform(0, spread))
    return out


def burst(rng, duration, top, bottom, thump_from, thump_to, crunch):
    """The body of an explosion: noise whose low-pass falls from top to bottom, a falling thump,
    both saturated for a little crunch."""
    # Two one-pole stages: a 12 dB per octave slope keeps the hiss from turning harsh.
    falling = sweep(top, bottom, duration)
    body = lowpass(lowpass(noise(duration, rng), falling), falling) * perc(duration, duration * 0.7, attack=0.003)
    body = svf(body, 80, mode="high")
    thump = osc("sine", sweep(thump_from, thump_to, duration * 0.5), duration * 0.5) * perc(duration * 0.5, duration * 0.4)
    return soft_clip(pad(body * 2.2, duration) + pad(thump * 0.9, duration), crunch)


def explode(rng):
    # Runes shattering: a short crunchy burst with a shower of sparkle over it.
    d = 0.9
    out = pan(burst(rng, 0.45, 4000, 300, 140, 55, 2.5), 0.0) * 0.8
    out = mix_at(pad(out, d), sparkles(rng, 9, 0.03, 0.35, d, low="C6", level=0.4), 0.0)
    return reverb(out, 0.5, 0.25)


def bonus_explosion(rng):
    # The bigger blast of a bomb or colour wipe: two overlapping bursts, a deeper boom, a rising
    # shimmer and a longer shower of sparkles in a larger room.
    d = 1.6
    first = burst(rng, 0.7, 6000, 200, 120, 40, 3.0)
    second = burst(rng, 0.5, 4000, 250, 90, 45, 2.5)
    out = mix_at(pad(first, 0.9), second * 0.7, 0.08)
    out = pan(out, 0.0) * 0.85
    shimmer_d = 0.9
    shimmer = osc("sine", sweep(note("G5"), note("G6"), shimmer_d), shimmer_d)
    shimmer += 0.5 * osc("sine", sweep(note("D6"), note("D7"), shimmer_d), shimmer_d)
    shimmer *= adsr(shimmer_d, 0.25, 0.3, 0.5, 0.4) * 0.12
    out = mix_at(pad(out, d), pan(shimmer, 0.0), 0.1)
    out = mix_at(out, sparkles(rng, 18, 0.05, 0.8, d, low="G5", octaves=3, level=0.35), 0.0)
    return reverb(out, 0.9, 0.3)


def flash(rng):
    # A flash strike: a bright crackle running down a falling buzz, and a soft rumble under it.
    d = 0.85
    # Sparse enough to be heard as separate cracks, not hiss; the top is rounded off.
    crack = lowpass(highpass(crackle(d, sweep(900, 60, d), rng), 1500), 7000) * perc(d, 0.6, attack=0.001)
    buzz = osc("saw", sweep(1800, 160, 0.35) * (1 + 0.02 * rng.standard_normal(seconds(0.35))), 0.35)
    buzz = svf(buzz, sweep(4000, 600, 0.35), q=2.0, mode="band") * perc(0.35, 0.3)
    rumble = lowpass(lowpass(noise(d, rng), 180), 180) * adsr(d, 0.05, 0.3, 0.3, 0.5) * 6.0
    out = crack * 2.5 + pad(buzz, d) * 0.6 + rumble * 0.9
    return reverb(soft_clip(out, 1.5), 0.6, 0.25)


def rowslided(rng):
    # A row of stone easing in: a soft grinding swell and a gentle settle at the end.
    d = 0.55
    grind = svf(noise(d, rng), sweep(300, 520, d), q=2.5, mode="band")
    grind *= adsr(d, 0.25, 0.2, 0.8, 0.2) * (1 + 0.25 * np.sin(2 * np.pi * 23 * times(d)))
    settle = marimba(note("G3"), 0.25, decay=0.2) * 0.5
    settle += svf(noise(0.25, rng), 900, mode="low") * perc(0.25, 0.05) * 0.4
    out = mix_at(grind * 1.2, settle, 0.3)
    return reverb(out, 0.3, 0.15)


def button(rng, freq, duration, click, tone, decay):
    """A button sound: a marimba-like tone with an optional little contact click under it."""
    out = marimba(freq, duration, decay=decay) * tone
    if click:
        out += svf(noise(duration, rng), 2500, q=1.0, mode="band") * perc(duration, 0.012, attack=0.0005) * click
    return out


def big_btn_focused(rng):
    # Hover over a large button: a round, low tone with a soft fifth.
    d = 0.13
    return button(rng, note("C5"), d, 0, 1.0, 0.12) + marimba(note("G5"), d, 0.08) * 0.35


def big_btn_clicked(rng):
    # Pressing a large button: a firm clack and a full low tone.
    d = 0.14
    return button(rng, note("G4"), d, 0.8, 1.0, 0.13) + marimba(note("D5"), d, 0.08) * 0.3


def medium_btn_focused(rng):
    d = 0.09
    return button(rng, note("E5"), d, 0, 1.0, 0.08)


def medium_btn_clicked(rng):
    d = 0.11
    return button(rng, note("C5"), d, 0.6, 1.0, 0.09)


def simple_btn_clicked(rng):
    # A small button: a light, short tick.
    d = 0.06
    return button(rng, note("G5"), d, 0.7, 0.8, 0.04)


def change_rune(rng):
    # The loaded rune swapped: an airy swish rising then falling, with a faint tonal glint.
    d = 0.32
    u = np.linspace(0, 1, seconds(d))
    centre = 700 + 2600 * np.sin(np.pi * u) ** 2
    swish = svf(noise(d, rng), centre, q=2.0, mode="band") * np.sin(np.pi * u) ** 1.5
    glint = osc("sine", sweep(note("E6"), note("A6"), d), d) * perc(d, 0.25, attack=0.04) * 0.15
    return reverb(pan(swish * 1.2, -0.2) + pan(glint, 0.2), 0.3, 0.15)


def level_up(rng):
    # A bright rising arpeggio of bells ending on a held major chord.
    d = 1.7
    out = np.zeros((seconds(d), 2))
    notes = ["C5", "E5", "G5", "C6", "E6"]
    for i, name in enumerate(notes):
        tone = bell(note(name), 1.2, decay=0.9) * 0.6
        out = mix_at(out, pan(tone, -0.4 + 0.2 * i), i * 0.08)
    chord_start = len(notes) * 0.08 + 0.04
    chord_d = d - chord_start
    for name in ("C6", "G6", "E6"):
        out = mix_at(out, pan(bell(note(name), chord_d, decay=1.2) * 0.35, 0.0), chord_start)
    return reverb(out, 0.9, 0.25)


def loose(rng):
    # Losing a stage: a soft falling phrase on a breathy flute, no harshness, ending low.
    phrase = [("G4", 0.0, 0.3), ("F4", 0.28, 0.3), ("Eb4", 0.56, 0.35), ("D4", 0.88, 0.35), ("C4", 1.2, 0.9)]
    out = np.zeros(seconds(2.2))
    for name, start, length in phrase:
        f = note(name) * (1 + 0.004 * np.sin(2 * np.pi * 5 * times(length)))
        tone = osc("triangle", f, length) * adsr(length, 0.05, 0.2, 0.7, length * 0.5)
        breath = svf(noise(length, rng), note(name) * 2, q=3.0, mode="band") * adsr(length, 0.03, 0.1, 0.3, length * 0.5)
        out = mix_at(out, tone * 0.7 + breath * 0.15, start)
    return reverb(lowpass(out, 2500), 1.0, 0.3)


def full_win(rng):
    # The whole game won: a horn fanfare over held chords, a kettle-drum roll and bells at the end.
    beat = 0.22
    melody = [("G4", 0, 1), ("G4", 1, 0.5), ("G4", 1.5, 0.5), ("C5", 2, 2), ("E5", 4, 1), ("D5", 5, 0.5), ("E5", 5.5, 0.5),
              ("G5", 6, 2), ("E5", 8, 1), ("F5", 9, 1), ("D5", 10, 1), ("G5", 11, 1), ("C6", 12, 6)]
    total = 18 * beat + 2.0
    out = np.zeros((seconds(total), 2))
    for name, start, length in melody:
        dur = length * beat + 0.12
        bright = 0.35 + 0.45 * adsr(dur, 0.06, 0.25, 0.4, 0.1)
        tone = brass(note(name), dur, bright) * adsr(dur, 0.03, 0.2, 0.75, 0.1) * 0.4
        out = mix_at(out, pan(tone, 0.15), start * beat)
    chords = [(["C4", "E4", "G4"], 2, 4), (["G3", "D4", "G4"], 6, 2), (["F3", "C4", "A4"], 8, 2), (["G3", "B3", "D4"], 10, 2),
              (["C4", "E4", "G4", "C5"], 12, 6)]
    for names, start, length in chords:
        dur = length * beat + 0.1
        for name in names:
            tone = brass(note(name), dur, 0.35) * adsr(dur, 0.08, 0.3, 0.6, 0.15) * 0.14
            out = mix_at(out, pan(tone, -0.25), start * beat)
    # Kettle drum: a roll under the last chord, then one stroke.
    for i in range(10):
        strike = partials(note("C3"), 0.5, [1, 1.5, 1.98], [0.5, 0.3, 0.2], [1.0, 0.4, 0.2]) * perc(0.5, 0.45, attack=0.003)
        strike += lowpass(lowpass(noise(0.5, rng), 400), 400) * perc(0.5, 0.05) * 3.0
        out = mix_at(out, pan(strike * (0.12 + 0.03 * i), -0.1), 12 * beat - 0.5 + i * 0.05)
    out = mix_at(out, sparkles(rng, 14, 0.0, 1.5, 3.0, low="C6", octaves=2, level=0.12), 12 * beat)
    for name in ("C6", "E6", "G6"):
        out = mix_at(out, pan(bell(note(name), 2.4, decay=1.8) * 0.12, 0.3), 12 * beat)
    return reverb(out, 1.4, 0.3)


def got_award(rng):
    # An award: two clear bell strokes a fifth apart and a quiet shimmer after them.
    out = np.zeros((seconds(1.4), 2))
    out = mix_at(out, pan(bell(note("E6"), 1.1, decay=1.0) * 0.6, -0.2), 0.0)
    out = mix_at(out, pan(bell(note("B6"), 1.2, decay=1.1) * 0.6, 0.2), 0.14)
    out = mix_at(out, sparkles(rng, 6, 0.25, 0.4, 1.0, low="C7", octaves=1, level=0.1), 0.0)
    return reverb(out, 0.8, 0.25)


def gotbonus(rng):
    # A bonus or an extra life: a quick rising run of pings that blooms into a glittering tail.
    out = np.zeros((seconds(1.0), 2))
    for i, name in enumerate(["G5", "A5", "C6", "D6", "E6", "G6"]):
        ping = marimba(note(name), 0.4, decay=0.3) * 0.5 + bell(note(name), 0.4, decay=0.35) * 0.3
        out = mix_at(out, pan(ping, -0.5 + 0.2 * i), i * 0.045)
    glide = osc("sine", sweep(note("C6"), note("C7"), 0.4), 0.4) * adsr(0.4, 0.1, 0.1, 0.6, 0.25) * 0.08
    out = mix_at(out, pan(glide, 0.0), 0.15)
    out = mix_at(out, sparkles(rng, 8, 0.2, 0.4, 1.0, low="C7", octaves=1, level=0.12), 0.0)
    return reverb(out, 0.6, 0.2)


def cell_lightning(rng):
    # One cell struck by the stage-end sweep: a short electric zap. It repeats for every cell, so it
    # stays brief and soft-edged.
    d = 0.18
    f = sweep(1400, 500, d) * (1 + 0.06 * svf(rng.standard_normal(seconds(d)), 300, mode="low"))
    zap = osc("square", f, d, harmonics=15)
    zap = svf(zap, 2200, q=1.2, mode="band") * perc(d, 0.14, attack=0.002)
    crack = highpass(crackle(d, sweep(3000, 300, d), rng), 2000) * perc(d, 0.1) * 0.7
    return zap + crack


# File names as the game loads them, in its table order.
EFFECTS = [
    ("shoot", shoot),
    ("hit", hit),
    ("explode", explode),
    ("gotbonus", gotbonus),
    ("flash", flash),
    ("rowslided", rowslided),
    ("big_btn_focused", big_btn_focused),
    ("big_btn_clicked", big_btn_clicked),
    ("medium_btn_clicked", medium_btn_clicked),
    ("medium_btn_focused", medium_btn_focused),
    ("simple_btn_clicked", simple_btn_clicked),
    ("change_rune", change_rune),
    ("bonus_explosion", bonus_explosion),
    ("level_up", level_up),
    ("loose", loose),
    ("got_award", got_award),
    ("full_win", full_win),
    ("cell_lightning", cell_lightning),
]


# Effects that would sound louder than they should (a sustained tone; the small explosion next to
# the bonus one) sit a little lower, in dB.
LEVELS = {"loose": -4.0, "explode": -3.5}

# Vorbis reshapes the wave slightly, so a peak at -1.5 dBFS can come back up to 1.5 dB higher
# (most for noise bursts and high bells). A file decoding above this is scaled down and encoded again.
DECODED_LIMIT_DB = -1.2


def render(index):
    """The finished samples of effect number index (stereo, peak at PEAK_DB or its LEVELS entry)."""
    name, recipe = EFFECTS[index]
    return finish(recipe(np.random.default_rng(1000 + index)), LEVELS.get(name, 0.0))


def decoded_peak_db(path):
    result = subprocess.run(["sox", path, "-n", "stats"], capture_output=True, text=True, check=True)
    match = re.search(r"^Pk lev dB\s+(\S+)", result.stderr, re.MULTILINE)
    return float(match.group(1))


def build(out_dir, encode):
    paths = []
    for index, (name, _) in enumerate(EFFECTS):
        path = os.path.join(out_dir, name + ".ogg")
        samples = render(index)
        encode(samples, path)
        for _ in range(3):
            excess = decoded_peak_db(path) - DECODED_LIMIT_DB
            if excess <= 0:
                break
            samples = samples * 10 ** (-(excess + 0.3) / 20)
            encode(samples, path)
        paths.append(path)
    return paths
