// The two channels' low-pass filters, run side by side. Both channels apply
// the same recurrence with the same gain, coefficient and oscillator value,
// so on x86-64 they share one SSE2 register of two doubles: each lane does
// exactly the operations of lowPass, in the same order, with the same
// rounding, so the results are the same bits. Elsewhere the two channels go
// through lowPass one after the other.
//
// Every frame waits for the previous frame's rounded state, so the chain
// widen - subtract - multiply - multiply - add - round is what sets the pace.
// Settling a non-finite or subnormal state to 0 is kept off that chain: the
// test is a rarely taken branch, and the next frame goes on with the rounded
// state meanwhile.
#pragma once

#include "effect/envelope.h"

#if defined(__SSE2__) || defined(_M_X64)
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
    // lfo + state, settled; the new states are also the output samples.
    void run(float left, float right, float gain, float coefficient, float lfo, float* outLeft, float* outRight) {
#ifdef QUILLBEAT_PAIRED_LOW_PASS
        const __m128d input = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_set_ss(left), _mm_set_ss(right)));
        const __m128d target = _mm_sub_pd(_mm_mul_pd(input, _mm_set1_pd(gain)), state);
        const __m128d next =
            _mm_add_pd(_mm_mul_pd(_mm_mul_pd(target, _mm_set1_pd(coefficient)), _mm_set1_pd(lfo)), state);
        __m128 rounded = _mm_cvtpd_ps(next);
        if (QUILLBEAT_UNLIKELY(needsSettling(rounded))) rounded = settled(next);
        state = _mm_cvtps_pd(rounded);
        _mm_store_ss(outLeft, rounded);
        _mm_store_ss(outRight, _mm_shuffle_ps(rounded, rounded, 1));
#else
        stateLeft = lowPass(left, gain, coefficient, lfo, stateLeft);
        stateRight = lowPass(right, gain, coefficient, lfo, stateRight);
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
    // True when either rounded state is subnormal, infinite or not a number.
    static bool needsSettling(__m128 rounded) {
        const __m128 magnitude = _mm_and_ps(rounded, _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)));
        const __m128 subnormal = _mm_and_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(0x1p-126f)),
                                            _mm_cmpneq_ps(magnitude, _mm_setzero_ps()));
        // Not at most the largest float: infinite, or not a number.
        const __m128 nonFinite = _mm_cmpnle_ps(magnitude, _mm_set1_ps(0x1.fffffep127f));
        return (_mm_movemask_ps(_mm_or_ps(subnormal, nonFinite)) & 0x3) != 0;
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
