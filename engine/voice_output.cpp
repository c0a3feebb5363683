// Second pass of the block mixer: each channel's low-pass filter and pan, the conversion to a
// sample, volume and envelope, the channel's mix gain and the wrapped sum into the block. The
// channels are independent here, so on processors with 512-bit vectors all eight run side by
// side, one lane each, with the very operations of the scalar code in the same order.
#include "block_voices.h"
#include "sample_math.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#define CHIMORA_WIDE_MIX 1
#include <immintrin.h>
#endif

namespace chimora {

namespace {

struct FrameOutput {
    std::int16_t left;
    std::int16_t right;
};

// One sounding frame of a channel after the first pass, exactly as voiceSample's filter and
// pan and the frame loop's output step compute it.
inline FrameOutput outputFrame(double raw, double level, const VoiceSettings& settings,
                               double& filterLeft, double& filterRight) {
    filterLeft = filterLeft + (raw - filterLeft) * settings.filterCoefficient;
    filterRight = filterRight + (raw - filterRight) * settings.filterCoefficient;
    filterLeft = filterLeft * settings.panLeft;
    filterRight = filterRight * settings.panRight;
    const std::int16_t left = toSample(filterLeft);
    const std::int16_t right = toSample(filterRight);
    return {toSample(left * settings.volumeGain * level),
            toSample(right * settings.volumeGain * level)};
}

// The frames of one of the channel's entries: [from, to).
struct EntrySpan {
    const VoiceSettings& settings;
    int from;
    int to;
};

// Calls `use` for each entry of a sounding channel, with the frames it covers.
template <typename Use>
void forEachEntry(const BlockVoices& voices, int channel, int frames, Use use) {
    const VoiceSettings* entries = voices.settings[channel];
    const int count = voices.settingsCount[channel];
    for (int entry = 0; entry < count; ++entry) {
        const int to = entry + 1 < count ? entries[entry + 1].fromFrame : frames;
        use(EntrySpan{entries[entry], entries[entry].fromFrame, to});
    }
}

// The frame's output: silent where the key is off, the filter untouched.
inline FrameOutput channelFrame(const BlockVoices& voices, int channel, int frame,
                                const VoiceSettings& settings, ChannelState& state) {
    if (!settings.sounding) return {0, 0};
    const double level = settings.levelVaries ? voices.level[frame][channel] : settings.level;
    return outputFrame(voices.raw[frame][channel], level, settings, state.filterLeft,
                       state.filterRight);
}

void mixChannelFramesPlain(Engine& engine, int frames, const BlockVoices& voices,
                           std::int16_t* block) {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        if (!voices.sounded[channel]) continue;
        ChannelState& state = engine.channels[channel];
        const double gain = state.mixGain;
        forEachEntry(voices, channel, frames, [&](const EntrySpan& span) {
            // A silent frame adds trunc(0 * gain), which is 0 for every gain.
            if (!span.settings.sounding) return;
            for (int frame = span.from; frame < span.to; ++frame) {
                const FrameOutput out = channelFrame(voices, channel, frame, span.settings, state);
                block[2 * frame] = wrapToSample(block[2 * frame] + toSample(out.left * gain));
                block[2 * frame + 1] =
                    wrapToSample(block[2 * frame + 1] + toSample(out.right * gain));
            }
        });
    }
}

#ifdef CHIMORA_WIDE_MIX

#define CHIMORA_WIDE __attribute__((target("avx512f,avx512dq,avx512vl,avx512bw")))

constexpr int TILE_FRAMES = 8;

// Each lane's values over a span of frames in which no channel's entry changes, and its filter
// states as the span goes.
struct WideLanes {
    alignas(64) double filterLeft[CHANNEL_COUNT];
    alignas(64) double filterRight[CHANNEL_COUNT];
    alignas(64) double coefficient[CHANNEL_COUNT];
    alignas(64) double panLeft[CHANNEL_COUNT];
    alignas(64) double panRight[CHANNEL_COUNT];
    alignas(64) double volumeGain[CHANNEL_COUNT];
    alignas(64) double level[CHANNEL_COUNT]; // where the level holds still
    alignas(64) double mixGain[CHANNEL_COUNT];
    unsigned sounding;    // lanes whose key is on
    unsigned levelVaries; // lanes whose level is read frame by frame
    // What each lane adds to the frames of the current tile of 8, left sides first. Only the
    // low 16 bits of each count, since the sum wraps to 16 bits.
    alignas(64) std::int16_t tile[TILE_FRAMES][2 * CHANNEL_COUNT];
};

// Conversions through the zero-masking forms, which say what the unused lanes hold (the plain
// forms leave them undefined, which the compiler warns about); with every lane selected they
// are the same instructions.
CHIMORA_WIDE inline __m256i truncateLanes(__m512d values) {
    return _mm512_maskz_cvttpd_epi32(static_cast<__mmask8>(0xFF), values);
}

CHIMORA_WIDE inline __m512d truncateToWhole(__m512d values) {
    return _mm512_maskz_roundscale_pd(static_cast<__mmask8>(0xFF), values,
                                      _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}

CHIMORA_WIDE inline __m512d widenLanes(__m256i values) {
    return _mm512_maskz_cvtepi32_pd(static_cast<__mmask8>(0xFF), values);
}

CHIMORA_WIDE inline __m256i wrapLanesToSamples(__m256i values) {
    return _mm256_srai_epi32(_mm256_slli_epi32(values, 16), 16);
}

// The frame for every lane by the scalar rules, from the filter states before the frame.
CHIMORA_WIDE void mixFrameScalar(const BlockVoices& voices, int frame, WideLanes& lanes) {
    std::int16_t* adds = lanes.tile[frame % TILE_FRAMES];
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        adds[channel] = 0;
        adds[CHANNEL_COUNT + channel] = 0;
        if (!(lanes.sounding >> channel & 1u)) continue;
        const VoiceSettings settings{frame,
                                     true,
                                     false,
                                     lanes.coefficient[channel],
                                     lanes.panLeft[channel],
                                     lanes.panRight[channel],
                                     lanes.volumeGain[channel],
                                     0.0};
        const double level =
            lanes.levelVaries >> channel & 1u ? voices.level[frame][channel] : lanes.level[channel];
        const FrameOutput out = outputFrame(voices.raw[frame][channel], level, settings,
                                            lanes.filterLeft[channel], lanes.filterRight[channel]);
        const double gain = lanes.mixGain[channel];
        adds[channel] = toSample(out.left * gain);
        adds[CHANNEL_COUNT + channel] = toSample(out.right * gain);
    }
}

// The sums of neighbouring 32-bit elements of a then b, in order.
CHIMORA_WIDE inline __m512i addNeighbours(__m512i a, __m512i b, __m512i evens, __m512i odds) {
    return _mm512_add_epi32(_mm512_permutex2var_epi32(a, evens, b),
                            _mm512_permutex2var_epi32(a, odds, b));
}

// Sums each frame's lanes of the tile into `count` frames of the block (the 16-bit sum wraps)
// and clears the tile.
CHIMORA_WIDE void sumTile(WideLanes& lanes, int count, std::int16_t* block) {
    // Pairs of lanes first, then pairs of pairs, and so on; each step keeps the order.
    const __m512i ones = _mm512_set1_epi16(1);
    const __m512i evens =
        _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odds =
        _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    __m512i pairs[4];
    for (int part = 0; part < 4; ++part) {
        pairs[part] = _mm512_madd_epi16(_mm512_load_si512(lanes.tile[2 * part]), ones);
        _mm512_store_si512(lanes.tile[2 * part], _mm512_setzero_si512());
    }
    const __m512i sums = addNeighbours(addNeighbours(pairs[0], pairs[1], evens, odds),
                                       addNeighbours(pairs[2], pairs[3], evens, odds), evens, odds);
    const __m256i samples = _mm512_maskz_cvtepi32_epi16(static_cast<__mmask16>(0xFFFF), sums);
    _mm256_mask_storeu_epi16(block, static_cast<__mmask16>((1u << (2 * count)) - 1u), samples);
}

// The lanes' settings over a span.
struct SpanSettings {
    __m512d coefficient, panLeft, panRight, volumeGain;
};

CHIMORA_WIDE inline SpanSettings spanSettings(const WideLanes& lanes) {
    return {_mm512_load_pd(lanes.coefficient), _mm512_load_pd(lanes.panLeft),
            _mm512_load_pd(lanes.panRight), _mm512_load_pd(lanes.volumeGain)};
}

// The raw values of the frame, one lane per channel.
CHIMORA_WIDE inline __m512d rawLanes(const BlockVoices& voices, int frame) {
    return widenLanes(
        _mm256_cvtepi16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(voices.raw[frame]))));
}

// One step of every lane's filter: toward the raw value, then the pan, inside the feedback.
CHIMORA_WIDE inline __m512d filterStep(__m512d state, __m512d raw, __m512d coefficient,
                                       __m512d pan) {
    return _mm512_mul_pd(
        _mm512_add_pd(state, _mm512_mul_pd(_mm512_sub_pd(raw, state), coefficient)), pan);
}

// Keeps what each lane adds to the frame in the tile.
CHIMORA_WIDE inline void keepFrame(WideLanes& lanes, int frame, __m256i left, __m256i right) {
    const __m512i adds = _mm512_maskz_inserti64x4(static_cast<__mmask8>(0xFF),
                                                  _mm512_castsi256_si512(left), right, 1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.tile[frame % TILE_FRAMES]),
                       _mm512_maskz_cvtepi32_epi16(static_cast<__mmask16>(0xFFFF), adds));
}

// After the last frame of a tile, its sums go to the block.
CHIMORA_WIDE inline void sumTileAfter(WideLanes& lanes, int frame, std::int16_t* block) {
    if (frame % TILE_FRAMES == TILE_FRAMES - 1) {
        sumTile(lanes, TILE_FRAMES, block + 2 * (frame - (TILE_FRAMES - 1)));
    }
}

// The frames [from, to) of all lanes. The raw values of lanes whose key is off are whatever
// the array holds; those lanes keep their filter states and add nothing.
template <bool ScaledMix, bool LevelVaries>
CHIMORA_WIDE void mixSpan(const BlockVoices& voices, int from, int to, WideLanes& lanes,
                          std::int16_t* block) {
    const SpanSettings settings = spanSettings(lanes);
    const __m512d heldLevel = _mm512_load_pd(lanes.level);
    const __m512d mixGain = _mm512_load_pd(lanes.mixGain);
    const __m256i outOfRange = _mm256_set1_epi32(INT32_MIN);
    const __m512d sampleLimit = _mm512_set1_pd(32768.0);
    const auto key = static_cast<__mmask8>(lanes.sounding);
    const auto levelVaries = static_cast<__mmask8>(lanes.levelVaries);
    // Lanes whose key is off run on regardless and take their states back at the end.
    const __m512d heldLeft = _mm512_load_pd(lanes.filterLeft);
    const __m512d heldRight = _mm512_load_pd(lanes.filterRight);
    __m512d filterLeft = heldLeft;
    __m512d filterRight = heldRight;
    for (int frame = from; frame < to; ++frame) {
        const __m512d raw = rawLanes(voices, frame);
        __m512d level = heldLevel;
        if constexpr (LevelVaries) {
            level = _mm512_mask_load_pd(heldLevel, levelVaries, voices.level[frame]);
        }
        const __m512d nextLeft =
            filterStep(filterLeft, raw, settings.coefficient, settings.panLeft);
        const __m512d nextRight =
            filterStep(filterRight, raw, settings.coefficient, settings.panRight);
        // The filter states truncated; within -32767..32767 keeping the low 16 bits changes
        // nothing, and any other lane (or one that is not a number) takes the scalar rules.
        const __m512d left = truncateToWhole(nextLeft);
        const __m512d right = truncateToWhole(nextRight);
        const __mmask8 inRange = _mm512_mask_cmp_pd_mask(
            _mm512_mask_cmp_pd_mask(key, _mm512_abs_pd(left), sampleLimit, _CMP_LT_OQ),
            _mm512_abs_pd(right), sampleLimit, _CMP_LT_OQ);
        const __m512d scaledLeft = _mm512_mul_pd(_mm512_mul_pd(left, settings.volumeGain), level);
        const __m512d scaledRight = _mm512_mul_pd(_mm512_mul_pd(right, settings.volumeGain), level);
        // cvttpd gives INT32_MIN for anything it cannot convert, and INT32_MIN's low 16 bits
        // are those of a true -2^31: any other such lane takes the scalar rules.
        __m256i outLeft = truncateLanes(scaledLeft);
        __m256i outRight = truncateLanes(scaledRight);
        __mmask8 unsure =
            _kor_mask8(_kandn_mask8(inRange, key),
                       _kor_mask8(_mm256_mask_cmpeq_epi32_mask(key, outLeft, outOfRange),
                                  _mm256_mask_cmpeq_epi32_mask(key, outRight, outOfRange)));
        if constexpr (ScaledMix) {
            outLeft =
                truncateLanes(_mm512_mul_pd(widenLanes(wrapLanesToSamples(outLeft)), mixGain));
            outRight =
                truncateLanes(_mm512_mul_pd(widenLanes(wrapLanesToSamples(outRight)), mixGain));
            unsure = _kor_mask8(
                unsure, _kor_mask8(_mm256_mask_cmpeq_epi32_mask(key, outLeft, outOfRange),
                                   _mm256_mask_cmpeq_epi32_mask(key, outRight, outOfRange)));
        }
        // A silent lane adds trunc(0 * mixGain), which is 0 for every gain.
        outLeft = _mm256_maskz_mov_epi32(key, outLeft);
        outRight = _mm256_maskz_mov_epi32(key, outRight);
        if (!_kortestz_mask8_u8(unsure, unsure)) [[unlikely]] {
            _mm512_store_pd(lanes.filterLeft, filterLeft);
            _mm512_store_pd(lanes.filterRight, filterRight);
            mixFrameScalar(voices, frame, lanes);
            filterLeft = _mm512_load_pd(lanes.filterLeft);
            filterRight = _mm512_load_pd(lanes.filterRight);
        } else {
            filterLeft = nextLeft;
            filterRight = nextRight;
            keepFrame(lanes, frame, outLeft, outRight);
        }
        sumTileAfter(lanes, frame, block);
    }
    _mm512_store_pd(lanes.filterLeft, _mm512_mask_mov_pd(heldLeft, key, filterLeft));
    _mm512_store_pd(lanes.filterRight, _mm512_mask_mov_pd(heldRight, key, filterRight));
}

// True when no conversion of the span can fall outside 16 bits, for any lane: filter
// coefficients, pans and volumes within 0..1, filter states within -32768..32767, the key-on
// lanes' levels within 0..1 and mixed at gain 1. Each filter step then mixes its state with a
// 16-bit raw value, within the range of both (its rounding errors are far below one unit), and
// the pan, volume and level only bring it closer to 0.
bool boundedSpan(const WideLanes& lanes) {
    const auto within = [](double value, double low, double high) {
        return value >= low && value <= high;
    };
    if (lanes.levelVaries != 0) return false;
    for (int lane = 0; lane < CHANNEL_COUNT; ++lane) {
        const bool keyOn = (lanes.sounding >> lane & 1u) != 0;
        if (!within(lanes.coefficient[lane], 0.0, 1.0) || !within(lanes.panLeft[lane], 0.0, 1.0) ||
            !within(lanes.panRight[lane], 0.0, 1.0) || !within(lanes.volumeGain[lane], 0.0, 1.0) ||
            !within(lanes.filterLeft[lane], -32768.0, 32767.0) ||
            !within(lanes.filterRight[lane], -32768.0, 32767.0) ||
            (keyOn && (!within(lanes.level[lane], 0.0, 1.0) || lanes.mixGain[lane] != 1.0))) {
            return false;
        }
    }
    return true;
}

// mixSpan for a bounded span: no conversion needs checking.
CHIMORA_WIDE void mixBoundedSpan(const BlockVoices& voices, int from, int to, WideLanes& lanes,
                                 std::int16_t* block) {
    const SpanSettings settings = spanSettings(lanes);
    const auto key = static_cast<__mmask8>(lanes.sounding);
    // Lanes whose key is off run on regardless, add trunc(x * 0) = 0 and take their filter
    // states back at the end.
    const __m512d level = _mm512_maskz_mov_pd(key, _mm512_load_pd(lanes.level));
    const __m512d heldLeft = _mm512_load_pd(lanes.filterLeft);
    const __m512d heldRight = _mm512_load_pd(lanes.filterRight);
    __m512d filterLeft = heldLeft;
    __m512d filterRight = heldRight;
    for (int frame = from; frame < to; ++frame) {
        const __m512d raw = rawLanes(voices, frame);
        filterLeft = filterStep(filterLeft, raw, settings.coefficient, settings.panLeft);
        filterRight = filterStep(filterRight, raw, settings.coefficient, settings.panRight);
        const __m512d left = truncateToWhole(filterLeft);
        const __m512d right = truncateToWhole(filterRight);
        const __m256i outLeft =
            truncateLanes(_mm512_mul_pd(_mm512_mul_pd(left, settings.volumeGain), level));
        const __m256i outRight =
            truncateLanes(_mm512_mul_pd(_mm512_mul_pd(right, settings.volumeGain), level));
        keepFrame(lanes, frame, outLeft, outRight);
        sumTileAfter(lanes, frame, block);
    }
    _mm512_store_pd(lanes.filterLeft, _mm512_mask_mov_pd(heldLeft, key, filterLeft));
    _mm512_store_pd(lanes.filterRight, _mm512_mask_mov_pd(heldRight, key, filterRight));
}

CHIMORA_WIDE void mixChannelFramesWide(Engine& engine, int frames, const BlockVoices& voices,
                                       std::int16_t* block) {
    WideLanes lanes;
    std::fill(&lanes.tile[0][0], &lanes.tile[0][0] + sizeof lanes.tile / sizeof(std::int16_t),
              std::int16_t{0});
    bool scaledMix = false;
    int entry[CHANNEL_COUNT] = {};
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const ChannelState& state = engine.channels[channel];
        lanes.filterLeft[channel] = state.filterLeft;
        lanes.filterRight[channel] = state.filterRight;
        lanes.mixGain[channel] = state.mixGain;
        if (voices.sounded[channel] && state.mixGain != 1.0) scaledMix = true;
    }
    int frame = 0;
    while (frame < frames) {
        int spanEnd = frames;
        lanes.sounding = 0;
        lanes.levelVaries = 0;
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            const VoiceSettings* entries = voices.settings[channel];
            const int count = voices.settingsCount[channel];
            int& at = entry[channel];
            while (at + 1 < count && entries[at + 1].fromFrame <= frame) ++at;
            const VoiceSettings& settings = entries[at];
            lanes.coefficient[channel] = settings.filterCoefficient;
            lanes.panLeft[channel] = settings.panLeft;
            lanes.panRight[channel] = settings.panRight;
            lanes.volumeGain[channel] = settings.volumeGain;
            lanes.level[channel] = settings.level;
            lanes.sounding |= (settings.sounding ? 1u : 0u) << channel;
            lanes.levelVaries |= (settings.levelVaries ? 1u : 0u) << channel;
            if (at + 1 < count && entries[at + 1].fromFrame < spanEnd) {
                spanEnd = entries[at + 1].fromFrame;
            }
        }
        if (lanes.sounding == 0) {
            // The frames stay 0 and add nothing to their tiles; a tile begun before them that
            // they see to its end is summed here.
            const int tileStart = frame - frame % TILE_FRAMES;
            if (frame != tileStart && spanEnd >= tileStart + TILE_FRAMES) {
                sumTile(lanes, TILE_FRAMES, block + 2 * tileStart);
            }
            frame = spanEnd;
            continue;
        }
        const bool varies = lanes.levelVaries != 0;
        if (boundedSpan(lanes)) {
            mixBoundedSpan(voices, frame, spanEnd, lanes, block);
        } else if (scaledMix) {
            if (varies) {
                mixSpan<true, true>(voices, frame, spanEnd, lanes, block);
            } else {
                mixSpan<true, false>(voices, frame, spanEnd, lanes, block);
            }
        } else if (varies) {
            mixSpan<false, true>(voices, frame, spanEnd, lanes, block);
        } else {
            mixSpan<false, false>(voices, frame, spanEnd, lanes, block);
        }
        frame = spanEnd;
    }
    if (frames % TILE_FRAMES != 0) {
        const int tileStart = frames - frames % TILE_FRAMES;
        sumTile(lanes, frames - tileStart, block + 2 * tileStart);
    }
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        if (!voices.sounded[channel]) continue;
        engine.channels[channel].filterLeft = lanes.filterLeft[channel];
        engine.channels[channel].filterRight = lanes.filterRight[channel];
    }
}

// Eight samples at a time, the gain read for each eight; a gain of exactly 1 changes nothing.
CHIMORA_WIDE void applyMasterGainWide(std::int16_t* block, const std::atomic<double>& masterGain) {
    const __m256i outOfRange = _mm256_set1_epi32(INT32_MIN);
    for (int start = 0; start < BLOCK_SAMPLES; start += 8) {
        const double gain = masterGain.load(std::memory_order_relaxed);
        if (gain == 1.0) continue;
        const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + start));
        const __m512d scaled =
            _mm512_mul_pd(widenLanes(_mm256_cvtepi16_epi32(samples)), _mm512_set1_pd(gain));
        const __m256i truncated = truncateLanes(scaled);
        if (_mm256_cmpeq_epi32_mask(truncated, outOfRange) != 0) [[unlikely]] {
            for (int sample = start; sample < start + 8; ++sample) {
                block[sample] = toSample(block[sample] * gain);
            }
            continue;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(block + start),
                         _mm256_cvtepi32_epi16(truncated));
    }
}

bool wideMixAvailable() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw");
}

#endif

} // namespace

bool& wideMixing() {
#ifdef CHIMORA_WIDE_MIX
    static bool enabled = wideMixAvailable();
#else
    static bool enabled = false;
#endif
    return enabled;
}

void applyMasterGain(std::int16_t* block, const std::atomic<double>& masterGain) {
#ifdef CHIMORA_WIDE_MIX
    if (wideMixing()) {
        applyMasterGainWide(block, masterGain);
        return;
    }
#endif
    for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
        block[sample] = toSample(block[sample] * masterGain.load(std::memory_order_relaxed));
    }
}

void writeChannelFrames(ChannelState& state, int channel, int frames, const BlockVoices& voices,
                        std::int16_t* out) {
    forEachEntry(voices, channel, frames, [&](const EntrySpan& span) {
        for (int frame = span.from; frame < span.to; ++frame) {
            const FrameOutput sample = channelFrame(voices, channel, frame, span.settings, state);
            out[2 * frame] = sample.left;
            out[2 * frame + 1] = sample.right;
        }
    });
}

void mixChannelFrames(Engine& engine, int frames, const BlockVoices& voices, std::int16_t* block) {
#ifdef CHIMORA_WIDE_MIX
    if (wideMixing()) {
        mixChannelFramesWide(engine, frames, voices, block);
        return;
    }
#endif
    mixChannelFramesPlain(engine, frames, voices, block);
}

} // namespace chimora
