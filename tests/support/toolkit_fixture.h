// In-process widget tests: a real toolkit on the display in $DISPLAY (the
// test command runs every test under Xvfb), real widgets, and helpers that
// act on them as Motif does when a user acts.
//
// The toolkit is opened once per process with the program's application
// class and fallback resources; each test gets a fresh top-level shell.
// ctest runs every test in its own process, so process-wide state of the
// code under test (the shared error dialog, the help dialog) starts afresh.
#ifndef SCAN_TESTS_TOOLKIT_FIXTURE_H
#define SCAN_TESTS_TOOLKIT_FIXTURE_H

// gtest first: X headers define None, Bool and Status as macros.
#include <gtest/gtest.h>
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include <string>
#include <vector>

namespace testrig {

// Opens the toolkit for this process (first call only) and returns a new
// application shell of the given class.  extraArgs are toolkit options such
// as {"-xrm", "*dialogTitle: X"}; they take effect only on the first call.
Widget OpenToolkit(const char* appName, const char* appClass, String* fallbacks,
                   const std::vector<std::string>& extraArgs = {});

XtAppContext AppContext();
Display* TestDisplay();

// Handles every pending event (and waits briefly for the server to answer
// what we sent), as the event loop would between two user actions.
void ProcessEvents();

// The widget at a name path under root ("*threshScroll", "rc.bwFrame"); the
// test fails (and null is returned) when there is none.
Widget Find(Widget root, const char* path);

// A toggle set or cleared by the user: state change with notification, so
// its value-changed callbacks run (and a radio box clears its sibling).
void SetToggle(Widget toggle, bool on);

// A scroll bar moved by the user to value: the value is set and the drag
// callbacks (when drag is true) then the value-changed callbacks run with
// the matching call data.
void MoveScrollBar(Widget scrollBar, int value, bool drag = false);

// A push button (widget or gadget) pressed by the user: its activate
// callbacks run.
void Activate(Widget button);

// The text of a compound string, its lines joined with "\n" ("" for null).
std::string XmStringText(XmString xms);

// The text of a label's compound string, its lines joined with "\n".
std::string LabelText(Widget label);

// A selection box's button callback (XmNokCallback, XmNapplyCallback, ...)
// run as the box runs it when its button is pressed.
void PressSelectionButton(Widget selectionBox, const char* callbackName);

// Fixture base: SetUp opens the toolkit and a fresh shell in toplevel.
class ToolkitTest : public ::testing::Test {
  protected:
    // The program's name, class and fallback resources.
    virtual const char* AppName() const = 0;
    virtual const char* AppClass() const = 0;
    virtual String* Fallbacks() const = 0;

    void SetUp() override;

    Widget toplevel = nullptr;
};

}  // namespace testrig

#endif
