// The help viewer on a real toolkit: the life of one dialog, help files it
// must refuse, texts that end early or fill whole pages, the sizing pass and
// the scroll increments.
#include "toolkit_fixture.h"

#include "help/help.h"
#include "help/help_internal.h"

#include <X11/IntrinsicP.h>  // the popup list of a shell
#include <Xm/Xm.h>
#include <Xm/DialogS.h>
#include <Xm/Text.h>

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// A font of ascent 10 and descent 3 (xfonts-75dpi), so a text line is 13
// pixels high.
constexpr const char* kTextFont = "-adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1";

String fallbacks[] = {
    const_cast<char*>("*helpTopic.dialogTitle: Help"),
    const_cast<char*>("*helpTopic.height: 300"),
    const_cast<char*>("*helpTopic.width: 550"),
    const_cast<char*>("*helpText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-"
                      "iso8859-1"),
    nullptr,
};

class HelpTest : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "helptest"; }
    const char* AppClass() const override { return "HelpTest"; }
    String* Fallbacks() const override { return fallbacks; }

    void SetUp() override {
        testrig::ToolkitTest::SetUp();
        XtRealizeWidget(toplevel);
        char pattern[] = "/tmp/helptest.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty())
            std::system(("rm -rf '" + dir + "'").c_str());
    }

    // Writes a file of the given bytes in the test's folder; returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }

    std::string dir;
};

std::string Text(HlpDialogRec* rec) {
    char* value = XmTextGetString(rec->text);
    std::string text = value;
    XtFree(value);
    return text;
}

bool Viewable(Widget w) {
    XWindowAttributes attributes;
    XGetWindowAttributes(XtDisplay(w), XtWindow(w), &attributes);
    return attributes.map_state == IsViewable;
}

std::string WindowTitle(Widget shell) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(XtDisplay(shell), XtWindow(shell), &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

Dimension WidthOf(Widget w) {
    Dimension width = 0;
    XtVaGetValues(w, XmNwidth, &width, nullptr);
    return width;
}

Dimension HeightOf(Widget w) {
    Dimension height = 0;
    XtVaGetValues(w, XmNheight, &height, nullptr);
    return height;
}

int Resource(Widget w, const char* name) {
    int value = 0;
    XtVaGetValues(w, name, &value, nullptr);
    return value;
}

// The number of help dialog shells under the top-level shell.
int HelpShells(Widget toplevel) {
    int shells = 0;
    for (Cardinal i = 0; i < toplevel->core.num_popups; ++i) {
        if (XmIsDialogShell(toplevel->core.popup_list[i]))
            ++shells;
    }
    return shells;
}

TEST_F(HelpTest, OneDialogFromCreationThroughLoadShowCloseAndShowAgain) {
    Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    ASSERT_NE(dialog, nullptr);
    HlpDialogRec* rec = HlpRecord(dialog);
    ASSERT_NE(rec, nullptr);
    Widget shell = XtParent(dialog);

    // Created: the tree under the caller's name, unmanaged, empty, nothing mapped.
    EXPECT_STREQ(XtName(dialog), "helpTopic");
    EXPECT_TRUE(XmIsDialogShell(shell));
    EXPECT_EQ(rec->dialog, dialog);
    EXPECT_EQ(rec->pane, testrig::Find(dialog, "helpPane"));
    EXPECT_EQ(rec->scrolledWindow, testrig::Find(dialog, "helpPane.controlForm.helpSW"));
    EXPECT_EQ(rec->text, testrig::Find(rec->scrolledWindow, "*helpText"));
    Widget clip = nullptr;
    Widget vBar = nullptr;
    XtVaGetValues(rec->scrolledWindow, XmNclipWindow, &clip, XmNverticalScrollBar, &vBar, nullptr);
    EXPECT_EQ(rec->clipWindow, clip);
    EXPECT_EQ(rec->vScrollBar, vBar);
    testrig::Find(dialog, "helpPane.controlForm.helpSymbol");
    Widget ok = testrig::Find(dialog, "helpPane.actionForm.actionRowC.  OK  ");
    EXPECT_EQ(testrig::LabelText(ok), "  OK  ");
    EXPECT_FALSE(XtIsManaged(dialog));
    EXPECT_EQ(Text(rec), "");
    EXPECT_EQ(rec->fileAddress, nullptr);
    EXPECT_EQ(rec->fileLength, 0u);

    // Loaded.
    const std::string first = "How to scan\n\nPress OK.\n";
    ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("first.hlp", first).c_str()), 0);
    EXPECT_EQ(Text(rec), first);
    EXPECT_NE(rec->fileAddress, nullptr);
    EXPECT_EQ(rec->fileLength, first.size());
    EXPECT_FALSE(XtIsManaged(dialog));

    // Shown, titled from the resources, the clip window fitted to the text.
    HlpPopup(dialog);
    testrig::ProcessEvents();
    EXPECT_TRUE(XtIsManaged(dialog));
    EXPECT_TRUE(Viewable(dialog));
    EXPECT_EQ(WindowTitle(shell), "Help");
    EXPECT_EQ(WidthOf(rec->clipWindow), WidthOf(rec->text) + 2);

    // Closed: hidden, text and mapping kept.
    testrig::Activate(ok);
    testrig::ProcessEvents();
    EXPECT_FALSE(XtIsManaged(dialog));
    EXPECT_FALSE(Viewable(dialog));
    EXPECT_EQ(Text(rec), first);
    EXPECT_NE(rec->fileAddress, nullptr);

    // Shown again with the file loaded afresh: the same widget, one shell.
    const std::string second = "The file changed while the dialog was closed.\n";
    ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("first.hlp", second).c_str()), 0);
    HlpPopup(dialog);
    testrig::ProcessEvents();
    EXPECT_TRUE(Viewable(dialog));
    EXPECT_EQ(Text(rec), second);
    EXPECT_EQ(HlpRecord(dialog), rec);
    EXPECT_EQ(HelpShells(toplevel), 1);

    // Reloaded while shown, as a press of Help does it: the text follows and
    // the width is fitted to the wider text.
    const std::string wide = std::string(70, 'w') + "\n";
    const int narrowWidth = WidthOf(dialog);
    ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("wide.hlp", wide).c_str()), 0);
    HlpPopup(dialog);
    testrig::ProcessEvents();
    EXPECT_GT(WidthOf(dialog), narrowWidth);
    EXPECT_EQ(Text(rec), wide);
    EXPECT_EQ(WidthOf(rec->clipWindow), WidthOf(rec->text) + 2);
    EXPECT_TRUE(Viewable(dialog));
}

// A file the viewer must refuse: built in the test's folder by make.
struct Refused {
    const char* what;
    std::string (*make)(const std::string& dir);
    bool needsNonRoot;
};

const Refused refusedFiles[] = {
    {"missing", [](const std::string& dir) { return dir + "/none.hlp"; }, false},
    {"empty",
     [](const std::string& dir) {
         std::string path = dir + "/empty.hlp";
         std::ofstream(path).flush();
         return path;
     },
     false},
    {"directory",
     [](const std::string& dir) {
         std::string path = dir + "/folder.hlp";
         mkdir(path.c_str(), 0755);
         return path;
     },
     false},
    // Opening a FIFO for reading waits for a writer unless told not to.
    {"fifo without a writer",
     [](const std::string& dir) {
         std::string path = dir + "/fifo.hlp";
         mkfifo(path.c_str(), 0644);
         return path;
     },
     false},
    {"unreadable",
     [](const std::string& dir) {
         std::string path = dir + "/secret.hlp";
         std::ofstream(path) << "secret\n";
         chmod(path.c_str(), 0);
         return path;
     },
     true},
};

// The Help button's work: the first press makes the one dialog, every press
// loads the file afresh and shows the dialog, even when the file is missing.
TEST_F(HelpTest, HelpButtonShowsOneDialogWithTheFileAsItIsAtEachPress) {
    const std::string path = dir + "/program.hlp";
    Widget dialog = nullptr;
    HlpShowHelp(&dialog, toplevel, path.c_str());  // not installed yet
    ASSERT_NE(dialog, nullptr);
    EXPECT_STREQ(XtName(dialog), "helpTopic");
    EXPECT_TRUE(XtIsManaged(dialog));
    EXPECT_EQ(Text(HlpRecord(dialog)), "");

    WriteFile("program.hlp", "Now installed.\n");
    Widget first = dialog;
    HlpShowHelp(&dialog, toplevel, path.c_str());
    EXPECT_EQ(dialog, first);
    EXPECT_EQ(Text(HlpRecord(dialog)), "Now installed.\n");
}

TEST_F(HelpTest, RefusedFileKeepsThePreviousTextReleasesTheFileAndPrintsNothing) {
    const std::string good = "The previous help text.\n";
    const std::string goodPath = WriteFile("good.hlp", good);
    for (const Refused& row : refusedFiles) {
        SCOPED_TRACE(row.what);
        if (row.needsNonRoot && geteuid() == 0)
            continue;  // root reads any file
        const std::string path = row.make(dir);

        // First load of a new dialog: the text stays empty.
        Widget fresh = HlpCreateHelpDialog(toplevel, "helpTopic");
        HlpDialogRec* rec = HlpRecord(fresh);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(HlpSetHelpFile(fresh, path.c_str()), -1);
        HlpPopup(fresh);
        testrig::ProcessEvents();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(Text(rec), "");
        EXPECT_EQ(rec->fileAddress, nullptr);
        EXPECT_EQ(rec->fileLength, 0u);
        EXPECT_TRUE(Viewable(fresh));

        // After a good load (the file went away between two presses of
        // Help): the old text stays on show, its mapping is released.
        ASSERT_EQ(HlpSetHelpFile(fresh, goodPath.c_str()), 0);
        EXPECT_EQ(HlpSetHelpFile(fresh, path.c_str()), -1);
        EXPECT_EQ(Text(rec), good);
        EXPECT_EQ(rec->fileAddress, nullptr);
        EXPECT_EQ(rec->fileLength, 0u);
        EXPECT_TRUE(Viewable(fresh));
    }
}

TEST_F(HelpTest, NulByteEndsTheTextShown) {
    Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    const std::string bytes("Shown up to here.\n\0never shown\n", 31);
    ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("nul.hlp", bytes).c_str()), 0);
    EXPECT_EQ(Text(HlpRecord(dialog)), "Shown up to here.\n");
    EXPECT_EQ(HlpRecord(dialog)->fileLength, bytes.size());
}

// Two of the programs take their locale from the environment, where bytes of
// a binary file are no valid characters.
TEST_F(HelpTest, BinaryFileShowsWithoutHarmInTheCAndAUtf8Locale) {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(1 + (i * 37) % 255);
    const std::string path = WriteFile("binary.hlp", bytes);
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_NE(setlocale(LC_ALL, locale), nullptr);
        Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
        ASSERT_EQ(HlpSetHelpFile(dialog, path.c_str()), 0);
        HlpPopup(dialog);
        testrig::ProcessEvents();
        EXPECT_TRUE(Viewable(dialog));
        EXPECT_LE(Text(HlpRecord(dialog)).size(), bytes.size());
    }
    setlocale(LC_ALL, "C");
}

// A file that fills its pages exactly has no byte after its text inside the
// file's mapping; it must still show whole and end where the file ends.
TEST_F(HelpTest, FileFillingWholePagesShowsWholeAndEndsAtItsEnd) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::size_t pages : {1u, 3u}) {
        SCOPED_TRACE(pages);
        std::string bytes;
        while (bytes.size() < pages * page) bytes += "0123456789abcdefghijklmnopqrstuvwxyz\n";
        bytes.resize(pages * page);
        bytes.back() = 'Z';
        Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
        ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("pages.hlp", bytes).c_str()), 0);
        EXPECT_EQ(Text(HlpRecord(dialog)), bytes);
    }
}

struct Sizing {
    Dimension clipWidth;
    Dimension textWidth;
    int change;  // of the dialog's and the pane's widths
};

TEST_F(HelpTest, SizingPassChangesOnlyWidthsByTheTextLessTheClipPlusTwo) {
    for (const Sizing& row : {Sizing{400, 480, 82}, Sizing{400, 300, -98}}) {
        SCOPED_TRACE(row.textWidth);
        Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
        HlpDialogRec* rec = HlpRecord(dialog);
        ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("size.hlp", "Some help.\n").c_str()), 0);
        HlpPopup(dialog);
        testrig::ProcessEvents();

        XtResizeWidget(rec->clipWindow, row.clipWidth, HeightOf(rec->clipWindow), 0);
        XtResizeWidget(rec->text, row.textWidth, HeightOf(rec->text), 0);
        const int dialogWidth = WidthOf(dialog);
        const int dialogHeight = HeightOf(dialog);
        const int paneWidth = WidthOf(rec->pane);
        const int paneHeight = HeightOf(rec->pane);

        SizeHelpDialog(rec);
        EXPECT_EQ(WidthOf(dialog), dialogWidth + row.change);
        EXPECT_EQ(WidthOf(rec->pane), paneWidth + row.change);
        EXPECT_EQ(HeightOf(dialog), dialogHeight);
        EXPECT_EQ(HeightOf(rec->pane), paneHeight);
    }
}

struct Increments {
    Dimension clipHeight;
    int page;
};

TEST_F(HelpTest, ScrollStepsAreOneLineAndTheClipLessTwoLinesAtLeastOne) {
    XFontStruct* font = XLoadQueryFont(testrig::TestDisplay(), kTextFont);
    ASSERT_NE(font, nullptr) << "xfonts-75dpi is not installed";
    ASSERT_EQ(font->ascent, 10);
    ASSERT_EQ(font->descent, 3);
    XFreeFont(testrig::TestDisplay(), font);

    Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    HlpDialogRec* rec = HlpRecord(dialog);
    EXPECT_EQ(rec->lineHeight, 13);
    ASSERT_EQ(HlpSetHelpFile(dialog, WriteFile("steps.hlp", "Line\n").c_str()), 0);
    HlpPopup(dialog);
    testrig::ProcessEvents();
    EXPECT_EQ(Resource(rec->vScrollBar, XmNincrement), 13);
    EXPECT_EQ(Resource(rec->vScrollBar, XmNpageIncrement), HeightOf(rec->clipWindow) - 26);

    // Resizing the clip window sets the page step anew.
    for (const Increments& row : {Increments{200, 174}, Increments{26, 1}, Increments{20, 1}}) {
        SCOPED_TRACE(row.clipHeight);
        XtResizeWidget(rec->clipWindow, WidthOf(rec->clipWindow), row.clipHeight, 0);
        EXPECT_EQ(Resource(rec->vScrollBar, XmNincrement), 13);
        EXPECT_EQ(Resource(rec->vScrollBar, XmNpageIncrement), row.page);
    }
}

// The programs' help files, as a user reads them: plain ASCII text whose
// lines fit the program's help dialog without scrolling sideways.
struct ProgramHelp {
    const char* program;
    Dimension dialogWidth;  // from the program's fallback resources
};

TEST_F(HelpTest, EachProgramsHelpFileIsPlainTextThatFitsItsDialog) {
    for (const ProgramHelp& row : {ProgramHelp{"amberpane", 550}, ProgramHelp{"cobaltpane", 550},
                                   ProgramHelp{"indigopane", 575}}) {
        SCOPED_TRACE(row.program);
        const std::string path =
            std::string(SCAN_SOURCE_DIR) + "/programs/" + row.program + "/" + row.program + ".hlp";
        std::ifstream file(path, std::ios::binary);
        ASSERT_TRUE(file) << path;
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        for (char c : bytes) {
            ASSERT_TRUE(c == '\n' || (c >= ' ' && c <= '~')) << "byte " << int(c);
        }

        Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
        XtVaSetValues(dialog, XmNwidth, row.dialogWidth, nullptr);
        ASSERT_EQ(HlpSetHelpFile(dialog, path.c_str()), 0);
        HlpPopup(dialog);
        testrig::ProcessEvents();
        EXPECT_EQ(Text(HlpRecord(dialog)), bytes);
        EXPECT_LE(WidthOf(dialog), row.dialogWidth);
    }
}

}  // namespace
