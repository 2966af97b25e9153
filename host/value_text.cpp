// Numbers as the short texts a host shows beside a parameter: the framework's
// conversions, each written by the bounded rule (see bounded_text.h).
#include "host/bounded_text.h"
#include "host/decimal_logarithm.h"
#include "host/effect_base.h"
#include "host/number_text.h"

namespace {
constexpr std::string_view kHuge = "Huge!";
constexpr std::string_view kMinusInfinity = "-oo";
}  // namespace

void EffectBase::float2string(float value, char* text, VstInt32 maxLength) { floatText(value, text, maxLength); }

void EffectBase::int2string(VstInt32 value, char* text, VstInt32 maxLength) { integerText(value, text, maxLength); }

void EffectBase::dB2string(float value, char* text, VstInt32 maxLength) {
    if (value > 0) {
        float2string(static_cast<float>(20.0f * decimalLogarithm(static_cast<double>(value))), text, maxLength);
    } else {
        copyBounded(text, kMinusInfinity, maxLength);
    }
}

void EffectBase::Hz2string(float samples, char* text, VstInt32 maxLength) {
    const float rate = getSampleRate();
    if (samples == 0) {
        float2string(0.0f, text, maxLength);
    } else {
        float2string(static_cast<float>(static_cast<double>(rate) / samples), text, maxLength);
    }
}

void EffectBase::ms2string(float samples, char* text, VstInt32 maxLength) {
    const float rate = getSampleRate();
    if (rate == 0) {
        // No time passes per sample: no duration to show.
        copyBounded(text, kHuge, maxLength);
        return;
    }
    float2string(static_cast<float>(static_cast<double>(samples) * 1000.0f / rate), text, maxLength);
}
