// What a plug-in's freshly opened window must show, whatever window system
// shows it: the editor's drawing of the values in use, which are the host's
// too until something changes them, at a rate and scale.
#pragma once

#include <cstddef>

#include "editor/canvas.h"
#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/editor_model.h"
#include "effect/parameters.h"
#include "player/plugin_instance.h"

inline Canvas expectedEditorPicture(PluginInstance& plugin, double sampleRate, double scale) {
    struct NoLink final : EditLink {
        void beginEdit(int) override {}
        void changeValue(int, float) override {}
        void endEdit(int) override {}
    } link;
    EditorModel model(link);
    for (int i = 0; i < kParameterCount; ++i) {
        const auto value = static_cast<float>(plugin.valueInUse(static_cast<std::size_t>(i)));
        model.setHostValue(i, value);
        model.setValueInUse(i, value);
    }
    model.setSampleRate(sampleRate);
    Canvas canvas(static_cast<int>(editorWidthAt(scale)), static_cast<int>(editorHeightAt(scale)));
    drawEditor(canvas, model.picture(), scale);
    return canvas;
}
