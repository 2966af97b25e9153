// The LV2 edition's window: an X11 UI in a library of its own, so that the
// plug-in's library links no window system. The host's port events feed the
// editor's model (the controls, the values in use and the step from the
// plug-in's outputs); each edit goes back as a port write between ui:touch
// calls where the host offers them. The model lives as long as the UI
// instance, and with it the Tempo helper's beats a step: a window opened
// again starts at two.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "editor/editor_model.h"
#include "editor/x11/x11_editor_window.h"
#include "lv2/port_layout.h"
#include "lv2/ui/host_features.h"

namespace {

// The window's scale: the host's, within what a screen shows whole.
constexpr double kSmallestScale = 0.5;
constexpr double kLargestScale = 4.0;

// The editor's edits as the host hears them: a parameter's port is its
// index.
class PortWriter final : public EditLink {
public:
    PortWriter(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
        : write(write), controller(controller), touch(touch) {}

    void beginEdit(int parameter) override { touchPort(parameter, true); }
    void changeValue(int parameter, float value) override {
        if (write != nullptr) write(controller, port::kFirstParameter + static_cast<std::uint32_t>(parameter), sizeof value, 0, &value);
    }
    void endEdit(int parameter) override { touchPort(parameter, false); }

private:
    void touchPort(int parameter, bool grabbed) {
        if (touch != nullptr && touch->touch != nullptr)
            touch->touch(touch->handle, port::kFirstParameter + static_cast<std::uint32_t>(parameter), grabbed);
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Touch* touch;
};

struct Ui {
    Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
        : writer(write, controller, touch), model(writer) {}

    PortWriter writer;
    EditorModel model;
    std::unique_ptr<X11EditorWindow> window;
    // The step's ports as last heard; passed to the model at the next idle.
    std::array<float, port::kStepPortCount> step{};
    bool stepHeard = false;
};

// The step as the plug-in's ports tell it; none before its first run, when
// frames per step read 0.
std::optional<StepView> stepFromPorts(const std::array<float, port::kStepPortCount>& ports) {
    const auto at = [&](std::uint32_t index) { return ports[index - port::kStep]; };
    if (!(at(port::kFramesPerStep) >= 1.0f)) return std::nullopt;
    const auto whole = [](float value) { return static_cast<std::int32_t>(value); };
    return StepView{whole(at(port::kFramesPerStep)), whole(at(port::kStep)), whole(at(port::kFrameInStep)),
                    whole(at(port::kVolumeNotePeriod)), whole(at(port::kFilterNotePeriod)),
                    at(port::kPassingThrough) >= 0.5f};
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (pluginUri == nullptr || std::strcmp(pluginUri, kPluginUri) != 0) return nullptr;
    const HostFeatures host = readHostFeatures(features);
    if (!host.parent) return nullptr;
    auto ui = std::unique_ptr<Ui>(new (std::nothrow) Ui(write, controller, host.touch));
    if (ui == nullptr) return nullptr;
    if (host.sampleRate) ui->model.setSampleRate(*host.sampleRate);
    const double scale = std::clamp(host.scale.value_or(1.0), kSmallestScale, kLargestScale);
    ui->window = X11EditorWindow::open(*host.parent, scale, ui->model, nullptr);
    if (ui->window == nullptr) return nullptr;
    ui->window->show();
    if (widget != nullptr)
        *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(ui->window->windowId()));
    if (host.resize != nullptr && host.resize->ui_resize != nullptr)
        host.resize->ui_resize(host.resize->handle, static_cast<int>(X11EditorWindow::widthAt(scale)),
                               static_cast<int>(X11EditorWindow::heightAt(scale)));
    return ui.release();
}

void cleanup(LV2UI_Handle handle) {
    auto* ui = static_cast<Ui*>(handle);
    // Ends a drag's gesture while the host still listens.
    ui->window->close();
    delete ui;
}

void portEvent(LV2UI_Handle handle, std::uint32_t index, std::uint32_t size, std::uint32_t format, const void* buffer) {
    auto& ui = *static_cast<Ui*>(handle);
    if (format != 0 || size != sizeof(float) || buffer == nullptr) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (index < port::kFirstParameter + kParameterCount) {
        ui.model.setHostValue(static_cast<int>(index - port::kFirstParameter), value);
    } else if (index >= port::kFirstValueInUse && index < port::kFirstValueInUse + kParameterCount) {
        ui.model.setValueInUse(static_cast<int>(index - port::kFirstValueInUse), value);
    } else if (index >= port::kStep && index < port::kCount) {
        ui.step[index - port::kStep] = value;
        ui.stepHeard = true;
        // The rate the plug-in runs at, whatever the host's options said.
        if (index == port::kSampleRate && value >= 1.0f) ui.model.setSampleRate(value);
    }
}

// The host's idle call: the step heard since the last one, then the
// window's events and a redraw when something changed.
int idle(LV2UI_Handle handle) {
    auto& ui = *static_cast<Ui*>(handle);
    if (ui.stepHeard) {
        ui.model.setStep(stepFromPorts(ui.step));
        ui.stepHeard = false;
    }
    ui.window->idle();
    return 0;
}

int show(LV2UI_Handle handle) {
    static_cast<Ui*>(handle)->window->show();
    return 0;
}

int hide(LV2UI_Handle handle) {
    static_cast<Ui*>(handle)->window->hide();
    return 0;
}

const LV2UI_Idle_Interface kIdle{idle};
const LV2UI_Show_Interface kShow{show, hide};

const void* extensionData(const char* uri) {
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
    if (std::strcmp(uri, LV2_UI__showInterface) == 0) return &kShow;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor{kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
