// The grey frame and the colour frame, each made of gamma groups, and the
// "Change Colors Together" logic: while the record's together bit is set only
// the red group shows, titled for all colours, and stands for all three
// channels; when it is cleared green and blue start again from red.
#include <Xm/Xm.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>
#include <Xm/ToggleB.h>

#include <string>

#include "amberpane.h"
#include "dialog/resources.h"
#include "dialog/string.h"
#include "gamma.h"

namespace {

GammaGroup greyGroup;   // grey, bytes 6 to 13
GammaGroup redGroup;    // red, bytes 14 to 21; all colours while together
GammaGroup greenGroup;  // green, bytes 30 to 37
GammaGroup blueGroup;   // blue, bytes 22 to 29

// The red group's titles in its two roles, read once from the resources of
// its title labels.
std::string colorGammaTitle, redGammaTitle;
std::string colorBrightTitle, redBrightTitle;
std::string colorContrTitle, redContrTitle;

struct TitleText {
    std::string* text;
    Widget GammaGroup::*label;
    const char* name;
    const char* cls;  // the class spellings are as users' resource files know them
    const char* dflt;
};

const TitleText kTitleTexts[] = {
    {&colorGammaTitle, &GammaGroup::typeTitle, "colorGString", "ColorGString", "Color Gamma"},
    {&redGammaTitle, &GammaGroup::typeTitle, "redGString", "redGString", "Red Gamma"},
    {&colorBrightTitle, &GammaGroup::brightTitle, "colorBString", "ColorBString",
     "Color Brightness"},
    {&redBrightTitle, &GammaGroup::brightTitle, "redBString", "redBtring", "Red Brightness"},
    {&colorContrTitle, &GammaGroup::contrTitle, "colorCString", "ColorCString", "Color Contrast"},
    {&redContrTitle, &GammaGroup::contrTitle, "redCString", "redCString", "Red Contrast"},
};

void readTitleTexts() {
    for (const TitleText& t : kTitleTexts) {
        const char* text = GetResourceString(redGroup.*t.label, t.name, t.cls, t.dflt);
        *t.text = text != nullptr ? text : t.dflt;
    }
}

// Applies the together bit: titles of the red group, the green and blue rows
// shown or hidden, and on the way apart green and blue made copies of red.
void ConfigureColorWidgets() {
    // All four share the colour frame's row column, so one call moves them all
    // and the frame is laid out once.
    Widget others[] = {greenGroup.gammaForm, blueGroup.gammaForm, greenGroup.brightForm,
                       blueGroup.brightForm};
    constexpr Cardinal kOthers = sizeof others / sizeof others[0];

    if (options.together()) {
        SetLabelString(redGroup.typeTitle, colorGammaTitle.c_str());
        SetLabelString(redGroup.brightTitle, colorBrightTitle.c_str());
        SetLabelString(redGroup.contrTitle, colorContrTitle.c_str());
        // green and blue stay as they are; every store copies red into them.
        XtUnmanageChildren(others, kOthers);
        return;
    }

    SetLabelString(redGroup.typeTitle, redGammaTitle.c_str());
    SetLabelString(redGroup.brightTitle, redBrightTitle.c_str());
    SetLabelString(redGroup.contrTitle, redContrTitle.c_str());
    options.blue().copyFrom(options.red());
    options.green().copyFrom(options.red());
    InitGammaWidgets(&greenGroup, options.green());
    InitGammaWidgets(&blueGroup, options.blue());
    XtManageChildren(others, kOthers);
}

// "togetherToggle": acts on both states.
void SetTogether(Widget, XtPointer, XtPointer callData) {
    auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(callData);
    if (cbs == nullptr)
        return;
    options.setTogether(cbs->set != 0);
    ConfigureColorWidgets();
}

}  // namespace

void CreateGreyWidgets(Widget parent) {
    Widget frame = XtVaCreateManagedWidget("greyFrame", xmFrameWidgetClass, parent, nullptr);
    {
        Widget rc = XtVaCreateManagedWidget("rc", xmRowColumnWidgetClass, frame, nullptr);
        {
            XtVaCreateManagedWidget("greyLabel", xmLabelWidgetClass, rc, nullptr);
            CreateGammaWidgets(rc, options.grey(), &greyGroup, "grey");
        }
    }
    InitGammaWidgets(&greyGroup, options.grey());
}

void CreateColorWidgets(Widget parent) {
    Widget toggle;
    Widget frame = XtVaCreateManagedWidget("colorFrame", xmFrameWidgetClass, parent, nullptr);
    {
        Widget rc = XtVaCreateManagedWidget("rc", xmRowColumnWidgetClass, frame,  //
                                            XmNadjustMargin, False, nullptr);
        {
            XtVaCreateManagedWidget("colorLabel", xmLabelWidgetClass, rc, nullptr);
            toggle =
                XtVaCreateManagedWidget("togetherToggle", xmToggleButtonWidgetClass, rc, nullptr);
            CreateGammaWidgets(rc, options.red(), &redGroup, "red");
            InitGammaWidgets(&redGroup, options.red());
            readTitleTexts();
            CreateGammaWidgets(rc, options.green(), &greenGroup, "green");
            InitGammaWidgets(&greenGroup, options.green());
            CreateGammaWidgets(rc, options.blue(), &blueGroup, "blue");
            InitGammaWidgets(&blueGroup, options.blue());
        }
    }
    XtAddCallback(toggle, XmNvalueChangedCallback, SetTogether, nullptr);

    // With the bit set the toggle changes state and SetTogether configures
    // the frame; with it clear nothing is called.  Either way configure once
    // more, which is harmless.
    XmToggleButtonSetState(toggle, options.together() ? True : False, True);
    ConfigureColorWidgets();
}
