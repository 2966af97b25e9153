// The CLAP window's Win32 part. The window keeps its own time with a
// WM_TIMER, so it needs nothing of the host but its window and its message
// loop; when Windows moves it to another DPI it takes the new scale and asks
// the host for the new size.
#include <cstring>

#include "clap/clap_window.h"
#include "editor/win32/win32_editor_window.h"

using namespace clap;

const char* const kWindowApi = CLAP_WINDOW_API_WIN32;

namespace {

class Win32ClapWindow final : public NativeWindow, public Win32EditorWindow::Owner {
public:
    explicit Win32ClapWindow(ClapWindow& clap) : clap(clap) {}
    ~Win32ClapWindow() override {
        if (window != nullptr) window->close();
    }

    bool open(void* parent) {
        window = Win32EditorWindow::open(parent, clap.scale, clap.model, *this, nullptr);
        return window != nullptr;
    }

    void show() override { window->show(); }
    void hide() override { window->hide(); }
    void idle() override { window->idle(); }
    bool setScale(double scale) override { return window->setScale(scale); }

    void tick() override { clap.tick(); }
    void resized(std::uint32_t width, std::uint32_t height) override {
        clap.scale = window->scale();
        const auto* gui = hostExtension<clap_host_gui>(clap.plugin.host, CLAP_EXT_GUI);
        if (gui != nullptr && gui->request_resize != nullptr) gui->request_resize(clap.plugin.host, width, height);
    }

private:
    ClapWindow& clap;
    std::unique_ptr<Win32EditorWindow> window;
};

}  // namespace

bool hostGivesWindowTime(const clap_host*) { return true; }

std::unique_ptr<NativeWindow> openNativeWindow(ClapWindow& window, const clap_window& parent) {
    auto native = std::make_unique<Win32ClapWindow>(window);
    if (!native->open(parent.win32)) return nullptr;
    return native;
}

const void* windowSystemExtension(const char*) { return nullptr; }
