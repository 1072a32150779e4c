// Single application resources.  A resource set through the widget's own
// name path ("*redBrightLabel.redBString: ...") is found there; otherwise it
// is looked up under the application's own name and class, so a line at the
// application level ("amberpane.fatalTitle: ...") sets it whatever widget
// asks.
#ifndef SCAN_DIALOG_RESOURCES_H
#define SCAN_DIALOG_RESOURCES_H

#include <X11/Intrinsic.h>

// The resource's text, or dflt (which may be null).  Never freed by the caller.
const char* GetResourceString(Widget w, const char* name, const char* cls, const char* dflt);

// The resource's value, or dflt.
int GetResourceInt(Widget w, const char* name, const char* cls, int dflt);
Boolean GetResourceBoolean(Widget w, const char* name, const char* cls, Boolean dflt);

#endif
