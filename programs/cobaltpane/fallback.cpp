// The fallback resources of cobaltpane: every label text and most of the
// layout of the dialog come from here, so a user's resource file can
// relabel or rearrange it.
#include "cobaltpane.h"

namespace {

// Xt takes the list as String* but never writes through it.
constexpr String Line(const char* text) {
    return const_cast<char*>(text);
}

}  // namespace

String fallBackResources[] = {
    Line("*dialogTitle: ScanJet Options"),
    Line("*rc.spacing: 20"),
    Line("*rc.marginWidth: 10"),
    Line("*rc.marginHeight: 10"),
    Line("*intLabel.labelString: Intensity:"),
    Line("*conLabel.labelString: Contrast:"),
    Line("*minIntLabel.topOffset: 5"),
    Line("*maxIntLabel.topOffset: 5"),
    Line("*iscroll.topOffset: 5"),
    Line("*iscroll.traversalOn: True"),
    Line("*minConLabel.topOffset: 5"),
    Line("*maxConLabel.topOffset: 5"),
    Line("*cscroll.topOffset: 5"),
    Line("*cscroll.traversalOn: True"),
    Line("*iscroll.width: 128"),
    Line("*cscroll.width: 128"),
    Line("*dithForm*topAttachment: ATTACH_FORM"),
    Line("*dithForm*bottomAttachment: ATTACH_FORM"),
    Line("*dithLabel.labelString: B/W Dither Pattern:"),
    Line("*dithNone.labelString: None"),
    Line("*dithCoarse.labelString: Coarse"),
    Line("*dithFine.labelString: Fine"),
    Line("*dithBayer.labelString: Bayer"),
    Line("*dithVertical.labelString: Vertical"),
    Line("*disableTPA.labelString: Disable Transparency Adapter"),
    Line("*helpTopic.dialogTitle: Help"),
    Line("*helpTopic.height: 300"),
    Line("*helpTopic.width: 550"),
    Line("*errorBox.dialogTitle: Error"),
    Line("RoVIz*XmScrollBar.highlightThickness:        1"),
    Line("*useSchemes: all"),
    Line("*kolvarMode: true"),
    Line("*schemeFileList: KolvarSpec"),
    Line("*scheme: Base"),
    nullptr,
};
