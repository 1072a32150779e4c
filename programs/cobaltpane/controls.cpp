// The controls of cobaltpane's work area: intensity and contrast within the
// driver's limits, the black-and-white dither pattern, and the switch that
// disables the transparency adapter.
#include "cobaltpane.h"

#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrollBar.h>
#include <Xm/ToggleB.h>

#include <cstdint>
#include <cstdio>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

namespace {

using records::SjOptions;

// One argument of a widget's creation.
Arg Set(String name, XtArgVal value) {
    Arg arg;
    XtSetArg(arg, name, value);
    return arg;
}

// The same for a pointer-valued resource (a widget, a compound string).
Arg Set(String name, const void* value) {
    return Set(name, reinterpret_cast<XtArgVal>(value));
}

using Creator = Widget (*)(Widget, String, ArgList, Cardinal);

// Creates a widget with the given arguments, unmanaged.
Widget Create(Creator create, Widget parent, const char* name, std::vector<Arg> args = {}) {
    return create(parent, const_cast<char*>(name), args.data(), static_cast<Cardinal>(args.size()));
}

// Creates a widget with the given arguments and manages it.
Widget Make(Creator create, Widget parent, const char* name, std::vector<Arg> args = {}) {
    Widget w = Create(create, parent, name, std::move(args));
    XtManageChild(w);
    return w;
}

// Where one side of a form's child is attached: not by the code, to the
// form, or to a sibling.
struct Side {
    unsigned char how;
    Widget to;
};
constexpr Side kUnset{XmATTACH_NONE, nullptr};
constexpr Side kForm{XmATTACH_FORM, nullptr};
Side To(Widget sibling) {
    return {XmATTACH_WIDGET, sibling};
}

// The attachment arguments of a form's child, side by side (left, top,
// right, bottom), followed by more arguments.
std::vector<Arg> Attach(Side left, Side top, Side right, Side bottom, std::vector<Arg> more = {}) {
    struct {
        Side side;
        String attachment;
        String widget;
    } const sides[] = {
        {left, XmNleftAttachment, XmNleftWidget},
        {top, XmNtopAttachment, XmNtopWidget},
        {right, XmNrightAttachment, XmNrightWidget},
        {bottom, XmNbottomAttachment, XmNbottomWidget},
    };
    std::vector<Arg> args;
    for (const auto& s : sides) {
        if (s.side.how == XmATTACH_NONE)
            continue;
        args.push_back(Set(s.attachment, s.side.how));
        if (s.side.how == XmATTACH_WIDGET)
            args.push_back(Set(s.widget, s.side.to));
    }
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The XmNuserData of a scroll bar that the user has moved (null before).
XtPointer const kUserMoved = reinterpret_cast<XtPointer>(1);

// The one-line compound string of a number in plain decimal.
XmString NumberString(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return XmStringCreateSimple(text);
}

// A managed label that shows a number, made with the other arguments given.
Widget MakeNumberLabel(Widget parent, const char* name, int value, std::vector<Arg> args) {
    XmString text = NumberString(value);
    args.push_back(Set(XmNlabelString, text));
    Widget label = Make(XmCreateLabel, parent, name, std::move(args));
    XmStringFree(text);
    return label;
}

// The widget names and record fields of one scroll bar group.
struct ScrollGroup {
    const char* form;
    const char* caption;
    const char* current;
    const char* minimum;
    const char* maximum;
    const char* scrollBar;
    SjOptions::Field value;
    SjOptions::Field low;
    SjOptions::Field high;
    Widget* variable;  // where DoApply finds the scroll bar
};

const ScrollGroup kScrollGroups[] = {
    {"intForm", "intLabel", "curIntLabel", "minIntLabel", "maxIntLabel", "iscroll",
     SjOptions::kIntensity, SjOptions::kIntensityMin, SjOptions::kIntensityMax, &iscroll},
    {"conForm", "conLabel", "curConLabel", "minConLabel", "maxConLabel", "cscroll",
     SjOptions::kContrast, SjOptions::kContrastMin, SjOptions::kContrastMax, &cscroll},
};

// Caption and current value on top; below them the minimum, the scroll bar
// stretched between the limits, and the maximum.
void CreateScrollGroup(Widget rc, const ScrollGroup& g) {
    Widget form = Make(XmCreateForm, rc, g.form);
    Widget caption = Make(XmCreateLabel, form, g.caption, Attach(kForm, kForm, kUnset, kUnset));
    Widget current = MakeNumberLabel(form, g.current, options.get(g.value),
                                     Attach(To(caption), kForm, kUnset, kUnset));
    Widget low = MakeNumberLabel(form, g.minimum, options.get(g.low),
                                 Attach(kForm, To(caption), kUnset, kForm));
    Widget high = MakeNumberLabel(form, g.maximum, options.get(g.high),
                                  Attach(kUnset, To(current), kForm, kForm));
    Widget scroll = Make(XmCreateScrollBar, form, g.scrollBar,
                         Attach(To(low), To(caption), To(high), kForm,
                                {
                                    Set(XmNminimum, options.get(g.low)),
                                    Set(XmNmaximum, ScrollMaximum(options.get(g.high))),
                                    Set(XmNvalue, options.get(g.value)),
                                    Set(XmNsliderSize, 1),
                                    Set(XmNorientation, XmHORIZONTAL),
                                }));
    XtAddCallback(scroll, XmNvalueChangedCallback, ShowScrollValue, current);
    XtAddCallback(scroll, XmNdragCallback, ShowScrollValue, current);
    *g.variable = scroll;
}

// The dither toggles in order; the pattern code travels as client data.
struct DitherToggle {
    const char* name;
    XtCallbackProc callback;
    std::intptr_t code;
};

constexpr std::intptr_t kNoPattern = 0;  // "None" has no code: null client data

const DitherToggle kDitherToggles[] = {
    // clang-format off
    {"dithNone",     SetNoDither,      kNoPattern},
    {"dithCoarse",   SetDitherPattern, 0},
    {"dithFine",     SetDitherPattern, 1},
    {"dithBayer",    SetDitherPattern, 2},
    {"dithVertical", SetDitherPattern, 3},
    // clang-format on
};
constexpr std::size_t kDitherCount = sizeof kDitherToggles / sizeof kDitherToggles[0];

// The toggle that shows the fetched dither fields: "None" when ditherOn is
// 0 or the pattern is unknown, otherwise the pattern's toggle.
std::size_t InitialDitherChoice() {
    if (options.ditherOn() == 0)
        return 0;
    std::int32_t pattern = options.ditherPattern();
    if (pattern < 0 || pattern >= static_cast<std::int32_t>(kDitherCount) - 1)
        return 0;
    return static_cast<std::size_t>(pattern) + 1;
}

void CreateDitherGroup(Widget rc) {
    Widget form = Make(XmCreateForm, rc, "dithForm");
    Widget label = Make(XmCreateLabel, form, "dithLabel");
    Widget radio =
        Make(XmCreateRadioBox, form, "dithRadio",
             Attach(To(label), kUnset, kUnset, kUnset, {Set(XmNorientation, XmHORIZONTAL)}));
    Widget toggles[kDitherCount];
    for (std::size_t i = 0; i < kDitherCount; ++i) {
        const DitherToggle& t = kDitherToggles[i];
        toggles[i] = Make(XmCreateToggleButton, radio, t.name);
        XtAddCallback(toggles[i], XmNvalueChangedCallback, t.callback,
                      reinterpret_cast<XtPointer>(t.code));
    }
    // With notification: the chosen toggle's callback writes the normalised
    // dither fields into the record once.
    XmToggleButtonSetState(toggles[InitialDitherChoice()], True, True);
}

// Shown only when the driver reports an adapter; it shows the inverse of
// tpaEnabled and has no callback: DoApply reads it.
void CreateAdapterToggle(Widget rc) {
    disableTPA = Create(XmCreateToggleButton, rc, "disableTPA");
    if (options.tpaPresent()) {
        XtManageChild(disableTPA);
        XmToggleButtonSetState(disableTPA, options.tpaEnabled() ? False : True, False);
    } else {
        XmToggleButtonSetState(disableTPA, False, False);
    }
}

}  // namespace

void CreateControls(Widget rc) {
    for (const ScrollGroup& g : kScrollGroups) CreateScrollGroup(rc, g);
    CreateDitherGroup(rc);
    CreateAdapterToggle(rc);
}

int ScrollMaximum(std::int32_t limit) {
    // limit + 1 would overflow at the top of the range.
    constexpr int kTop = std::numeric_limits<int>::max();
    return limit < kTop ? limit + 1 : kTop;
}

bool ScrollBarHoldsRange(std::int32_t minimum, std::int32_t maximum) {
    // Motif 2.3 works with the bar's maximum less its minimum as an int.
    // Above INT_MAX that difference overflows: the slider size turns
    // negative, the value falls to the minimum and the bar no longer moves.
    // A maximum not above the minimum is refused, and the bar keeps its own
    // 0 to 100.  A limit of INT_MAX has no int one above it, so the bar's
    // maximum is held there and the slider stops one short of the limit.
    // In all three the bar's value can differ from the driver's.
    constexpr std::int64_t kTop = std::numeric_limits<int>::max();
    const std::int64_t barMaximum = std::int64_t{maximum} + 1;
    return barMaximum <= kTop && barMaximum > minimum && barMaximum - minimum <= kTop;
}

std::int32_t AppliedScrollValue(Widget scrollBar, std::int32_t fetched, std::int32_t minimum,
                                std::int32_t maximum) {
    XtPointer moved = nullptr;
    int value = 0;
    XtVaGetValues(scrollBar, XmNuserData, &moved, XmNvalue, &value, nullptr);
    // A bar that cannot hold the driver's range has a value of the
    // toolkit's making until the user moves it: keep the fetched one.
    if (moved == nullptr && !ScrollBarHoldsRange(minimum, maximum))
        return fetched;
    return value;
}

void ShowScrollValue(Widget w, XtPointer clientData, XtPointer callData) {
    auto* cbs = static_cast<XmScrollBarCallbackStruct*>(callData);
    XmString text = NumberString(cbs->value);
    XtVaSetValues(static_cast<Widget>(clientData), XmNlabelString, text, nullptr);
    XmStringFree(text);
    // From now on Apply takes the bar's value, whatever its range.
    XtVaSetValues(w, XmNuserData, kUserMoved, nullptr);
}

void SetNoDither(Widget, XtPointer, XtPointer callData) {
    auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(callData);
    if (cbs->set)
        options.setDitherOn(0);
}

void SetDitherPattern(Widget, XtPointer clientData, XtPointer callData) {
    auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(callData);
    if (!cbs->set)
        return;
    options.setDitherOn(1);
    options.setDitherPattern(
        static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(clientData)));
}
