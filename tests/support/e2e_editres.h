// The client side of the Editres protocol, as far as the harness needs it:
// the widget-tree request, which every Xt shell answers with the names,
// classes and window ids of all its application's widgets.
#ifndef SCAN_TESTS_E2E_EDITRES_H
#define SCAN_TESTS_E2E_EDITRES_H

#include "e2e.h"

namespace e2e {

// Asks the application owning the top-level window shell for its widget
// tree.  Returns false with a reason in *error when it does not answer
// within timeoutMs or answers with a failure.
bool QueryWidgetTree(Display* display, Window shell, int timeoutMs, WidgetTree* tree,
                     std::string* error);

// Decodes the body of a widget-tree reply (after the 6-byte header);
// false when it is malformed.
bool DecodeWidgetTree(const unsigned char* data, size_t size, WidgetTree* tree);

}  // namespace e2e

#endif
