#include "split/gap_spectrum.h"

#include "core/sample_buffer.h"
#include "core/sample_shape.h"
#include "core/units.h"
#include "split/gap_choice.h"
#include "split/level_curves.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace sundra {

namespace {

using Complex = std::complex<double>;

// Windows of about 23 ms (1024 frames at 44.1 kHz): bins of about 43 Hz, fine
// enough to part a note's partials from the noise between them.
constexpr double kWindowSeconds = 0.023;
// The shortest stretch of nothing but floor a gap holds.
constexpr double kPieceSeconds = 0.6;
// What the gaps share can be told from this many of them.
constexpr std::size_t kLeastGaps = 4;
// A stretch that stands out twice as much as the gaps typically do holds
// music: the spread of a noise spectrum's bins is what the gaps show.
constexpr double kStandsOutTimes = 2.0;
// Hum and rumble lie below this, and the tape's treble loss above the last
// fifth of the band; neither says anything of music.
constexpr double kLowestHz = 150.0;
constexpr double kHighestFraction = 0.4;
// How a spectrum stands out: its third highest bin over the reference (a note
// under the floor fills at least that many: its partial spreads over a few),
// less its median bin (a floor a few dB louder or softer everywhere is no
// music).
constexpr std::size_t kTopBin = 3;
// A window eight times (9 dB) as loud as the median window holds more than
// the floor and the music that may hide under it: a click.
constexpr double kClickRatio = 8.0;
// A spectrum's own shape at a bin: the median of the bins this far either side
// (about 350 Hz at 44.1 kHz), wider than a note's partial, narrower than the
// slope of pink noise or a tape's treble loss.
constexpr std::size_t kShapeBins = 8;
// Noise spreads over every frequency: its spectrum falls no faster than pink
// noise's (flatness 0 dB for white noise, -3 dB for pink over the band; a
// floor of surface noise and crackle measures -3, music under it -5 to -8, a
// soft drum roll -37), and no bin stands out from its shape by as much as a
// partial four times the noise around it (hiss stays within a dB or two).
constexpr double kNoiseFlatnessDb = -4.0;
constexpr double kNoisePartialsDb = 6.0;

// The turns of an FFT of n points: exp(-2 pi i k / n) for k < n / 2.
std::vector<Complex> twiddlesOf(std::size_t n) {
    std::vector<Complex> twiddles(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        twiddles[k] = std::polar(1.0, -2.0 * M_PI * double(k) / double(n));
    return twiddles;
}

void fft(std::vector<Complex>& a, const std::vector<Complex>& twiddles) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::size_t step = n / length;
        for (std::size_t k = 0; k < length / 2; ++k) {
            const Complex w = twiddles[k * step];
            for (std::size_t i = k; i < n; i += length) {
                const Complex u = a[i];
                const Complex v = a[i + length / 2] * w;
                a[i] = u + v;
                a[i + length / 2] = u - v;
            }
        }
    }
}

double standsOut(const std::vector<double>& spectrum, const std::vector<double>& reference,
                 std::size_t low, std::size_t high) {
    std::vector<double> excess;
    for (std::size_t k = low; k < high && k < spectrum.size(); ++k)
        excess.push_back(spectrum[k] - reference[k]);
    if (excess.size() < 2 * kTopBin)
        return 0.0;
    std::sort(excess.begin(), excess.end());
    return excess[excess.size() - kTopBin] - excess[excess.size() / 2];
}

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2),
                     values.end());
    return values[values.size() / 2];
}

} // namespace

std::int32_t spectrumWindowFrames(std::int32_t rate) {
    std::int32_t size = 64;
    while (size * 2 <= rate * kWindowSeconds * 1.5)
        size *= 2;
    return size;
}

std::vector<double> readLevels(SampleReader& source, const FrameSpan& span) {
    std::vector<double> levels;
    const WaveFormat& format = source.format();
    const SampleShape* shape = sampleShape(format);
    const std::int32_t size = frameSize(format);
    if (shape == nullptr || size <= 0 || span.end <= span.start)
        return levels;
    SampleBuffer buffer(format, (span.end - span.start) * size);
    source.seek(span.start);
    const std::int32_t frames = readIntoBuffer(source, buffer);
    const std::size_t sampleBytes = std::size_t(format.bitsPerSample / 8);
    levels.reserve(std::size_t(frames) * std::size_t(format.channels));
    for (std::size_t i = 0; i < std::size_t(frames) * std::size_t(format.channels); ++i) {
        const double level = shape->level(buffer.data.get() + i * sampleBytes);
        levels.push_back(std::isfinite(level) ? level : 0.0);
    }
    return levels;
}

SpectrumSpread spectrumSpread(const std::vector<double>& spectrum, std::int32_t rate,
                              std::int32_t size) {
    SpectrumSpread spread;
    const auto low = static_cast<std::size_t>(kLowestHz * size / std::max(rate, 1));
    const std::size_t high =
        std::min(spectrum.size(), static_cast<std::size_t>(kHighestFraction * size));
    if (high < low + 2 * kTopBin)
        return spread;
    std::vector<double> excess;
    double sumDb = 0.0, sumPower = 0.0;
    for (std::size_t k = low; k < high; ++k) {
        const std::size_t from = k >= low + kShapeBins ? k - kShapeBins : low;
        const std::size_t to = std::min(high, k + kShapeBins + 1);
        excess.push_back(spectrum[k] -
                         median(std::vector<double>(spectrum.begin() + std::ptrdiff_t(from),
                                                    spectrum.begin() + std::ptrdiff_t(to))));
        sumDb += spectrum[k];
        sumPower += std::pow(10.0, spectrum[k] / 10.0);
    }
    const auto bins = static_cast<double>(high - low);
    spread.flatnessDb = sumDb / bins - 10.0 * std::log10(sumPower / bins);
    std::sort(excess.begin(), excess.end());
    spread.partialsDb = excess[excess.size() - kTopBin] - excess[excess.size() / 2];
    return spread;
}

bool SpectrumSpread::noise() const {
    return flatnessDb >= kNoiseFlatnessDb && partialsDb < kNoisePartialsDb;
}

std::vector<double> floorSpectrumDb(const std::vector<double>& levels, std::int32_t channels,
                                    std::int32_t size) {
    std::vector<double> spectrum;
    if (channels <= 0 || size < 4)
        return spectrum;
    const auto frames = static_cast<std::int32_t>(levels.size() / std::size_t(channels));
    std::vector<double> window(static_cast<std::size_t>(size));
    for (std::int32_t i = 0; i < size; ++i)
        window[std::size_t(i)] = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / size);
    const std::size_t bins = std::size_t(size) / 2;
    std::vector<std::vector<double>> perBin(bins);
    std::vector<Complex> a(static_cast<std::size_t>(size));
    const std::vector<Complex> twiddles = twiddlesOf(a.size());
    for (std::int32_t start = 0; start + size <= frames; start += size / 2) {
        std::vector<double> power(bins, 0.0);
        // Two channels at a time, one as the real part and one as the imaginary.
        for (std::int32_t c = 0; c < channels; c += 2) {
            for (std::int32_t i = 0; i < size; ++i) {
                const std::size_t at = std::size_t(start + i) * std::size_t(channels);
                const double re = levels[at + std::size_t(c)];
                const double im = c + 1 < channels ? levels[at + std::size_t(c) + 1] : 0.0;
                a[std::size_t(i)] = Complex(re, im) * window[std::size_t(i)];
            }
            fft(a, twiddles);
            for (std::size_t k = 1; k < bins; ++k)
                power[k] += (std::norm(a[k]) + std::norm(a[std::size_t(size) - k])) / 2.0;
        }
        for (std::size_t k = 0; k < bins; ++k)
            perBin[k].push_back(power[k]);
    }
    if (perBin.front().empty())
        return spectrum;
    // A click fills a window with its own broadband spectrum: windows much
    // louder than the median window are left out of the mean.
    const std::size_t windows = perBin.front().size();
    std::vector<double> totals(windows, 0.0);
    for (const std::vector<double>& values : perBin)
        for (std::size_t w = 0; w < windows; ++w)
            totals[w] += values[w];
    const double loudest = kClickRatio * median(totals);
    for (const std::vector<double>& values : perBin) {
        double sum = 0.0;
        std::size_t count = 0;
        for (std::size_t w = 0; w < windows; ++w) {
            if (totals[w] > loudest)
                continue;
            sum += values[w];
            ++count;
        }
        spectrum.push_back(10.0 *
                           std::log10(sum / double(std::max<std::size_t>(count, 1)) + 1e-30));
    }
    return spectrum;
}

void findHiddenMusic(SampleReader& source, GapDetection& detection) {
    // Digital silence hides nothing: a gap that holds some (a join in a
    // transfer) is no gap of noise to compare.
    std::vector<std::size_t> clear;
    for (std::size_t i = 0; i < detection.candidates.size(); ++i)
        if (isClearGap(detection.candidates[i]) && detection.candidates[i].levelDb > kSilenceDb)
            clear.push_back(i);
    if (clear.size() < kLeastGaps)
        return;
    const std::int32_t rate = detection.samplesPerSecond;
    const std::int32_t size = spectrumWindowFrames(rate);
    const std::int32_t channels = source.format().channels;
    const auto piece = static_cast<std::int32_t>(kPieceSeconds * rate);

    // The middle piece of each gap's floor, then the first and the last: a
    // gap's own stretch of nothing but floor may lie at either end, past a
    // soft fade or before a soft start.
    std::vector<std::vector<std::vector<double>>> spectra(clear.size());
    for (std::size_t g = 0; g < clear.size(); ++g) {
        const FrameSpan floor = detection.candidates[clear[g]].floor;
        const std::int32_t length = floor.end - floor.start;
        std::vector<std::int32_t> starts{floor.start + std::max(length - piece, 0) / 2};
        if (length >= 2 * piece)
            starts.insert(starts.end(), {floor.start, floor.end - piece});
        for (std::int32_t start : starts) {
            const FrameSpan span{start, std::min(start + piece, floor.end)};
            std::vector<double> spectrum =
                floorSpectrumDb(readLevels(source, span), channels, size);
            if (!spectrum.empty())
                spectra[g].push_back(std::move(spectrum));
        }
    }
    // The shape the gaps share: the lower quartile of their middle pieces in
    // each bin, which a song's tail reaching into some of them does not lift.
    const std::size_t bins = std::size_t(size) / 2;
    std::vector<double> reference(bins, 0.0);
    for (std::size_t k = 0; k < bins; ++k) {
        std::vector<double> values;
        for (const auto& gap : spectra)
            if (!gap.empty())
                values.push_back(gap.front()[k]);
        if (values.empty())
            return;
        const auto quartile = static_cast<std::ptrdiff_t>(values.size() / 4);
        std::nth_element(values.begin(), values.begin() + quartile, values.end());
        reference[k] = values[std::size_t(quartile)];
    }
    const auto low = static_cast<std::size_t>(kLowestHz * size / rate);
    const auto high = static_cast<std::size_t>(kHighestFraction * size);
    std::vector<double> tones;
    for (std::size_t g = 0; g < clear.size(); ++g) {
        double least = 0.0;
        for (std::size_t p = 0; p < spectra[g].size(); ++p) {
            const double tone = standsOut(spectra[g][p], reference, low, high);
            least = p == 0 ? tone : std::min(least, tone);
        }
        detection.candidates[clear[g]].toneDb = least;
        tones.push_back(least);
    }
    const double typical = median(tones);
    for (std::size_t index : clear) {
        GapCandidate& gap = detection.candidates[index];
        if (typical > 0.0 && gap.toneDb > kStandsOutTimes * typical) {
            gap.hidesMusic = true;
            // Ranked as the stretch it is: one that never gets to the floor.
            gap.score -= 20.0 * std::min(gap.floorSeconds, 3.0);
        }
    }
}

} // namespace sundra
