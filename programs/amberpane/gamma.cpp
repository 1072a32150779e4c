// The gamma group: gamma curve type, brightness and contrast of one channel.
// All four channels use this one builder; only the three titles carry the
// channel's prefix, so the resources can title each channel on its own.
#include "gamma.h"

#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>
#include <Xm/ToggleB.h>

#include <cstdio>

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

// Shows a stored value in its label and scroll bar.  Setting the value runs
// none of the scroll bar's callbacks; an out-of-range value is brought into
// range by the toolkit (which warns) while the record keeps it.
void showSetting(Widget label, Widget scroll, unsigned value) {
    ShowValue(label, static_cast<int>(value));
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
        Widget min = RangeLabel("brightMin", form, group->brightTitle, kMinimum);
        Widget max = RangeLabel("brightMax", form, group->brightTitle, kHighest);
        group->brightLink = {group->brightValue, settings.brightnessField()};
        group->brightScroll =
            ValueScroll("brightScroll", form, group->brightTitle, min, max, kMinimum, kMaximum,
                        kSliderSize, static_cast<int>(settings.brightness()), &group->brightLink);

        std::snprintf(name, sizeof name, "%sContrLabel", prefix);
        group->contrTitle = XtVaCreateManagedWidget(name, xmLabelWidgetClass, form, nullptr);
        group->contrValue = XtVaCreateManagedWidget("contrValueLabel", xmLabelWidgetClass, form,  //
                                                    XmNleftAttachment, XmATTACH_WIDGET,           //
                                                    XmNleftWidget, group->contrTitle, nullptr);
        min = RangeLabel("contrMin", form, group->contrTitle, kMinimum);
        max = RangeLabel("contrMax", form, group->contrTitle, kHighest);
        group->contrLink = {group->contrValue, settings.contrastField()};
        group->contrScroll =
            ValueScroll("contrScroll", form, group->contrTitle, min, max, kMinimum, kMaximum,
                        kSliderSize, static_cast<int>(settings.contrast()), &group->contrLink);
    }
}

void InitGammaWidgets(GammaGroup* group, records::GammaSettings settings) {
    // Types 5 to 15 show as normal; the notification writes 0 back.  When the
    // toggle is already set nothing is called.
    unsigned type = settings.gammaType();
    if (type >= static_cast<unsigned>(kTypeCount))
        type = 0;
    XmToggleButtonSetState(group->toggles[type], True, True);

    showSetting(group->brightValue, group->brightScroll, settings.brightness());
    showSetting(group->contrValue, group->contrScroll, settings.contrast());
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
