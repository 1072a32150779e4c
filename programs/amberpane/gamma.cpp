// The gamma group: gamma curve type, brightness and contrast of one channel.
// All four channels use this one builder; only the three titles carry the
// channel's prefix, so the resources can title each channel on its own.
#include "gamma.h"

#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrollBar.h>
#include <Xm/ToggleB.h>

#include <cstdio>

#include "dialog/string.h"

namespace {

// The gamma curve types, in code order.
constexpr const char* kTypeNames[] = {"normal", "smooth", "sharp", "linear", "error"};
constexpr int kTypeCount = sizeof kTypeNames / sizeof kTypeNames[0];

// Slider range: with a maximum of 1123 and a slider of 100 the value runs
// from 1 to 1023.
constexpr int kMinimum = 1;
constexpr int kMaximum = 1123;
constexpr int kSliderSize = 100;
constexpr int kHighest = kMaximum - kSliderSize;

// A label showing a number, placed below the title.
Widget rangeLabel(const char* name, Widget form, Widget title, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    XmString xms = CreateMotifString(text);
    Widget w = XtVaCreateManagedWidget(name, xmLabelWidgetClass, form,     //
                                       XmNtopAttachment, XmATTACH_WIDGET,  //
                                       XmNtopWidget, title,                //
                                       XmNlabelString, xms, nullptr);
    XmStringFree(xms);
    return w;
}

Widget valueScroll(const char* name, Widget form, Widget title, Widget min, Widget max,
                   unsigned value) {
    return XtVaCreateManagedWidget(name, xmScrollBarWidgetClass, form,   //
                                   XmNtopAttachment, XmATTACH_WIDGET,    //
                                   XmNtopWidget, title,                  //
                                   XmNleftAttachment, XmATTACH_WIDGET,   //
                                   XmNleftWidget, min,                   //
                                   XmNrightAttachment, XmATTACH_WIDGET,  //
                                   XmNrightWidget, max,                  //
                                   XmNminimum, kMinimum,                 //
                                   XmNmaximum, kMaximum,                 //
                                   XmNsliderSize, kSliderSize,           //
                                   XmNvalue, static_cast<int>(value),    //
                                   XmNorientation, XmHORIZONTAL, nullptr);
}

// Shows a stored value in its label and scroll bar.  Setting the value runs
// none of the scroll bar's callbacks; an out-of-range value is brought into
// range by the toolkit (which warns) while the record keeps it.
void showValue(Widget label, Widget scroll, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%-4d", static_cast<int>(value));
    SetLabelString(label, text);
    XtVaSetValues(scroll, XmNvalue, static_cast<int>(value), nullptr);
}

}  // namespace

void CreateGammaWidgets(Widget parent, records::GammaSettings settings, GammaGroup* group,
                        const char* prefix) {
    char name[64];
    group->settings = settings;

    group->gammaForm = XtVaCreateManagedWidget("gammaForm", xmFormWidgetClass, parent, nullptr);
    {
        std::snprintf(name, sizeof name, "%sGammaTypeLabel", prefix);
        group->typeTitle =
            XtVaCreateManagedWidget(name, xmLabelWidgetClass, group->gammaForm, nullptr);
        Arg args[4];
        Cardinal n = 0;
        XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET), n++;
        XtSetArg(args[n], XmNleftWidget, group->typeTitle), n++;
        XtSetArg(args[n], XmNorientation, XmHORIZONTAL), n++;
        XtSetArg(args[n], XmNpacking, XmPACK_TIGHT), n++;
        Widget radio = XmCreateRadioBox(group->gammaForm, const_cast<char*>("gammaRadio"), args, n);
        XtManageChild(radio);
        {
            for (int code = 0; code < kTypeCount; ++code) {
                Widget t = XtVaCreateManagedWidget(kTypeNames[code], xmToggleButtonWidgetClass,
                                                   radio, XmNuserData, group, nullptr);
                XtAddCallback(t, XmNvalueChangedCallback, SetGamma,
                              reinterpret_cast<XtPointer>(static_cast<long>(code)));
                group->toggles[code] = t;
            }
        }
    }

    group->brightForm = XtVaCreateManagedWidget("brightForm", xmFormWidgetClass, parent, nullptr);
    {
        Widget form = group->brightForm;

        std::snprintf(name, sizeof name, "%sBrightLabel", prefix);
        group->brightTitle = XtVaCreateManagedWidget(name, xmLabelWidgetClass, form, nullptr);
        group->brightValue =
            XtVaCreateManagedWidget("brightValueLabel", xmLabelWidgetClass, form,  //
                                    XmNleftAttachment, XmATTACH_WIDGET,            //
                                    XmNleftWidget, group->brightTitle, nullptr);
        Widget min = rangeLabel("brightMin", form, group->brightTitle, kMinimum);
        Widget max = rangeLabel("brightMax", form, group->brightTitle, kHighest);
        group->brightScroll =
            valueScroll("brightScroll", form, group->brightTitle, min, max, settings.brightness());
        group->brightLink = {group->brightValue, settings.brightnessField()};
        XtAddCallback(group->brightScroll, XmNvalueChangedCallback, DoScroll, &group->brightLink);
        XtAddCallback(group->brightScroll, XmNdragCallback, DoScroll, &group->brightLink);

        std::snprintf(name, sizeof name, "%sContrLabel", prefix);
        group->contrTitle = XtVaCreateManagedWidget(name, xmLabelWidgetClass, form, nullptr);
        group->contrValue = XtVaCreateManagedWidget("contrValueLabel", xmLabelWidgetClass, form,  //
                                                    XmNleftAttachment, XmATTACH_WIDGET,           //
                                                    XmNleftWidget, group->contrTitle, nullptr);
        min = rangeLabel("contrMin", form, group->contrTitle, kMinimum);
        max = rangeLabel("contrMax", form, group->contrTitle, kHighest);
        group->contrScroll =
            valueScroll("contrScroll", form, group->contrTitle, min, max, settings.contrast());
        group->contrLink = {group->contrValue, settings.contrastField()};
        XtAddCallback(group->contrScroll, XmNvalueChangedCallback, DoScroll, &group->contrLink);
        XtAddCallback(group->contrScroll, XmNdragCallback, DoScroll, &group->contrLink);
    }
}

void InitGammaWidgets(GammaGroup* group, records::GammaSettings settings) {
    // Types 5 to 15 show as normal; the notification writes 0 back.  When the
    // toggle is already set nothing is called.
    unsigned type = settings.gammaType();
    if (type >= static_cast<unsigned>(kTypeCount))
        type = 0;
    XmToggleButtonSetState(group->toggles[type], True, True);

    showValue(group->brightValue, group->brightScroll, settings.brightness());
    showValue(group->contrValue, group->contrScroll, settings.contrast());
}

void SetGamma(Widget w, XtPointer clientData, XtPointer callData) {
    auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(callData);
    if (cbs == nullptr || !cbs->set)
        return;  // the toggle the radio box cleared
    XtPointer userData = nullptr;
    XtVaGetValues(w, XmNuserData, &userData, nullptr);
    auto* group = static_cast<GammaGroup*>(userData);
    if (group == nullptr)
        return;
    group->settings.setGammaType(static_cast<unsigned>(reinterpret_cast<long>(clientData)));
}
