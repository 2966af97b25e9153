// A user at the X display, for the tests that play our window inside
// another program (jalv): finds the editor's window by its size, says
// whether it shows a picture (more than one colour), and drags a control's
// handle by its symbol as a user would, slowly enough for the host's idle
// calls to see each move.
//
//   window_probe SECONDS [drag SYMBOL PIXELS_UP]
// Exit status: 0 found and drawn (and dragged), 1 not, 2 usage, 77 no
// display to probe.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "editor/editor_layout.h"
#include "tests/support/x_display.h"

namespace {

void waitAMoment() { std::this_thread::sleep_for(std::chrono::milliseconds(60)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: window_probe SECONDS [drag SYMBOL PIXELS_UP]\n");
        return 2;
    }
    std::string why;
    const std::unique_ptr<XTestDisplay> display = XTestDisplay::open(&why);
    if (display == nullptr) {
        std::printf("window_probe: %s\n", why.c_str());
        return 77;
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[1]));
    std::uint64_t window = 0;
    while ((window = display->findWindow(kEditorWidth, kEditorHeight)) == 0 && std::chrono::steady_clock::now() < limit)
        waitAMoment();
    if (window == 0) {
        std::printf("window_probe: no %d x %d window on the screen\n", kEditorWidth, kEditorHeight);
        return 1;
    }
    // Drawn once its picture has more than one colour.
    std::size_t colours = 0;
    do {
        const Canvas shown = display->capture(window);
        colours = std::set<std::uint32_t>(shown.pixels.begin(), shown.pixels.end()).size();
        if (colours < 2) waitAMoment();
    } while (colours < 2 && std::chrono::steady_clock::now() < limit);
    std::printf("window_probe: window 0x%llx, %d x %d, %zu colours\n", static_cast<unsigned long long>(window),
                kEditorWidth, kEditorHeight, colours);
    if (colours < 2) return 1;
    if (argc == 2) return 0;

    const std::string symbol = argv[3];
    const int up = std::atoi(argv[4]);
    for (const ControlPlace& place : kControlPlaces) {
        if (kParameterTable[static_cast<std::size_t>(place.parameter)].symbol != symbol) continue;
        const int x = place.track.x + place.track.width / 2, y = place.track.y + place.track.height / 2;
        display->movePointer(window, x, y);
        waitAMoment();
        display->pressButton(1);
        waitAMoment();
        for (int step = 1; step <= 10; ++step) {
            display->movePointer(window, x, y - up * step / 10);
            waitAMoment();
        }
        display->releaseButton(1);
        waitAMoment();
        std::printf("window_probe: dragged %s up by %d pixels\n", symbol.c_str(), up);
        return 0;
    }
    std::printf("window_probe: no control %s\n", symbol.c_str());
    return 1;
}
