// The help viewer's own pieces, open to its tests.
#ifndef SCAN_HELP_HELP_INTERNAL_H
#define SCAN_HELP_HELP_INTERNAL_H

#include "help/help.h"

// The record of a help dialog, from its XmNuserData.
HlpDialogRec* HlpRecord(Widget dialog);

// Widens or narrows the dialog and its pane so that the clip window ends up
// 2 pixels wider than the text widget; heights stay.
void SizeHelpDialog(HlpDialogRec* rec);

// Line step of the vertical scroll bar: one text line; page step: the clip
// window's height less two lines, at least 1.
void SetHelpIncrements(HlpDialogRec* rec);

// Resize callback of the clip window (client data: the record).
void HelpResized(Widget w, XtPointer clientData, XtPointer callData);

// Activate callback of "  OK  " (client data: the record): hides the dialog.
void HelpOK(Widget w, XtPointer clientData, XtPointer callData);

#endif
