// The two channels' low-pass filters, run side by side. Both channels apply
// the same recurrence with the same gain, coefficient and oscillator value,
// so on x86 (x86-64, and 32-bit builds, which require SSE2) they share one
// SSE2 register of two doubles: each lane does exactly the operations of
// lowPass, in the same order, with the same rounding, so the results are the
// same bits. Elsewhere (arm64) the two channels go through lowPass one after
// the other (and also on x86 when built with QUILLBEAT_PORTABLE_ONLY defined,
// to check that path there).
//
// Every frame waits for the previous frame's rounded state, so the chain
// widen - subtract - multiply - multiply - add - round is what sets the pace.
// Settling a non-finite or subnormal state to 0 is kept off that chain: the
// test is a rarely taken branch, and the next frame goes on with the rounded
// state meanwhile.
#pragma once

#include "effect/envelope.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(QUILLBEAT_PORTABLE_ONLY)
#include <emmintrin.h>
#define QUILLBEAT_PAIRED_LOW_PASS 1
#endif

#if defined(__GNUC__)
#define QUILLBEAT_UNLIKELY(condition) __builtin_expect(!!(condition), 0)
#else
#define QUILLBEAT_UNLIKELY(condition) (condition)
#endif

class StereoLowPass {
public:
    StereoLowPass(float left, float right) {
#ifdef QUILLBEAT_PAIRED_LOW_PASS
        state = _mm_cvtps_pd(_mm_setr_ps(left, right, 0.0f, 0.0f));
#else
        stateLeft = left;
        stateRight = right;
#endif
    }

    // One frame: each state becomes ((input * gain - state) * coefficient) *
    // lfo + state, settled; the new states are also the output samples. The
    // gain, coefficient and lfo are float values, widened.
    void run(float left, float right, double gain, double coefficient, double lfo, float* outLeft,
             float* outRight) {
#ifdef QUILLBEAT_PAIRED_LOW_PASS
        const __m128d input = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_set_ss(left), _mm_set_ss(right)));
        const __m128d target = _mm_sub_pd(_mm_mul_pd(input, _mm_set1_pd(gain)), state);
        const __m128d next =
            _mm_add_pd(_mm_mul_pd(_mm_mul_pd(target, _mm_set1_pd(coefficient)), _mm_set1_pd(lfo)), state);
        __m128 rounded = _mm_cvtpd_ps(next);
        // The next frame's state first, so that the processor, which favours
        // the oldest work, does not put the check before it.
        state = _mm_cvtps_pd(rounded);
        if (QUILLBEAT_UNLIKELY(needsSettling(rounded))) {
            rounded = settled(next);
            state = _mm_cvtps_pd(rounded);
        }
        _mm_store_ss(outLeft, rounded);
        _mm_store_ss(outRight, _mm_shuffle_ps(rounded, rounded, 1));
#else
        stateLeft = lowPass(left, static_cast<float>(gain), static_cast<float>(coefficient), static_cast<float>(lfo),
                            stateLeft);
        stateRight = lowPass(right, static_cast<float>(gain), static_cast<float>(coefficient),
                             static_cast<float>(lfo), stateRight);
        *outLeft = stateLeft;
        *outRight = stateRight;
#endif
    }

    float left() const {
#ifdef QUILLBEAT_PAIRED_LOW_PASS
        return static_cast<float>(_mm_cvtsd_f64(state));
#else
        return stateLeft;
#endif
    }

    float right() const {
#ifdef QUILLBEAT_PAIRED_LOW_PASS
        return static_cast<float>(_mm_cvtsd_f64(_mm_unpackhi_pd(state, state)));
#else
        return stateRight;
#endif
    }

private:
#ifdef QUILLBEAT_PAIRED_LOW_PASS
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
    __m128d state;
#else
    float stateLeft;
    float stateRight;
#endif
};
