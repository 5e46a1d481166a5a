#!/usr/bin/env python3
"""Synthesises Strigolo's sound effects as 16-bit mono 22050 Hz WAV files.

Usage: make_sounds.py NAME OUT.wav   (NAME is one of SOUNDS below)

Every sound is additive synthesis: sine partials with their own amplitude and decay,
pitch contours integrated sample by sample (so glides never click), a little
deterministic breath noise for the owl's voice, and smooth envelopes that start and
end at zero. Each file is then levelled to the same loudness (the loudest 300 ms
window at LOUDNESS_DBFS RMS) with its peak held at or below PEAK_LIMIT.
"""
import math
import struct
import sys
import wave

RATE = 22050            # samples per second
LOUDNESS_DBFS = -14.0   # RMS of the loudest 300 ms window, in dB below full scale
PEAK_LIMIT = 0.70       # largest sample magnitude, as a fraction of full scale (-3.1 dBFS)
LOUDNESS_WINDOW = 0.3   # seconds
FADE_IN = 0.002         # seconds of safety fade at the very start
FADE_OUT = 0.030        # seconds of safety fade at the very end


def note(name):
    """Equal-tempered frequency in Hz of a note such as 'C5' or 'F#4' (A4 = 440 Hz)."""
    steps = {'C': -9, 'D': -7, 'E': -5, 'F': -4, 'G': -2, 'A': 0, 'B': 2}[name[0]]
    rest = name[1:]
    if rest.startswith('#'):
        steps += 1
        rest = rest[1:]
    elif rest.startswith('b'):
        steps -= 1
        rest = rest[1:]
    return 440.0 * 2.0 ** ((steps + 12 * (int(rest) - 4)) / 12.0)


def smoothstep(x):
    """0 below 0, 1 above 1, a raised-cosine ramp between."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    return 0.5 - 0.5 * math.cos(math.pi * x)


class Noise:
    """Deterministic white noise in [-1, 1] (xorshift32), so builds are repeatable."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0


def silence(seconds):
    return [0.0] * int(round(seconds * RATE))


def mix(dest, src, at, gain=1.0):
    """Adds src into dest starting at `at` seconds, growing dest when needed."""
    start = int(round(at * RATE))
    end = start + len(src)
    if end > len(dest):
        dest.extend([0.0] * (end - len(dest)))
    for i, v in enumerate(src):
        dest[start + i] += gain * v


def bell(freq, length, tau, partials, attack=0.004, detune=0.0):
    """A struck tone: each partial (ratio, amplitude, decay factor) dies away as
    exp(-t / (tau * factor)); `attack` seconds of soft onset avoid a click; a second
    voice `detune` Hz above adds a slow shimmer when non-zero."""
    out = []
    n = int(round(length * RATE))
    voices = [(freq, 1.0)] + ([(freq + detune, 0.5)] if detune else [])
    norm = sum(a for _, a in voices)
    for i in range(n):
        t = i / RATE
        env = smoothstep(t / attack) * smoothstep((length - t) / 0.05)
        v = 0.0
        for f0, va in voices:
            for ratio, amp, decay in partials:
                f = f0 * ratio
                if f < RATE * 0.45:
                    v += va * amp * math.exp(-t / (tau * decay)) * math.sin(2 * math.pi * f * t)
        out.append(env * v / norm)
    return out


def voice(length, pitch, partials, attack, release, breath=0.0, vibrato=(0.0, 0.0),
          seed=1, brightness=None):
    """A sustained, sung tone. `pitch(t)` gives Hz at t seconds (integrated, so glides
    are smooth); `partials` are (harmonic number, amplitude); `breath` mixes in
    low-passed noise that follows the envelope; `vibrato` is (rate Hz, depth as a
    fraction of pitch); `brightness(t)` in [0, 1], when given, scales the upper
    partials (a 'wah' opening)."""
    out = []
    n = int(round(length * RATE))
    phase = 0.0
    noise = Noise(seed)
    lp1 = lp2 = 0.0
    vib_rate, vib_depth = vibrato
    for i in range(n):
        t = i / RATE
        env = smoothstep(t / attack) * smoothstep((length - t) / release)
        f = pitch(t) * (1.0 + vib_depth * math.sin(2 * math.pi * vib_rate * t))
        phase += 2 * math.pi * f / RATE
        bright = 1.0 if brightness is None else brightness(t)
        v = 0.0
        for k, amp in partials:
            if f * k < RATE * 0.45:
                weight = amp if k == 1 else amp * bright ** (k - 1)
                v += weight * math.sin(k * phase)
        # Two one-pole low-passes (about 1.2 kHz) turn white noise into a soft breath.
        lp1 += 0.3 * (noise.next() - lp1)
        lp2 += 0.3 * (lp1 - lp2)
        out.append(env * (v + breath * 4.0 * lp2))
    return out


# ---- the sounds ---------------------------------------------------------------------

# A soft bell: mostly fundamental, a gentle octave and twelfth, and a faint glassy
# inharmonic partial that fades first.
SOFT_BELL = [(1.0, 1.0, 1.0), (2.0, 0.22, 0.5), (3.0, 0.06, 0.35), (2.76, 0.05, 0.2)]


def notify():
    """Gentle two-note chime, 'ding-dong' down a major third (E5, C5), repeated every
    35 s while something is due, so it stays round and quiet-edged."""
    out = silence(0.0)
    mix(out, bell(note('E5'), 1.6, 0.55, SOFT_BELL, attack=0.010, detune=1.2), 0.0)
    mix(out, bell(note('C5'), 1.9, 0.65, SOFT_BELL, attack=0.010, detune=1.0), 0.34, 0.95)
    return out


# The owl's voice: a round fundamental, a little second and third harmonic.
HOOT = [(1, 1.0), (2, 0.16), (3, 0.05)]


def question():
    """Soft owl hoot 'hoo... hoo?': a short hoot, then one that rises like a question."""
    f0 = 392.0  # G4
    first = voice(0.30, lambda t: f0 * (0.95 + 0.05 * smoothstep(t / 0.06)), HOOT,
                  attack=0.06, release=0.10, breath=0.05, vibrato=(5.0, 0.004), seed=11)
    second = voice(0.50, lambda t: f0 * (0.96 + 0.04 * smoothstep(t / 0.06)
                                         + 0.22 * smoothstep((t - 0.18) / 0.30)),
                   HOOT, attack=0.06, release=0.14, breath=0.05, vibrato=(5.0, 0.005), seed=12)
    out = silence(0.0)
    mix(out, first, 0.0)
    mix(out, second, 0.42)
    out.extend(silence(0.08))
    return out


def laugh():
    """Cheerful owl laugh: three breathy bursts of quick 'hu' syllables, each burst
    stepping down in pitch, the last ending in a long falling 'hoooo'."""
    out = silence(0.0)
    bursts = [  # (start s, first pitch Hz, syllables, loudness)
        (0.00, 640.0, 7, 1.00),
        (1.40, 680.0, 6, 0.95),
        (2.60, 600.0, 4, 0.80),
    ]
    spacing = 0.16   # seconds from one syllable to the next: about six a second
    length = 0.11    # seconds of each 'hu'
    seed = 100
    for start, top, count, loud in bursts:
        for k in range(count):
            f = top * (0.965 ** k)  # each syllable a little lower
            syl = voice(length, lambda t, f=f: f * (1.04 - 0.10 * t / length), HOOT,
                        attack=0.012, release=0.05, breath=0.16, vibrato=(0.0, 0.0),
                        seed=seed)
            seed += 1
            mix(out, syl, start + k * spacing, loud * (1.0 - 0.04 * k))
    # The closing hoot falls a fourth and wobbles a little, like a contented sigh.
    tail_start = bursts[-1][0] + bursts[-1][2] * spacing + 0.04
    tail = voice(0.60, lambda t: 520.0 * (1.0 - 0.25 * smoothstep(t / 0.55)), HOOT,
                 attack=0.03, release=0.25, breath=0.10, vibrato=(6.0, 0.012), seed=seed)
    mix(out, tail, tail_start, 0.75)
    out.extend(silence(0.05))
    return out


# A bright bar: strong fundamental, a clear octave and the 'bar' partial near 2.76.
BRIGHT_BELL = [(1.0, 1.0, 1.0), (2.0, 0.30, 0.6), (3.0, 0.10, 0.4), (2.76, 0.12, 0.25)]


def right():
    """Bright, short success phrase: a quick rising C major arpeggio, C5 E5 G5, landing
    on C6 with a soft E6 above it."""
    out = silence(0.0)
    for i, name in enumerate(['C5', 'E5', 'G5']):
        mix(out, bell(note(name), 0.45, 0.20, BRIGHT_BELL, attack=0.003), i * 0.075, 0.8)
    mix(out, bell(note('C6'), 0.95, 0.40, BRIGHT_BELL, attack=0.003), 0.225)
    mix(out, bell(note('E6'), 0.90, 0.35, BRIGHT_BELL, attack=0.003), 0.230, 0.35)
    return out


# A mellow reed: odd harmonics, like a soft clarinet or ocarina.
REED = [(1, 1.0), (2, 0.06), (3, 0.22), (5, 0.07), (7, 0.02)]


def wrong_1():
    """'Uh-oh': two mellow reed notes down a minor third, G4 then E4."""
    out = silence(0.0)
    mix(out, voice(0.20, lambda t: note('G4'), REED, attack=0.025, release=0.06,
                   vibrato=(5.0, 0.003), seed=21), 0.0)
    mix(out, voice(0.42, lambda t: note('E4') * (1.0 - 0.02 * smoothstep((t - 0.2) / 0.2)),
                   REED, attack=0.025, release=0.16, vibrato=(5.0, 0.006), seed=22), 0.26)
    out.extend(silence(0.05))
    return out


# A muted brass: many harmonics whose share grows as the note opens ('wah').
BRASS = [(k, 1.0 / k ** 0.8) for k in range(1, 9)]


def wrong_2():
    """'Wah wah wah waaah': a muted trombone stepping down by semitones (D4 C#4 C4)
    and settling on B3 with a slow wobble."""
    out = silence(0.0)
    steps = [('D4', 0.0, 0.26), ('C#4', 0.30, 0.26), ('C4', 0.60, 0.26)]
    for i, (name, start, length) in enumerate(steps):
        f = note(name)
        mix(out, voice(length, lambda t, f=f: f, BRASS, attack=0.03, release=0.06,
                       brightness=lambda t: 0.25 + 0.45 * smoothstep(t / 0.08), seed=31 + i),
            start)
    f = note('B3')
    mix(out, voice(0.85, lambda t: f * (1.0 - 0.015 * smoothstep((t - 0.4) / 0.4)), BRASS,
                   attack=0.03, release=0.30, vibrato=(5.5, 0.018),
                   brightness=lambda t: 0.25 + 0.45 * smoothstep(t / 0.08)
                   - 0.2 * smoothstep((t - 0.3) / 0.5), seed=34), 0.90)
    out.extend(silence(0.05))
    return out


# A hummed 'mm': the hoot with a fuller second and third harmonic.
HUM = [(1, 1.0), (2, 0.35), (3, 0.15), (4, 0.05)]


def wrong_3():
    """The owl's 'uh-uh' (no, no): a short hummed syllable and a lower, falling one."""
    out = silence(0.0)
    mix(out, voice(0.17, lambda t: 350.0 * (1.0 + 0.03 * smoothstep(t / 0.12)), HUM,
                   attack=0.02, release=0.05, breath=0.04, seed=41), 0.0)
    mix(out, voice(0.32, lambda t: 300.0 * (1.0 - 0.10 * smoothstep((t - 0.05) / 0.25)), HUM,
                   attack=0.02, release=0.12, breath=0.04, vibrato=(5.0, 0.004), seed=42),
        0.25)
    out.extend(silence(0.05))
    return out


SOUNDS = {
    'notify': notify,
    'question': question,
    'laugh': laugh,
    'right': right,
    'wrong_1': wrong_1,
    'wrong_2': wrong_2,
    'wrong_3': wrong_3,
}


# ---- levelling and writing ----------------------------------------------------------

def loudest_window_rms(samples):
    """RMS of the loudest LOUDNESS_WINDOW-long stretch (the whole sound if shorter)."""
    w = min(len(samples), int(LOUDNESS_WINDOW * RATE))
    acc = sum(v * v for v in samples[:w])
    best = acc
    for i in range(w, len(samples)):
        acc += samples[i] * samples[i] - samples[i - w] * samples[i - w]
        best = max(best, acc)
    return math.sqrt(max(best, 0.0) / w)


def finish(samples):
    """Safety fades, then one gain that meets the loudness target without passing the
    peak limit."""
    n = len(samples)
    for i in range(n):
        t = i / RATE
        samples[i] *= smoothstep(t / FADE_IN) * smoothstep((n - 1 - i) / RATE / FADE_OUT)
    target = 10.0 ** (LOUDNESS_DBFS / 20.0)
    gain = target / loudest_window_rms(samples)
    peak = max(abs(v) for v in samples)
    gain = min(gain, PEAK_LIMIT / peak)
    return [v * gain for v in samples]


def write_wav(path, samples):
    frames = b''.join(struct.pack('<h', max(-32767, min(32767, int(round(v * 32767)))))
                      for v in samples)
    with wave.open(path, 'wb') as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(frames)


def main(argv):
    if len(argv) != 3 or argv[1] not in SOUNDS:
        sys.stderr.write('usage: make_sounds.py {%s} OUT.wav\n' % '|'.join(SOUNDS))
        return 2
    write_wav(argv[2], finish(SOUNDS[argv[1]]()))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
