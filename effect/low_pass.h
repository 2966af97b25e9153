// The one-pole low-pass filter of each channel, with the gain in front:
//   state <- ((input * gain - state) * coefficient) * lfo + state
// in double precision, rounded to float once; the new state is also the
// output sample. The gain is the amplitude envelope, the coefficient the
// filter envelope, the lfo the triangle oscillator.
#pragma once

#include <cmath>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLBEAT_PAIRED_LOW_PASS 1
#endif

// A filter state is kept only while it is a normal float: a non-finite one
// (from non-finite input) and a subnormal one (a decay that would otherwise
// stick just above zero for ever) become 0. A double beyond the float range
// (from parameters far outside 0 to 1) becomes an infinity when narrowed, as
// IEEE 754 arithmetic defines, and so is dropped the same way.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);
inline float settleFilterState(double next) {
    const float state = static_cast<float>(next);
    const int kind = std::fpclassify(state);
    return (kind == FP_SUBNORMAL || kind == FP_INFINITE || kind == FP_NAN) ? 0.0f : state;
}

// One channel, one frame: the new state, which is also the output sample.
inline float lowPass(float input, float gain, float coefficient, float lfo, float state) {
    const double target = static_cast<double>(input) * gain - state;
    return settleFilterState(target * coefficient * lfo + state);
}

// Both channels' filter states as the effect stores them between blocks; each
// is also the last output sample of its channel. Written and read by the
// audio thread only.
struct StereoLowPassState {
    float left;
    float right;
};

// The two channels one after the other, through lowPass.
class PortableStereoLowPass {
public:
    static PortableStereoLowPass load(const StereoLowPassState& state) { return PortableStereoLowPass(state); }
    void store(StereoLowPassState& state) const { state = current; }

    // One frame; the gain, coefficient and lfo are float values, widened.
    void run(float left, float right, double gain, double coefficient, double lfo, float* outLeft,
             float* outRight) {
        const auto g = static_cast<float>(gain);
        const auto c = static_cast<float>(coefficient);
        const auto l = static_cast<float>(lfo);
        current.left = lowPass(left, g, c, l, current.left);
        current.right = lowPass(right, g, c, l, current.right);
        *outLeft = current.left;
        *outRight = current.right;
    }

private:
    explicit PortableStereoLowPass(const StereoLowPassState& state) : current(state) {}

    StereoLowPassState current;
};

#ifdef QUILLBEAT_PAIRED_LOW_PASS
// Both channels in one SSE2 register of two doubles, on every x86 target
// (x86-64, and 32-bit builds, which require SSE2). Both apply the same
// recurrence with the same gain, coefficient and oscillator value, and each
// lane does exactly the operations of lowPass, in the same order, with the
// same rounding, so the results are the same bits.
//
// Settling a non-finite or subnormal state to 0 is a rarely taken branch
// after the rounded state is kept, not a step between the rounding and the
// next frame.
class PairedStereoLowPass {
public:
    static PairedStereoLowPass load(const StereoLowPassState& state) { return PairedStereoLowPass(state); }
    void store(StereoLowPassState& state) const {
        state.left = static_cast<float>(_mm_cvtsd_f64(current));
        state.right = static_cast<float>(_mm_cvtsd_f64(_mm_unpackhi_pd(current, current)));
    }

    // One frame; the gain, coefficient and lfo are float values, widened.
    void run(float left, float right, double gain, double coefficient, double lfo, float* outLeft,
             float* outRight) {
        const __m128d input = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_set_ss(left), _mm_set_ss(right)));
        const __m128d target = _mm_sub_pd(_mm_mul_pd(input, _mm_set1_pd(gain)), current);
        const __m128d next =
            _mm_add_pd(_mm_mul_pd(_mm_mul_pd(target, _mm_set1_pd(coefficient)), _mm_set1_pd(lfo)), current);
        __m128 rounded = _mm_cvtpd_ps(next);
        // The next frame's state first, then the check.
        current = _mm_cvtps_pd(rounded);
        if (needsSettling(rounded)) [[unlikely]] {
            rounded = settled(next);
            current = _mm_cvtps_pd(rounded);
        }
        _mm_store_ss(outLeft, rounded);
        _mm_store_ss(outRight, _mm_shuffle_ps(rounded, rounded, 1));
    }

private:
    explicit PairedStereoLowPass(const StereoLowPassState& state)
        : current(_mm_cvtps_pd(_mm_setr_ps(state.left, state.right, 0.0f, 0.0f))) {}

    // True when either rounded state is subnormal, infinite or not a number:
    // its exponent field is all zeros or all ones, and it is not zero. Done on
    // the bits, doubled to drop the sign: adding 0x81000000 then sends those
    // two exponents, and only them, below 0x82000000 as signed numbers.
    static bool needsSettling(__m128 rounded) {
        const __m128i bits = _mm_castps_si128(rounded);
        const __m128i doubled = _mm_add_epi32(bits, bits);
        const __m128i shifted = _mm_add_epi32(doubled, _mm_set1_epi32(static_cast<int>(0x81000000u)));
        const __m128i extremeExponent = _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<int>(0x82000000u)), shifted);
        const __m128i zero = _mm_cmpeq_epi32(doubled, _mm_setzero_si128());
        return (_mm_movemask_ps(_mm_castsi128_ps(_mm_andnot_si128(zero, extremeExponent))) & 0x3) != 0;
    }

    // Both lanes settled one by one, exactly as lowPass settles them.
    static __m128 settled(__m128d next) {
        return _mm_setr_ps(settleFilterState(_mm_cvtsd_f64(next)),
                           settleFilterState(_mm_cvtsd_f64(_mm_unpackhi_pd(next, next))), 0.0f, 0.0f);
    }

    // Both channel states; each lane holds a float value, widened.
    __m128d current;
};

using StereoLowPass = PairedStereoLowPass;
#else
// Without SSE2 (arm64).
using StereoLowPass = PortableStereoLowPass;
#endif
