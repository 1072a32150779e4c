// The fallback resources of indigopane: every label text and most of the
// layout of the dialog come from here, so a user's resource file can
// relabel or rearrange it.
#include "indigopane.h"

namespace {

// Xt takes the list as String* but never writes through it.
String Line(const char* text) {
    return const_cast<char*>(text);
}

}  // namespace

String fallBackResources[] = {
    Line("*title: Sharp Scanner Options"),
    // Each group's form spans its row; captions end at 20% of the row.
    Line("*rc.gammaForm*topAttachment: ATTACH_FORM"),
    Line("*rc.gammaForm*bottomAttachment: ATTACH_FORM"),
    Line("*rc.edgeForm*topAttachment: ATTACH_FORM"),
    Line("*rc.edgeForm*bottomAttachment: ATTACH_FORM"),
    Line("*rc.ditherForm*topAttachment: ATTACH_FORM"),
    Line("*rc.ditherForm*bottomAttachment: ATTACH_FORM"),
    Line("*rc.brightForm*topAttachment: ATTACH_FORM"),
    Line("*rc.brightForm*bottomAttachment: ATTACH_FORM"),
    Line("*rc.XmForm.XmLabel.fractionBase: 100"),
    Line("*rc.spacing: 15"),
    Line("*rc.XmForm.XmRowColumn.packing: PACK_TIGHT"),
    Line("*rc.XmForm.XmRowColumn.spacing: 10"),
    Line("*gammaLabel.labelString: Gamma:"),
    Line("*gammaLabel.rightAttachment: ATTACH_POSITION"),
    Line("*gammaLabel.rightPosition: 20"),
    Line("*gammaRC.leftOffset: 15"),
    Line("*g1.labelString: G1"),
    Line("*g2.labelString: G2"),
    Line("*darkest.labelString: Darkest"),
    Line("*dark.labelString: Dark"),
    Line("*light.labelString: Light"),
    Line("*lightest.labelString: Lightest"),
    Line("*brightLabel.labelString: Brightness:"),
    Line("*brightLabel.rightAttachment: ATTACH_POSITION"),
    Line("*brightLabel.rightPosition: 20"),
    Line("*darkLabel.leftOffset: 15"),
    Line("*darkLabel.labelString: Dark"),
    Line("*lightLabel.labelString: Light"),
    Line("*bright.leftOffset: 10"),
    Line("*bright.rightOffset: 10"),
    Line("*bright.traversalOn: True"),
    Line("*edgeLabel.labelString: Edge Emphasis:"),
    Line("*edgeLabel.rightAttachment: ATTACH_POSITION"),
    Line("*edgeLabel.rightPosition: 20"),
    Line("*edgeRC.leftOffset: 15"),
    Line("*edgeNone.labelString: None"),
    Line("*edgeMedium.labelString: Medium"),
    Line("*edgeStrong.labelString: Strong"),
    Line("*edgeDull.labelString: Dull"),
    Line("*ditherLabel.labelString: Dither Pattern:"),
    Line("*ditherLabel.rightAttachment: ATTACH_POSITION"),
    Line("*ditherLabel.rightPosition: 20"),
    Line("*ditherRC.leftOffset: 15"),
    Line("*dithNone.labelString: None"),
    Line("*dithA.labelString: A"),
    Line("*dithB.labelString: B"),
    Line("*dithC.labelString: C"),
    Line("*dithError.labelString: Error Diffusion"),
    Line("*helpTopic.dialogTitle: Help"),
    Line("*helpTopic.height: 300"),
    Line("*helpTopic.width: 575"),
    Line("*errorBox.dialogTitle: Error"),
    Line("Indigopane*XmScrollBar.highlightThickness:        1"),
    // The desktop's colour and font scheme.
    Line("*useSchemes: all"),
    Line("*kolvarMode: true"),
    Line("*schemeFileList: KolvarSpec"),
    Line("*scheme: Base"),
    nullptr,
};
