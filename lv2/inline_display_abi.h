// The records of the inline display that Ardour's mixer strip reads from an
// LV2 plug-in: our own declarations of that extension's binary interface.
// The host asks the plug-in's extension data for the interface and calls
// render() on its GUI thread; the plug-in asks for a redraw from run()
// through the host's queue_draw feature.
#pragma once

#include <lv2/core/lv2.h>

#define QUILLBEAT_IDPY_PREFIX "http://harrisonconsoles.com/lv2/inlinedisplay#"
#define QUILLBEAT_IDPY__interface QUILLBEAT_IDPY_PREFIX "interface"
#define QUILLBEAT_IDPY__queue_draw QUILLBEAT_IDPY_PREFIX "queue_draw"

extern "C" {

// Pixels as 32-bit words 0xAARRGGBB, alpha premultiplied, `stride` bytes
// from one row to the next. The plug-in owns them: they stay valid until the
// next render() or cleanup.
struct LV2_Inline_Display_Image_Surface {
    unsigned char* data;
    int width;
    int height;
    int stride;
};

// The host's feature: queue_draw asks for a render() later. Called from
// run(); the host makes it safe there.
struct LV2_Inline_Display {
    void* handle;
    void (*queue_draw)(void* handle);
};

// The plug-in's extension data. `w` is the width the host has; `max_h` the
// tallest picture it takes. Null: nothing to show.
struct LV2_Inline_Display_Interface {
    LV2_Inline_Display_Image_Surface* (*render)(LV2_Handle instance, uint32_t w, uint32_t max_h);
};
}
