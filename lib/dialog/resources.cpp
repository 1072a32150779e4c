// Single application resources.
#include "dialog/resources.h"

#include <X11/StringDefs.h>

namespace {

// Reads one resource of the given representation for the widget into result
// (size bytes).  dflt is the default in the same representation: the address
// of the value, or for "String" the text itself.
void getValue(Widget w, const char* name, const char* cls, const char* repr, Cardinal size,
              XtPointer result, XtPointer dflt) {
    XtResource res = {const_cast<String>(name),
                      const_cast<String>(cls),
                      const_cast<String>(repr),
                      size,
                      0,
                      const_cast<String>(repr),
                      dflt};
    XtGetApplicationResources(w, result, &res, 1, nullptr, 0);
}

// Where to look a resource up.  The toolkit looks under the full name path of
// the widget it is given, so a line at the application level
// ("amberpane.fatalTitle: ...") is found only when asking under the
// application shell at the root of the tree, whose name and class are the
// application's own.  The titles of the FS2 colour frame, though, are set
// through their label's name path ("*redBrightLabel.redBString: ..."): a line
// that reaches the widget itself wins, otherwise the application level answers.
Widget lookupWidget(Widget w, const char* name, const char* cls) {
    String atWidget = nullptr;
    getValue(w, name, cls, XtRString, sizeof atWidget, &atWidget, nullptr);
    if (atWidget != nullptr)
        return w;
    while (XtParent(w) != nullptr) w = XtParent(w);
    return w;
}

}  // namespace

const char* GetResourceString(Widget w, const char* name, const char* cls, const char* dflt) {
    String result = nullptr;
    getValue(lookupWidget(w, name, cls), name, cls, XtRString, sizeof result, &result,
             const_cast<char*>(dflt));
    return result != nullptr ? result : dflt;
}

int GetResourceInt(Widget w, const char* name, const char* cls, int dflt) {
    int result = dflt;
    getValue(lookupWidget(w, name, cls), name, cls, XtRInt, sizeof result, &result, &dflt);
    return result;
}

Boolean GetResourceBoolean(Widget w, const char* name, const char* cls, Boolean dflt) {
    Boolean result = dflt;
    getValue(lookupWidget(w, name, cls), name, cls, XtRBoolean, sizeof result, &result, &dflt);
    return result;
}
