// The controls of indigopane's work area: gamma curve, brightness, edge
// emphasis and dither pattern.  No control has a callback: the choices stay
// in the widgets until Apply collects them, so Cancel has nothing to undo.
#include "indigopane.h"

#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrollBar.h>
#include <Xm/ToggleB.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace {

using records::SharpOptions;

// One toggle of a radio group: its widget name, where the state keeps it,
// and the record code it stands for.
struct Choice {
    const char* name;
    Widget SharpState::*member;
    std::int32_t code;
};

// A radio group: one row of the work area with a caption and a row of
// toggles.  The first toggle is the group's default: it is chosen for any
// code without a toggle of its own, and Apply writes its code when no other
// toggle is on.
struct RadioGroup {
    const char* form;
    const char* label;
    const char* rowColumn;
    const Choice* choices;
    std::size_t count;
    SharpOptions::Field field;
};

constexpr Choice kGammaChoices[] = {
    {"g1", &SharpState::g1, 1},           {"g2", &SharpState::g2, 2},
    {"darkest", &SharpState::darkest, 3}, {"dark", &SharpState::dark, 4},
    {"light", &SharpState::light, 5},     {"lightest", &SharpState::lightest, 6},
};
constexpr std::size_t kReducedGammaCount = 2;  // the reduced set offers G1 and G2 only

constexpr Choice kEdgeChoices[] = {
    {"edgeNone", &SharpState::edgeNone, 1},
    {"edgeMedium", &SharpState::edgeMedium, 2},
    {"edgeStrong", &SharpState::edgeStrong, 3},
    {"edgeDull", &SharpState::edgeDull, 4},
};

constexpr Choice kDitherChoices[] = {
    {"dithNone", &SharpState::dithNone, 1},   {"dithA", &SharpState::dithA, 2},
    {"dithB", &SharpState::dithB, 3},         {"dithC", &SharpState::dithC, 4},
    {"dithError", &SharpState::dithError, 5},
};

constexpr RadioGroup kGamma{"gammaForm",
                            "gammaLabel",
                            "gammaRC",
                            kGammaChoices,
                            std::size(kGammaChoices),
                            SharpOptions::kGammaCurve};
constexpr RadioGroup kEdge{"edgeForm",
                           "edgeLabel",
                           "edgeRC",
                           kEdgeChoices,
                           std::size(kEdgeChoices),
                           SharpOptions::kEdgeEmphasis};
constexpr RadioGroup kDither{"ditherForm",
                             "ditherLabel",
                             "ditherRC",
                             kDitherChoices,
                             std::size(kDitherChoices),
                             SharpOptions::kDitherMode};

// The brightness scroll bar has seven positions; value 0 to 6 from left to
// right stands for brightLevel -3 to +3.
constexpr int kBrightOffset = 3;
constexpr int kBrightMinimum = 0;
constexpr int kBrightMaximum = 7;  // XmNmaximum lies one slider size past the last value

using Creator = Widget (*)(Widget, String, ArgList, Cardinal);

// Creates a widget with the given arguments and manages it.
Widget Make(Creator create, Widget parent, const char* name, std::vector<Arg> args = {}) {
    Widget w =
        create(parent, const_cast<char*>(name), args.data(), static_cast<Cardinal>(args.size()));
    XtManageChild(w);
    return w;
}

Arg Set(String name, XtArgVal value) {
    Arg arg;
    XtSetArg(arg, name, value);
    return arg;
}

Arg Set(String name, Widget value) {
    return Set(name, reinterpret_cast<XtArgVal>(value));
}

// The arguments that attach a form child's left side to a sibling.
std::vector<Arg> LeftOf(Widget sibling, std::vector<Arg> more = {}) {
    more.insert(more.begin(),
                {Set(XmNleftAttachment, XmATTACH_WIDGET), Set(XmNleftWidget, sibling)});
    return more;
}

// The building code below is indented like the widget tree it makes.
// clang-format off

// Builds a radio group's row with its first count toggles into rc.
void CreateRadioGroup(Widget rc, const RadioGroup& group, std::size_t count, SharpState* s) {
    Widget form = Make(XmCreateForm, rc, group.form);
        Widget label = Make(XmCreateLabel, form, group.label);
        Widget row = Make(XmCreateRowColumn, form, group.rowColumn,
                          LeftOf(label, {Set(XmNorientation, XmHORIZONTAL),
                                         Set(XmNradioBehavior, True)}));
            for (std::size_t i = 0; i < count; ++i) {
                const Choice& c = group.choices[i];
                s->*c.member = Make(XmCreateToggleButton, row, c.name,
                                    {Set(XmNindicatorType, XmONE_OF_MANY)});
            }
}

// The scroll position of a brightLevel: the left ("Dark") end when it lies
// outside -3..+3.
int BrightValue(std::int32_t level) {
    return level >= -kBrightOffset && level <= kBrightOffset ? level + kBrightOffset
                                                             : kBrightMinimum;
}

void CreateBrightGroup(Widget rc, SharpState* s) {
    Widget form = Make(XmCreateForm, rc, "brightForm");
        Widget label = Make(XmCreateLabel, form, "brightLabel");
        Widget darkLabel = Make(XmCreateLabel, form, "darkLabel", LeftOf(label));
        Widget lightLabel = Make(XmCreateLabel, form, "lightLabel",
                                 {Set(XmNrightAttachment, XmATTACH_FORM)});
        s->bright = Make(XmCreateScrollBar, form, "bright",
                         LeftOf(darkLabel, {Set(XmNrightAttachment, XmATTACH_WIDGET),
                                            Set(XmNrightWidget, lightLabel),
                                            Set(XmNorientation, XmHORIZONTAL),
                                            Set(XmNminimum, kBrightMinimum),
                                            Set(XmNmaximum, kBrightMaximum),
                                            Set(XmNsliderSize, 1),
                                            Set(XmNvalue, BrightValue(s->options.brightLevel()))}));
}

// clang-format on

// Sets on, with notification, the built toggle of the group that stands for
// the record's code, or the group's default.
void ChooseInitial(const RadioGroup& group, SharpState* s) {
    const std::int32_t code = s->options.get(group.field);
    Widget chosen = s->*group.choices[0].member;
    for (std::size_t i = 1; i < group.count; ++i) {
        Widget w = s->*group.choices[i].member;
        if (w != nullptr && group.choices[i].code == code)
            chosen = w;
    }
    XmToggleButtonSetState(chosen, True, True);
}

// Writes the code of the first built toggle after the default that is on,
// in table order, or the default's code.
void Collect(const RadioGroup& group, SharpState* s) {
    std::int32_t code = group.choices[0].code;
    for (std::size_t i = 1; i < group.count; ++i) {
        Widget w = s->*group.choices[i].member;
        if (w != nullptr && XmToggleButtonGetState(w)) {
            code = group.choices[i].code;
            break;
        }
    }
    s->options.set(group.field, code);
}

}  // namespace

void CreateControls(Widget rc, SharpState* s) {
    const bool full = s->options.reducedSet() == 0;
    CreateRadioGroup(rc, kGamma, full ? kGamma.count : kReducedGammaCount, s);
    if (full)
        CreateBrightGroup(rc, s);
    CreateRadioGroup(rc, kEdge, kEdge.count, s);
    if (full)
        CreateRadioGroup(rc, kDither, kDither.count, s);

    ChooseInitial(kGamma, s);
    ChooseInitial(kEdge, s);
    if (full)
        ChooseInitial(kDither, s);
}

void CollectControls(SharpState* s) {
    Collect(kGamma, s);
    Collect(kEdge, s);
    if (s->options.reducedSet() != 0)
        return;  // dither mode and brightness go back as fetched
    Collect(kDither, s);
    // The toolkit answers a host int; the record holds big-endian bytes.
    int value = 0;
    XtVaGetValues(s->bright, XmNvalue, &value, nullptr);
    s->options.setBrightLevel(value - kBrightOffset);
}
