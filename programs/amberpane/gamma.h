// amberpane's gamma group: the gamma type, brightness and contrast controls
// of one channel (grey, red, green or blue).
#ifndef AMBERPANE_GAMMA_H
#define AMBERPANE_GAMMA_H

#include <X11/Intrinsic.h>

#include "amberpane.h"
#include "records/fs2.h"

// The widgets of one channel's group and the channel's bytes in the record.
// Lives as long as the process; the gamma type toggles carry its address in
// XmNuserData.
struct GammaGroup {
    Widget typeTitle;    // prefix + "GammaTypeLabel"
    Widget brightTitle;  // prefix + "BrightLabel"
    Widget contrTitle;   // prefix + "ContrLabel"
    Widget toggles[5];   // "normal" .. "error", indexed by gamma type code
    Widget brightValue;  // "brightValueLabel"
    Widget brightScroll;
    Widget contrValue;  // "contrValueLabel"
    Widget contrScroll;
    Widget gammaForm;   // first row: the gamma type
    Widget brightForm;  // second row: brightness and contrast
    ValueLink brightLink;
    ValueLink contrLink;
    records::GammaSettings settings{nullptr};
};

// Builds the group's two rows in the row column parent, named by prefix
// ("grey", "red", ...), for the channel's settings.  The caller runs
// InitGammaWidgets right after.
void CreateGammaWidgets(Widget parent, records::GammaSettings settings, GammaGroup* group,
                        const char* prefix);

// Shows the settings in the group's controls.  Picking the gamma type toggle
// notifies, so a type of 5 to 15 is written back as 0 (normal).
void InitGammaWidgets(GammaGroup* group, records::GammaSettings settings);

// Value-changed callback of the gamma type toggles; client data is the code.
void SetGamma(Widget w, XtPointer clientData, XtPointer callData);

#endif
