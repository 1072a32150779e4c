#include "e2e_checks.h"

namespace e2e {

const char kErrorTitle[] = "Error";

void PrintTo(const StartupCase& c, std::ostream* os) {
    *os << c.name;
}

void PrintTo(const OrphanCase& c, std::ostream* os) {
    *os << c.name;
}

Window ExpectOnlyStartupErrorBox(Session& s, const std::string& dialogTitle) {
    const Window box = s.WaitForWindow(kErrorTitle);
    if (box == 0)
        return 0;
    const WidgetTree tree = s.Widgets(box);
    const int errorBox = FindInTree(tree, "errorBox");
    if (errorBox < 0) {
        ADD_FAILURE() << "no errorBox among the program's widgets";
        return 0;
    }
    EXPECT_EQ(tree[errorBox].parent, 0) << "the box sits in the top-level shell itself";
    EXPECT_EQ(FindInTree(tree, "selBox"), -1);
    EXPECT_EQ(s.FindWindow(dialogTitle), 0u);
    return box;
}

bool PressErrorOk(Session& s, Window box, bool byClick) {
    if (byClick)
        return s.ClickBoxButton(box, "errorBox", "OK", {"OK"});
    s.Key(box, "Return");
    return true;
}

bool WaitUntilShowing(Session& s, Showing showing, const std::string& dialogTitle) {
    if (showing == Showing::StartupErrorBox)
        return s.WaitForWindow(kErrorTitle) != 0;
    const Window dialog = s.WaitForWindow(dialogTitle);
    if (dialog == 0)
        return false;
    if (showing == Showing::ErrorDialog) {
        if (!s.ClickBoxButton(dialog, "selBox", "Apply"))
            return false;
        return s.WaitForWindow(kErrorTitle) != 0;
    }
    return true;
}

void ExpectOrphanSignalEndsWithZero(const OrphanCase& c, Launch launch,
                                    const std::string& dialogTitle) {
    launch.scanhostArgs.insert(launch.scanhostArgs.end(), c.scanhostArgs.begin(),
                               c.scanhostArgs.end());
    Session s;
    ASSERT_TRUE(s.Start(launch));
    ASSERT_TRUE(WaitUntilShowing(s, c.showing, dialogTitle));

    // The scanning application dies: the program is adopted by this test.
    s.KillParent();
    EXPECT_TRUE(s.Running());
    s.Signal(c.signal);
    EXPECT_EQ(s.WaitExit(), 0);
}

}  // namespace e2e
