// Numbers as the short texts a host shows beside a parameter, needing no
// effect object: the framework's float2string and int2string write these,
// and so does the value text of a parameter computed from a value alone.
#pragma once

#include "abi/vst2_abi.h"

// Sign, integer digits, point and truncated fraction digits, eight places in
// all; "NaN", or "Huge!" beyond what eight places hold.
void floatText(float value, char* text, VstInt32 maxLength);
// Decimal digits without leading zeros; "Huge!" from 10^8 up and at -10^9 and
// below.
void integerText(VstInt32 value, char* text, VstInt32 maxLength);
