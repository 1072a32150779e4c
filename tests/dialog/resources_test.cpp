// Single application resources, read from the fallback resources.
#include "toolkit_fixture.h"

#include <Xm/Form.h>
#include <Xm/Label.h>

#include "dialog/resources.h"

namespace {

String fallbacks[] = {
    const_cast<char*>("dialogtest.appText: at the application level"),
    const_cast<char*>("*anyText: anywhere"),
    const_cast<char*>("*titleLabel.labelText: through the label's path"),
    const_cast<char*>("dialogtest.appInt: 42"),
    const_cast<char*>("*AnyFlag: true"),
    nullptr,
};

class DialogResources : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "dialogtest"; }
    const char* AppClass() const override { return "DialogTest"; }
    String* Fallbacks() const override { return fallbacks; }

    void SetUp() override {
        ToolkitTest::SetUp();
        form = XmCreateForm(toplevel, const_cast<char*>("form"), nullptr, 0);
        label = XmCreateLabel(form, const_cast<char*>("titleLabel"), nullptr, 0);
    }

    Widget form = nullptr;
    Widget label = nullptr;
};

TEST_F(DialogResources, StringsFromTheResourcesOrTheDefault) {
    struct Case {
        const char* name;
        const char* cls;
        const char* dflt;
        const char* expected;  // null: null expected
    };
    const Case cases[] = {
        {"unsetText", "UnsetText", nullptr, nullptr},
        {"unsetText", "UnsetText", "Color Gamma", "Color Gamma"},
        {"appText", "AppText", "default", "at the application level"},
        {"anyText", "AnyText", nullptr, "anywhere"},
        {"labelText", "LabelText", "Red Gamma", "through the label's path"},
    };
    for (const Case& c : cases) {
        const char* got = GetResourceString(label, c.name, c.cls, c.dflt);
        if (c.expected == nullptr)
            EXPECT_EQ(got, nullptr) << c.name;
        else
            EXPECT_STREQ(got, c.expected) << c.name;
    }
    // A line addressing one label does not reach another widget.
    EXPECT_EQ(GetResourceString(form, "labelText", "LabelText", nullptr), nullptr);
}

TEST_F(DialogResources, IntsAndBooleansFromTheResourcesOrTheDefault) {
    EXPECT_EQ(GetResourceInt(label, "appInt", "AppInt", 7), 42);
    EXPECT_EQ(GetResourceInt(label, "unsetInt", "UnsetInt", 7), 7);
    EXPECT_EQ(GetResourceBoolean(label, "anyFlag", "AnyFlag", False), True);
    EXPECT_EQ(GetResourceBoolean(label, "unsetFlag", "UnsetFlag", True), True);
    EXPECT_EQ(GetResourceBoolean(label, "unsetFlag", "UnsetFlag", False), False);
}

}  // namespace
