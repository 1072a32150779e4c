// Compound strings from plain texts.
#ifndef SCAN_DIALOG_STRING_H
#define SCAN_DIALOG_STRING_H

#include <Xm/Xm.h>

// A new compound string of the text's lines (split at newlines; empty lines
// vanish), never null.  The caller frees it with XmStringFree.
XmString CreateMotifString(const char* text);

// Sets a widget's labelString to the text's lines.
void SetLabelString(Widget w, const char* text);

#endif
