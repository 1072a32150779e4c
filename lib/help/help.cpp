// The help viewer: builds the help dialog, maps help files into it and fits
// its width to the text.
#include "help/help.h"
#include "help/help_internal.h"

#include <X11/IntrinsicP.h>  // XtResizeWidget
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/MessageB.h>
#include <Xm/PanedW.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrolledW.h>
#include <Xm/Text.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace {

// Line height when the text's font list yields no font.
constexpr int kDefaultLineHeight = 10;

// An open descriptor, closed when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

std::size_t PageSize() {
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Bytes of address space that a help file of the given size occupies: its
// pages and one more, all zero, so that the text is always followed by a NUL
// that lies inside our mapping, whatever the file's size.
std::size_t MappedSpan(std::size_t size) {
    const std::size_t page = PageSize();
    return (size + page - 1) / page * page + page;
}

// Maps the file read-only and shared, followed by a zero page.  Null when the
// mapping fails.
const char* MapHelpText(int fd, std::size_t size) {
    const std::size_t span = MappedSpan(size);
    // Reserve the whole span zero-filled, then lay the file over its start:
    // reading past the end of a file mapping's last page would raise SIGBUS,
    // reading into the reserved page gives zeros.
    void* area = mmap(nullptr, span, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        return nullptr;
    void* file = mmap(area, size, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0);
    if (file == MAP_FAILED) {
        munmap(area, span);
        return nullptr;
    }
    return static_cast<const char*>(file);
}

void ReleaseHelpFile(HlpDialogRec* rec) {
    if (rec->fileAddress != nullptr) {
        munmap(const_cast<char*>(rec->fileAddress), MappedSpan(rec->fileLength));
    }
    rec->fileAddress = nullptr;
    rec->fileLength = 0;
}

// Ascent plus descent of the first font of the text's font list.
int FirstFontHeight(Widget text) {
    int height = kDefaultLineHeight;
    XmFontList fontList = nullptr;
    XtVaGetValues(text, XmNfontList, &fontList, nullptr);
    XmFontContext context = nullptr;
    if (fontList != nullptr && XmFontListInitFontContext(&context, fontList)) {
        XmStringCharSet charset = nullptr;
        XFontStruct* font = nullptr;
        if (XmFontListGetNextFont(context, &charset, &font) && font != nullptr) {
            height = font->ascent + font->descent;
        }
        XtFree(charset);
        XmFontListFreeFontContext(context);
    }
    return height;
}

// A width worked out as a signed number, kept within what a Dimension holds
// and above zero (the toolkit refuses a widget of width 0).
Dimension ToDimension(int value) {
    return static_cast<Dimension>(std::clamp(value, 1, 0xFFFF));
}

}  // namespace

HlpDialogRec* HlpRecord(Widget dialog) {
    XtPointer data = nullptr;
    XtVaGetValues(dialog, XmNuserData, &data, nullptr);
    return static_cast<HlpDialogRec*>(data);
}

Widget HlpCreateHelpDialog(Widget parent, const char* name) {
    auto* rec = new HlpDialogRec{};

    // The code below is indented like the widget tree it builds.
    // clang-format off
    Arg arg;
    XtSetArg(arg, XmNallowShellResize, True);
    rec->dialog = XmCreateFormDialog(parent, const_cast<char*>(name), &arg, 1);
      rec->pane = XtVaCreateManagedWidget(
          "helpPane", xmPanedWindowWidgetClass, rec->dialog,
          XmNtopAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM,
          XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
          XmNsashWidth, 1, XmNsashHeight, 1, XmNmarginHeight, 10, XmNmarginWidth, 10,
          XmNseparatorOn, False, XmNspacing, 10, nullptr);
        Widget controlForm =
            XtVaCreateManagedWidget("controlForm", xmFormWidgetClass, rec->pane, nullptr);
          // Never shown: it only lends the information symbol to "helpSymbol".
          Widget dummy = XmCreateInformationDialog(controlForm, const_cast<char*>("dummy"),
                                                   nullptr, 0);
          Pixmap symbol = XmUNSPECIFIED_PIXMAP;
          XtVaGetValues(XmMessageBoxGetChild(dummy, XmDIALOG_SYMBOL_LABEL), XmNlabelPixmap,
                        &symbol, nullptr);
          Widget helpSymbol = XtVaCreateManagedWidget(
              "helpSymbol", xmLabelWidgetClass, controlForm,
              XmNlabelType, XmPIXMAP, XmNlabelPixmap, symbol,
              XmNleftAttachment, XmATTACH_FORM, XmNtopAttachment, XmATTACH_FORM,
              XmNbottomAttachment, XmATTACH_FORM, nullptr);
          Arg swArgs[] = {
              {XmNleftAttachment, XmATTACH_WIDGET},
              {XmNleftWidget, reinterpret_cast<XtArgVal>(helpSymbol)},
              {XmNleftOffset, 10},
              {XmNrightAttachment, XmATTACH_FORM},
              {XmNtopAttachment, XmATTACH_FORM},
              {XmNbottomAttachment, XmATTACH_FORM},
              {XmNscrollingPolicy, XmAUTOMATIC},
          };
          rec->scrolledWindow = XmCreateScrolledWindow(controlForm, const_cast<char*>("helpSW"),
                                                       swArgs, XtNumber(swArgs));
            rec->text = XtVaCreateManagedWidget(
                "helpText", xmTextWidgetClass, rec->scrolledWindow,
                XmNeditMode, XmMULTI_LINE_EDIT, XmNeditable, False,
                XmNcursorPositionVisible, False, XmNwordWrap, False,
                XmNshadowThickness, 0, XmNhighlightThickness, 0, XmNtraversalOn, False,
                nullptr);
          XtVaSetValues(rec->scrolledWindow, XmNworkWindow, rec->text, nullptr);
          XtManageChild(rec->scrolledWindow);
    XtVaGetValues(rec->scrolledWindow, XmNclipWindow, &rec->clipWindow,
                  XmNverticalScrollBar, &rec->vScrollBar, nullptr);
    XtAddCallback(rec->clipWindow, XmNresizeCallback, HelpResized, rec);

    rec->lineHeight = FirstFontHeight(rec->text);

    Pixel background = 0;
    XtVaGetValues(rec->text, XmNbackground, &background, nullptr);
    XtVaSetValues(rec->clipWindow, XmNbackground, background, nullptr);

        Widget actionForm =
            XtVaCreateManagedWidget("actionForm", xmFormWidgetClass, rec->pane, nullptr);
          Widget actionRowC = XtVaCreateManagedWidget(
              "actionRowC", xmRowColumnWidgetClass, actionForm,
              XmNorientation, XmHORIZONTAL, XmNpacking, XmPACK_COLUMN,
              XmNentryAlignment, XmALIGNMENT_CENTER, XmNmarginHeight, 0, XmNmarginWidth, 0,
              XmNspacing, 8, XmNtopAttachment, XmATTACH_FORM,
              XmNbottomAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, nullptr);
            Widget ok =
                XtVaCreateManagedWidget("  OK  ", xmPushButtonWidgetClass, actionRowC, nullptr);
    XtAddCallback(ok, XmNactivateCallback, HelpOK, rec);
    // clang-format on

    // The lower pane keeps exactly the height of one button row; only the
    // upper pane grows and shrinks with the dialog.
    Dimension buttonHeight = 0;
    Dimension margin = 0;
    XtVaGetValues(ok, XmNheight, &buttonHeight, nullptr);
    XtVaGetValues(actionForm, XmNmarginHeight, &margin, nullptr);
    const auto rowHeight = static_cast<Dimension>(buttonHeight + 2 * margin);
    XtVaSetValues(actionForm, XmNpaneMaximum, rowHeight, XmNpaneMinimum, rowHeight, nullptr);

    XtVaSetValues(rec->dialog, XmNuserData, rec, nullptr);
    return rec->dialog;
}

int HlpSetHelpFile(Widget dialog, const char* path) {
    HlpDialogRec* rec = HlpRecord(dialog);
    ReleaseHelpFile(rec);

    // Without O_NONBLOCK a FIFO would hold the dialog until a writer came.
    Descriptor fd(open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return -1;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        return -1;
    // Only a regular file has a size to map; an empty one has nothing to show.
    if (!S_ISREG(info.st_mode) || info.st_size <= 0)
        return -1;
    if (static_cast<std::uintmax_t>(info.st_size) > SIZE_MAX - 2 * PageSize())
        return -1;
    const auto size = static_cast<std::size_t>(info.st_size);
    const char* text = MapHelpText(fd.get(), size);
    if (text == nullptr)
        return -1;

    rec->fileAddress = text;
    rec->fileLength = size;
    // The text ends at the first NUL: inside the file, or the zero after it.
    XtVaSetValues(rec->text, XmNvalue, text, nullptr);
    if (XtIsManaged(rec->dialog))
        SizeHelpDialog(rec);
    return 0;
}

void HlpPopup(Widget dialog) {
    HlpDialogRec* rec = HlpRecord(dialog);
    // Lay the dialog out and size it before its window appears.
    XtSetMappedWhenManaged(dialog, False);
    XtManageChild(dialog);
    SizeHelpDialog(rec);
    SetHelpIncrements(rec);
    XMapWindow(XtDisplay(dialog), XtWindow(dialog));
    XtSetMappedWhenManaged(dialog, True);
}

void HlpShowHelp(Widget* dialog, Widget parent, const char* path) {
    if (*dialog == nullptr)
        *dialog = HlpCreateHelpDialog(parent, "helpTopic");
    HlpSetHelpFile(*dialog, path);
    HlpPopup(*dialog);
}

void SizeHelpDialog(HlpDialogRec* rec) {
    Dimension clipWidth = 0;
    Dimension textWidth = 0;
    XtVaGetValues(rec->clipWindow, XmNwidth, &clipWidth, nullptr);
    XtVaGetValues(rec->text, XmNwidth, &textWidth, nullptr);
    const int change = textWidth - clipWidth + 2;

    Dimension paneWidth = 0;
    Dimension paneHeight = 0;
    Dimension paneBorder = 0;
    Dimension dialogWidth = 0;
    Dimension dialogHeight = 0;
    XtVaGetValues(rec->pane, XmNwidth, &paneWidth, XmNheight, &paneHeight, XmNborderWidth,
                  &paneBorder, nullptr);
    XtVaGetValues(rec->dialog, XmNwidth, &dialogWidth, XmNheight, &dialogHeight, nullptr);

    const Dimension newPaneWidth = ToDimension(paneWidth + change);
    const Dimension newDialogWidth = ToDimension(dialogWidth + change);
    XtMakeResizeRequest(rec->dialog, newDialogWidth, dialogHeight, nullptr, nullptr);
    XtResizeWidget(rec->pane, newPaneWidth, paneHeight, paneBorder);
}

void SetHelpIncrements(HlpDialogRec* rec) {
    Dimension clipHeight = 0;
    XtVaGetValues(rec->clipWindow, XmNheight, &clipHeight, nullptr);
    // A clip window no taller than two lines would give a page step below 1,
    // which the scroll bar refuses.
    const int page = std::max(1, clipHeight - 2 * rec->lineHeight);
    XtVaSetValues(rec->vScrollBar, XmNincrement, rec->lineHeight, XmNpageIncrement, page, nullptr);
}

void HelpResized(Widget, XtPointer clientData, XtPointer) {
    SetHelpIncrements(static_cast<HlpDialogRec*>(clientData));
}

void HelpOK(Widget, XtPointer clientData, XtPointer) {
    XtUnmanageChild(static_cast<HlpDialogRec*>(clientData)->dialog);
}
