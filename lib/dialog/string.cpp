// Compound strings from plain texts.
#include "dialog/string.h"

#include <cstdlib>
#include <cstring>

XmString CreateMotifString(const char* text) {
    // Splitting writes into the text, so it works on a private copy.  A text
    // that cannot be copied is not split at all: the result is then empty.
    char* copy = (text != nullptr) ? strdup(text) : nullptr;
    if (copy == nullptr)
        return XmStringCreateSimple(const_cast<char*>(""));

    // strtok_r keeps its position in a local, so a caller that is in the
    // middle of its own strtok loop is not disturbed.  Like strtok it yields
    // only non-empty lines: empty, leading and trailing lines vanish.
    XmString separator = XmStringSeparatorCreate();
    XmString result = nullptr;
    char* rest = nullptr;
    for (char* line = strtok_r(copy, "\n", &rest); line != nullptr;
         line = strtok_r(nullptr, "\n", &rest)) {
        XmString piece = XmStringCreateSimple(line);
        if (result == nullptr) {
            result = piece;
            continue;
        }
        XmString withSeparator = XmStringConcat(result, separator);
        XmStringFree(result);
        result = XmStringConcat(withSeparator, piece);
        XmStringFree(withSeparator);
        XmStringFree(piece);
    }
    XmStringFree(separator);
    std::free(copy);

    if (result == nullptr)
        result = XmStringCreateSimple(const_cast<char*>(""));
    return result;
}

void SetLabelString(Widget w, const char* text) {
    XmString label = CreateMotifString(text);
    XtVaSetValues(w, XmNlabelString, label, nullptr);
    XmStringFree(label);
}
