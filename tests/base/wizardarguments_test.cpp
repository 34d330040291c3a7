// Which command lines open the communication log window at start, and
// which start the demo.
#include "base/wizardarguments.h"

#include <gtest/gtest.h>

namespace {

TEST(WizardArguments, OnlyADebugArgumentOfItsOwnOpensTheLogWindow)
{
    struct Case {
        QStringList arguments; // after the program's own name
        bool opens;
    };
    const Case cases[] = {
        {{}, false},
        {{"/DEBUG"}, true},
        {{"/debug"}, true},
        {{"/Debug"}, true},
        {{"--app-dir", "/tmp/x", "/DEBUG"}, true},
        {{"/DEBUG", "--app-dir", "/tmp/x"}, true},
        {{"--app-dir", "/home/tech/ostrand/build/debug"}, false}, // a folder, not the switch
        {{"--app-dir", "/DEBUG"}, false},                       // the folder's value, however it is called
        {{"--app-dir=/srv/debug"}, false},
        {{"/DEBUGGING"}, false},
        {{"x/DEBUG"}, false},
        {{" /DEBUG"}, false},
        {{"DEBUG"}, false},
    };
    for (const Case& c : cases) {
        QStringList arguments = c.arguments;
        arguments.prepend(QStringLiteral("ostrand"));
        EXPECT_EQ(DebugWindowRequested(arguments), c.opens) << arguments.join(u' ').toStdString();
    }
    EXPECT_FALSE(DebugWindowRequested({QStringLiteral("/DEBUG")})) << "the program's own name is no argument";
}

TEST(WizardArguments, DemoModeTakesTheSwitchOnlyAsAnArgumentOfItsOwn)
{
    EXPECT_TRUE(DemoRequested({"ostrand", "--demo"}));
    EXPECT_TRUE(DemoRequested({"ostrand", "--app-dir", "/tmp/x", "--demo", "/DEBUG"}));
    EXPECT_FALSE(DemoRequested({"ostrand", "--app-dir", "--demo"})); // a folder of that name
    EXPECT_FALSE(DemoRequested({"ostrand", "--DEMO"}));
    EXPECT_FALSE(DemoRequested({"ostrand", "/DEBUG"}));
}

} // namespace
