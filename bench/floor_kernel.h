// The arithmetic floor of the audio path: its one-pole low-pass recurrence
// alone, with steady gain, coefficient and oscillator values. Each frame
// widens the float state to double, forms ((L * gain - s) * coefficient) * lfo
// + s in that order, and rounds the result back to the float state, for both
// channels. That chain of dependent operations is what every frame of the
// effect must wait for; all the effect's other work can at best hide behind
// it. The two channels run side by side in one SSE2 register of two doubles
// where the target has it, as in the effect.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

struct FloorSettings {
    float gain = 0.9f;
    float coefficient = 0.5f;
    float lfo = 0.96f;
};

// The recurrence written per channel in plain C++: the portable form. Where
// both forms exist, the floor is whichever is faster in the run.
inline void scalarFloorKernel(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                              int frames, const FloorSettings& settings, float state[2]) {
    const double gain = settings.gain, coefficient = settings.coefficient, lfo = settings.lfo;
    float left = state[0], right = state[1];
    for (int i = 0; i < frames; ++i) {
        left = static_cast<float>(((inLeft[i] * gain - left) * coefficient) * lfo + left);
        right = static_cast<float>(((inRight[i] * gain - right) * coefficient) * lfo + right);
        outLeft[i] = left;
        outRight[i] = right;
    }
    state[0] = left;
    state[1] = right;
}

// Runs `frames` frames and leaves the final states in `state`.
inline void floorKernel(const float* inLeft, const float* inRight, float* outLeft, float* outRight, int frames,
                        const FloorSettings& settings, float state[2]) {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128d gain = _mm_set1_pd(settings.gain);
    const __m128d coefficient = _mm_set1_pd(settings.coefficient);
    const __m128d lfo = _mm_set1_pd(settings.lfo);
    __m128d s = _mm_cvtps_pd(_mm_setr_ps(state[0], state[1], 0.0f, 0.0f));
    for (int i = 0; i < frames; ++i) {
        const __m128d in = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(inLeft + i), _mm_load_ss(inRight + i)));
        const __m128d target = _mm_sub_pd(_mm_mul_pd(in, gain), s);
        const __m128 next = _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(_mm_mul_pd(target, coefficient), lfo), s));
        _mm_store_ss(outLeft + i, next);
        _mm_store_ss(outRight + i, _mm_shuffle_ps(next, next, 1));
        s = _mm_cvtps_pd(next);
    }
    state[0] = static_cast<float>(_mm_cvtsd_f64(s));
    state[1] = static_cast<float>(_mm_cvtsd_f64(_mm_unpackhi_pd(s, s)));
#else
    scalarFloorKernel(inLeft, inRight, outLeft, outRight, frames, settings, state);
#endif
}

