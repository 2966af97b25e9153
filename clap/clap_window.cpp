// The CLAP edition's window, embedded in the host's (the gui extension,
// never floating), with the API of the system it runs on: X11 on Linux,
// Win32 on Windows (clap_window.h says which part is whose).
#include "clap/clap_window.h"

#include <bit>
#include <cstring>
#include <new>
#include <optional>

#include "editor/editor_layout.h"

using namespace clap;

void ClapWindow::beginEdit(int parameter) {
    send({WindowEdit::Kind::begin, static_cast<std::uint32_t>(parameter), 0});
}
void ClapWindow::changeValue(int parameter, float value) {
    send({WindowEdit::Kind::value, static_cast<std::uint32_t>(parameter), value});
}
void ClapWindow::endEdit(int parameter) { send({WindowEdit::Kind::end, static_cast<std::uint32_t>(parameter), 0}); }

void ClapWindow::send(const WindowEdit& edit) {
    waiting.push_back(edit);
    sendWaiting();
}

void ClapWindow::sendWaiting() {
    bool sent = false;
    while (!waiting.empty() && plugin.shared.edits.push(waiting.front())) {
        waiting.pop_front();
        sent = true;
    }
    // Not processing: the host calls flush, which takes them.
    if (!sent || plugin.shared.processing.load(std::memory_order_acquire)) return;
    const auto* params = hostExtension<clap_host_params>(plugin.host, CLAP_EXT_PARAMS);
    if (params != nullptr && params->request_flush != nullptr) params->request_flush(plugin.host);
}

void ClapWindow::takeValues() {
    for (int i = 0; i < kParameterCount; ++i) {
        const float host = plugin.effect.passedControl(i);
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(host);
        if (!hostBitsTaken || bits != hostBits[static_cast<std::size_t>(i)]) {
            hostBits[static_cast<std::size_t>(i)] = bits;
            model.setHostValue(i, host);
        }
        model.setValueInUse(i, plugin.effect.valueInUse(i));
    }
    hostBitsTaken = true;
    if (const std::optional<StepView> step = plugin.shared.feed.latest()) model.setStep(step);
    model.setSampleRate(plugin.shared.sampleRate.load(std::memory_order_relaxed));
}

void ClapWindow::tick() {
    if (native == nullptr) return;
    if (!waiting.empty()) sendWaiting();
    takeValues();
    native->idle();
}

void ClapWindow::closeWindow() {
    plugin.shared.windowOpen.store(false, std::memory_order_relaxed);
    native.reset();
}

ClapWindow* windowOf(const clap_plugin* plugin) {
    ClapWindow* window = self(plugin).window;
    return window != nullptr && window->created ? window : nullptr;
}

namespace {

bool isOurs(const char* api) { return api != nullptr && std::strcmp(api, kWindowApi) == 0; }

bool CLAP_CALLBACK isApiSupported(const clap_plugin*, const char* api, bool floating) {
    return isOurs(api) && !floating;
}

bool CLAP_CALLBACK preferredApi(const clap_plugin*, const char** api, bool* floating) {
    if (api == nullptr || floating == nullptr) return false;
    *api = kWindowApi;
    *floating = false;
    return true;
}

bool CLAP_CALLBACK create(const clap_plugin* clapPlugin, const char* api, bool floating) {
    Plugin& plugin = self(clapPlugin);
    if (!isOurs(api) || floating || windowOf(clapPlugin) != nullptr) return false;
    if (!hostGivesWindowTime(plugin.host)) return false;
    if (plugin.window == nullptr) plugin.window = new (std::nothrow) ClapWindow(plugin);
    if (plugin.window == nullptr) return false;
    plugin.window->scale = 1.0;
    plugin.window->created = true;
    return true;
}

void CLAP_CALLBACK destroy(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr) return;
    window->closeWindow();
    window->created = false;
}

// Before the window is embedded, on every system; on Win32 also after, the
// window taking the new size at once (the host then asks get_size).
bool CLAP_CALLBACK setScale(const clap_plugin* plugin, double scale) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || !(scale >= 0.25 && scale <= 8.0)) return false;
    if (window->native != nullptr && !window->native->setScale(scale)) return false;
    window->scale = scale;
    return true;
}

bool CLAP_CALLBACK getSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    const ClapWindow* window = windowOf(plugin);
    if (window == nullptr || width == nullptr || height == nullptr) return false;
    *width = editorWidthAt(window->scale);
    *height = editorHeightAt(window->scale);
    return true;
}

bool CLAP_CALLBACK canResize(const clap_plugin*) { return false; }

bool CLAP_CALLBACK resizeHints(const clap_plugin*, clap_gui_resize_hints* hints) {
    if (hints == nullptr) return false;
    *hints = {false, false, true, static_cast<std::uint32_t>(kEditorWidth), static_cast<std::uint32_t>(kEditorHeight)};
    return true;
}

// One size only: any size asked becomes it.
bool CLAP_CALLBACK adjustSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    return getSize(plugin, width, height);
}

bool CLAP_CALLBACK setSize(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height) {
    std::uint32_t ownWidth = 0, ownHeight = 0;
    return getSize(plugin, &ownWidth, &ownHeight) && width == ownWidth && height == ownHeight;
}

bool CLAP_CALLBACK setParent(const clap_plugin* clapPlugin, const clap_window* parent) {
    ClapWindow* window = windowOf(clapPlugin);
    if (window == nullptr || parent == nullptr || !isOurs(parent->api) || parent->ptr == nullptr) return false;
    window->closeWindow();
    window->takeValues();
    window->native = openNativeWindow(*window, *parent);
    if (window->native == nullptr) return false;
    self(clapPlugin).shared.windowOpen.store(true, std::memory_order_relaxed);
    return true;
}

bool CLAP_CALLBACK setTransient(const clap_plugin*, const clap_window*) { return false; }

void CLAP_CALLBACK suggestTitle(const clap_plugin*, const char*) {}

bool CLAP_CALLBACK show(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || window->native == nullptr) return false;
    window->native->show();
    window->tick();
    return true;
}

bool CLAP_CALLBACK hide(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || window->native == nullptr) return false;
    window->native->hide();
    return true;
}

constexpr clap_plugin_gui kGui{isApiSupported, preferredApi, create,    destroy,      setScale,
                               getSize,        canResize,    resizeHints, adjustSize, setSize,
                               setParent,      setTransient, suggestTitle, show,      hide};

}  // namespace

const void* windowExtension(const char* id) {
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    return windowSystemExtension(id);
}

void releaseWindow(Plugin& plugin) {
    if (plugin.window == nullptr) return;
    plugin.window->closeWindow();
    delete plugin.window;
    plugin.window = nullptr;
}
