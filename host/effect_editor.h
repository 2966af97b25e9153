// What the dispatcher needs of an editor window. No effect of ours has one,
// but the record reserves a slot for it and the editor requests are routed here
// when an effect class attaches one.
#pragma once

#include "abi/vst2_abi.h"

class EffectEditor {
public:
    virtual ~EffectEditor() = default;
    virtual bool getRect(ERect** rect) = 0;
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    virtual bool onKeyDown(VstKeyCode& key) = 0;
    virtual bool onKeyUp(VstKeyCode& key) = 0;
    virtual bool setKnobMode(VstInt32 mode) = 0;
};
