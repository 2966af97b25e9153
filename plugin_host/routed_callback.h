// One host callback for several effects at once: the callback carries no user
// data, so each call is routed by the calling record's address to the
// object that answers for that effect. Calls that an entry point makes
// before its record exists go to the object that is opening it.
#pragma once

#include "host/vst2_abi.h"
#include "plugin_host/plugin_library.h"

// Answers the calls of one effect.
class HostAnswerer {
public:
    virtual VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) = 0;

protected:
    ~HostAnswerer() = default;
};

// Calls `entry` with the routed callback and returns the record it gives, or
// null. The effect's calls, from inside the entry point on, go to `answerer`
// until forgetEffect.
AEffect* openRoutedEffect(PluginEntry entry, HostAnswerer& answerer);

// The effect's calls are stray calls from now on.
void forgetEffect(AEffect* effect);

// Stray calls, from a record that is not open (a plug-in that calls back with
// a null or a closed record), go to `answerer`; with none they get 0.
void answerStrayCallsWith(HostAnswerer* answerer);
