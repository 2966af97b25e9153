#include "effect/display_text.h"

#include "effect/parameter_scales.h"
#include "effect/parameters.h"
#include "host/bounded_text.h"
#include "host/number_text.h"

void displayText(int index, float value, char* text) {
    if (index < 0 || index >= kParameterCount || text == nullptr) return;
    switch (kParameterTable[index].valueText) {
        case ValueText::Number:
            floatText(value, text, kVstMaxParamStrLen);
            break;
        case ValueText::TriggerCount:
            integerText(triggersPerStep(value), text, kVstMaxParamStrLen);
            break;
        case ValueText::SwitchMode:
            copyWithTerminator(text, kSwitchModes[static_cast<int>(switchMode(value))].label);
            break;
        case ValueText::BeatsPerMinute:
            integerText(beatsPerMinute(value), text, kVstMaxParamStrLen);
            break;
    }
}
