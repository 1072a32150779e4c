// The media type row and the black-and-white frame (halftoning method,
// dither pattern, threshold), and the scroll bar callback that every value
// slider of the dialog uses.  Each control writes into the record at once.
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrollBar.h>
#include <Xm/ToggleB.h>

#include <cstdio>

#include "amberpane.h"
#include "dialog/string.h"
#include "records/byteorder.h"

namespace {

// Threshold slider: with a maximum of 285 and a slider of 30 the value runs
// from 1 to 255.
constexpr int kThreshMinimum = 1;
constexpr int kThreshMaximum = 285;
constexpr int kThreshSliderSize = 30;
constexpr int kThreshHighest = kThreshMaximum - kThreshSliderSize;

constexpr int kPatternCount = 10;

// A slider's value: left-aligned, padded with blanks to four characters.
constexpr const char kValueFormat[] = "%-4d";

// The controls that the halftoning method switches on and off, by position.
enum HalftonePosition {
    kPatternOption,
    kPatternLabel,
    kThreshScroll,
    kThreshLabel,
    kThreshValueLabel,
    kThreshMin,
    kThreshMax,
    kHalftoneControlCount
};

Widget halftoneControls[kHalftoneControlCount];  // XmNuserData of the halftone toggles
ValueLink thresholdLink;                         // "threshScroll" -> threshold

struct Choice {
    const char* name;
    long code;
};

constexpr Choice kMediaTypes[] = {{"reflect", 0}, {"trans", 1}};
constexpr Choice kHalftones[] = {{"thresh", 0}, {"dither", 2}, {"error", 3}};

XtPointer codeData(long code) {
    return reinterpret_cast<XtPointer>(code);
}
long dataCode(XtPointer data) {
    return reinterpret_cast<long>(data);
}

// A new compound string of one number; the caller frees it.
XmString numberString(const char* format, int value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return CreateMotifString(text);
}

bool becameSet(XtPointer callData) {
    auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(callData);
    return cbs != nullptr && cbs->set;
}

// The media type toggles; client data 1 is transparent, 0 reflective.
void SetTrans(Widget, XtPointer clientData, XtPointer callData) {
    if (!becameSet(callData))
        return;
    options.setTransparent((dataCode(clientData) & 1) != 0);
}

// The halftone toggles; client data is the method code (0, 2 or 3).
void SetHalftone(Widget w, XtPointer clientData, XtPointer callData) {
    if (!becameSet(callData))
        return;
    long code = dataCode(clientData);
    options.setHalftone(static_cast<unsigned>(code));

    XtPointer userData = nullptr;
    XtVaGetValues(w, XmNuserData, &userData, nullptr);
    auto* controls = static_cast<Widget*>(userData);
    if (controls == nullptr)
        return;
    for (int i = kThreshScroll; i <= kThreshMax; ++i) XtSetSensitive(controls[i], code == 0);
    for (int i = kPatternOption; i <= kPatternLabel; ++i) XtSetSensitive(controls[i], code == 2);
}

// The pattern menu's buttons; client data is the pattern number.
void SetPattern(Widget, XtPointer clientData, XtPointer) {
    options.setPattern(static_cast<unsigned>(dataCode(clientData)));
}

}  // namespace

void CreateGeneralWidgets(Widget parent) {
    if (!options.mediaChoice())
        return;

    Widget toggles[2];
    Widget form = XtVaCreateManagedWidget("generalForm", xmFormWidgetClass, parent, nullptr);
    {
        Widget label = XtVaCreateManagedWidget("transLabel", xmLabelWidgetClass, form, nullptr);
        Arg args[3];
        Cardinal n = 0;
        XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET), n++;
        XtSetArg(args[n], XmNleftWidget, label), n++;
        XtSetArg(args[n], XmNorientation, XmHORIZONTAL), n++;
        Widget radio = XmCreateRadioBox(form, const_cast<char*>("transRC"), args, n);
        XtManageChild(radio);
        {
            for (int i = 0; i < 2; ++i) {
                toggles[i] =
                    XtVaCreateManagedWidget(kMediaTypes[i].name, xmToggleButtonWidgetClass, radio,
                                            XmNindicatorType, XmONE_OF_MANY, nullptr);
                XtAddCallback(toggles[i], XmNvalueChangedCallback, SetTrans,
                              codeData(kMediaTypes[i].code));
            }
        }
    }

    // Notify, so the bit is written back through SetTrans.
    XmToggleButtonSetState(toggles[options.transparent() ? 1 : 0], True, True);
}

void CreateMonoWidgets(Widget parent) {
    Widget halftoneToggles[3];
    Widget patternOption, patternLabel;
    Widget threshLabel, threshValue, threshMin, threshMax, threshScroll;

    Widget frame = XtVaCreateManagedWidget("bwFrame", xmFrameWidgetClass, parent, nullptr);
    {
        Widget rc = XtVaCreateManagedWidget("rc", xmRowColumnWidgetClass, frame, nullptr);
        {
            XtVaCreateManagedWidget("bwLabel", xmLabelWidgetClass, rc, nullptr);

            Widget halftoneForm =
                XtVaCreateManagedWidget("halftoneForm", xmFormWidgetClass, rc, nullptr);
            {
                Widget label = XtVaCreateManagedWidget("halftoneLabel", xmLabelWidgetClass,
                                                       halftoneForm, nullptr);
                Arg args[4];
                Cardinal n = 0;
                XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET), n++;
                XtSetArg(args[n], XmNleftWidget, label), n++;
                XtSetArg(args[n], XmNorientation, XmHORIZONTAL), n++;
                XtSetArg(args[n], XmNpacking, XmPACK_TIGHT), n++;
                Widget radio =
                    XmCreateRadioBox(halftoneForm, const_cast<char*>("halftoneRadio"), args, n);
                XtManageChild(radio);
                {
                    for (int i = 0; i < 3; ++i) {
                        halftoneToggles[i] = XtVaCreateManagedWidget(
                            kHalftones[i].name, xmToggleButtonWidgetClass, radio, nullptr);
                    }
                }
            }

            Widget patternForm =
                XtVaCreateManagedWidget("patternForm", xmFormWidgetClass, rc, nullptr);
            {
                patternLabel = XtVaCreateManagedWidget("patternLabel", xmLabelWidgetClass,
                                                       patternForm, nullptr);
                Widget menu =
                    XmCreatePulldownMenu(patternForm, const_cast<char*>("patternMenu"), nullptr, 0);
                Arg args[3];
                Cardinal n = 0;
                XtSetArg(args[n], XmNsubMenuId, menu), n++;
                XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET), n++;
                XtSetArg(args[n], XmNleftWidget, patternLabel), n++;
                patternOption =
                    XmCreateOptionMenu(patternForm, const_cast<char*>("patternOption"), args, n);
                XtManageChild(patternOption);
                {
                    // A pattern outside 1 to 10 sets no history: the menu then
                    // shows its first button and the record keeps the number.
                    for (long p = 1; p <= kPatternCount; ++p) {
                        char name[16];
                        std::snprintf(name, sizeof name, "pattern%ld", p);
                        Widget b =
                            XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, menu, nullptr);
                        XtAddCallback(b, XmNactivateCallback, SetPattern, codeData(p));
                        if (p == static_cast<long>(options.pattern())) {
                            XtVaSetValues(patternOption, XmNmenuHistory, b, nullptr);
                        }
                    }
                }

                threshLabel = XtVaCreateManagedWidget("threshLabel", xmLabelWidgetClass,
                                                      patternForm, nullptr);
                // The value label gets its text as it is created, in the
                // format ShowValue and DoScroll use afterwards.
                XmString xms = numberString(kValueFormat, static_cast<int>(options.threshold()));
                threshValue =
                    XtVaCreateManagedWidget("threshValueLabel", xmLabelWidgetClass, patternForm,  //
                                            XmNleftAttachment, XmATTACH_WIDGET,                   //
                                            XmNleftWidget, threshLabel,                           //
                                            XmNlabelString, xms, nullptr);
                XmStringFree(xms);
                threshMin = RangeLabel("threshMin", patternForm, threshLabel, kThreshMinimum);
                threshMax = RangeLabel("threshMax", patternForm, threshLabel, kThreshHighest);
                thresholdLink = {threshValue, options.thresholdField()};
                threshScroll =
                    ValueScroll("threshScroll", patternForm, threshLabel, threshMin, threshMax,
                                kThreshMinimum, kThreshMaximum, kThreshSliderSize,
                                static_cast<int>(options.threshold()), &thresholdLink);
            }
        }
    }

    halftoneControls[kPatternOption] = patternOption;
    halftoneControls[kPatternLabel] = patternLabel;
    halftoneControls[kThreshScroll] = threshScroll;
    halftoneControls[kThreshLabel] = threshLabel;
    halftoneControls[kThreshValueLabel] = threshValue;
    halftoneControls[kThreshMin] = threshMin;
    halftoneControls[kThreshMax] = threshMax;
    for (int i = 0; i < 3; ++i) {
        XtVaSetValues(halftoneToggles[i], XmNuserData, halftoneControls, nullptr);
        XtAddCallback(halftoneToggles[i], XmNvalueChangedCallback, SetHalftone,
                      codeData(kHalftones[i].code));
    }

    // Every method but dither and error diffusion starts as threshold.  The
    // notification writes the code back and sets the sensitivity.
    int initial = 0;
    if (options.halftone() == 2)
        initial = 1;
    if (options.halftone() == 3)
        initial = 2;
    XmToggleButtonSetState(halftoneToggles[initial], True, True);
}

Widget RangeLabel(const char* name, Widget form, Widget title, int value) {
    XmString xms = numberString("%d", value);
    Widget w = XtVaCreateManagedWidget(name, xmLabelWidgetClass, form,     //
                                       XmNtopAttachment, XmATTACH_WIDGET,  //
                                       XmNtopWidget, title,                //
                                       XmNlabelString, xms, nullptr);
    XmStringFree(xms);
    return w;
}

Widget ValueScroll(const char* name, Widget form, Widget title, Widget min, Widget max, int minimum,
                   int maximum, int sliderSize, int value, ValueLink* link) {
    Widget w = XtVaCreateManagedWidget(name, xmScrollBarWidgetClass, form,   //
                                       XmNtopAttachment, XmATTACH_WIDGET,    //
                                       XmNtopWidget, title,                  //
                                       XmNleftAttachment, XmATTACH_WIDGET,   //
                                       XmNleftWidget, min,                   //
                                       XmNrightAttachment, XmATTACH_WIDGET,  //
                                       XmNrightWidget, max,                  //
                                       XmNminimum, minimum,                  //
                                       XmNmaximum, maximum,                  //
                                       XmNsliderSize, sliderSize,            //
                                       XmNvalue, value,                      //
                                       XmNorientation, XmHORIZONTAL, nullptr);
    XtAddCallback(w, XmNvalueChangedCallback, DoScroll, link);
    XtAddCallback(w, XmNdragCallback, DoScroll, link);
    return w;
}

void ShowValue(Widget label, int value) {
    char text[16];
    std::snprintf(text, sizeof text, kValueFormat, value);
    SetLabelString(label, text);
}

void DoScroll(Widget, XtPointer clientData, XtPointer callData) {
    auto* link = static_cast<ValueLink*>(clientData);
    auto* cbs = static_cast<XmScrollBarCallbackStruct*>(callData);
    if (link == nullptr || cbs == nullptr)
        return;
    ShowValue(link->valueLabel, cbs->value);
    records::putU16BE(link->target, static_cast<unsigned>(cbs->value));
}
