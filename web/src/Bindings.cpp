// The computing core for the browser page: look-ups, attenuation, builders and the plots, over
// JavaScript numbers and typed arrays. A call that cannot answer returns {error: "..."}, which
// the page's script turns into an Error; nothing here throws. Each part registers its functions
// from its own file.
#include "Support.h"

#include <emscripten/bind.h>

EMSCRIPTEN_BINDINGS(photonxs) {
    bindings::BindLookups();
    bindings::BindAttenuation();
    bindings::BindLayers();
    bindings::BindPlots();
    bindings::BindFiles();
    bindings::BindShielding();
    bindings::BindGeometry();
    emscripten::function("forget", &bindings::forget);
}
