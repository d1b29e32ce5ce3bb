// Writes the notification chime: two bell-like tones, a fourth apart, as a
// 16-bit mono 22050 Hz WAV file. Built and run by the build so the sound is
// ours and needs no audio tools.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kLength = 0.42;

struct Tone
{
    double start;     // seconds
    double frequency; // Hz
    double gain;
};

// A struck bell: a quick attack, an exponential decay, and a quieter partial
// an octave and a bit higher for shimmer.
double bell(const Tone& tone, double t)
{
    const double local = t - tone.start;
    if (local < 0) {
        return 0;
    }
    const double attack = std::min(1.0, local / 0.004);
    const double decay = std::exp(-local * 9.0);
    const double phase = 2 * std::numbers::pi * tone.frequency * local;
    return tone.gain * attack * decay *
           (std::sin(phase) + 0.25 * std::sin(2.76 * phase) * std::exp(-local * 14.0));
}

void put16(std::ofstream& out, std::uint16_t value)
{
    const char bytes[] = {char(value & 0xff), char(value >> 8)};
    out.write(bytes, 2);
}

void put32(std::ofstream& out, std::uint32_t value)
{
    put16(out, std::uint16_t(value & 0xffff));
    put16(out, std::uint16_t(value >> 16));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }

    const Tone tones[] = {{0.0, 783.99, 0.45}, {0.14, 1046.50, 0.45}}; // G5 then C6
    const int count = int(kLength * kRate);
    std::vector<std::int16_t> samples(count);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        double value = 0;
        for (const Tone& tone : tones) {
            value += bell(tone, t);
        }
        // Fade the last 20 ms so the file does not end in a click.
        value *= std::min(1.0, (kLength - t) / 0.02);
        samples[i] = std::int16_t(std::lround(std::clamp(value, -1.0, 1.0) * 32767));
    }

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);        // size of the format chunk
    put16(out, 1);         // PCM
    put16(out, 1);         // mono
    put32(out, kRate);     // samples per second
    put32(out, kRate * 2); // bytes per second
    put16(out, 2);         // bytes per frame
    put16(out, 16);        // bits per sample
    out.write("data", 4);
    put32(out, dataBytes);
    for (std::int16_t sample : samples) {
        put16(out, std::uint16_t(sample));
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
