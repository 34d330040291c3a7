// Where the log window goes beside the wizard, on screens of several sizes.
#include "base/windowplacement.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacement, BesideTheNeighbourButAlwaysOnTheScreen)
{
    struct Case {
        const char* what;
        QRect neighbour;
        QSize wanted;
        QRect available;
        QRect placed;
    };
    const Case cases[] = {
        {"room on the right: beside it, same top", {100, 50, 520, 460}, {560, 460}, {0, 0, 1920, 1050},
         {620, 50, 560, 460}},
        {"1366 wide, wizard in the middle: moved left over the wizard", {423, 154, 520, 460}, {560, 460},
         {0, 0, 1366, 728}, {806, 154, 560, 460}},
        {"exactly room enough", {0, 0, 806, 460}, {560, 460}, {0, 0, 1366, 728}, {806, 0, 560, 460}},
        {"a second screen to the right of the first", {2500, 100, 600, 500}, {600, 500}, {1920, 0, 1600, 870},
         {2920, 100, 600, 500}},
        {"a panel at the top", {10, 0, 300, 400}, {300, 400}, {0, 32, 1366, 736}, {310, 32, 300, 400}},
        {"wizard low on the screen: moved up", {100, 500, 520, 460}, {560, 460}, {0, 0, 1366, 728},
         {620, 268, 560, 460}},
        {"larger than the screen: cut to it", {100, 50, 520, 460}, {1500, 900}, {0, 0, 1366, 728},
         {0, 0, 1366, 728}},
        {"wizard partly off the left edge", {-300, 20, 200, 400}, {560, 400}, {0, 0, 1366, 728},
         {0, 20, 560, 400}},
        {"no screen known: beside it", {100, 50, 520, 460}, {560, 460}, {}, {620, 50, 560, 460}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBeside(c.neighbour, c.wanted, c.available), c.placed) << c.what;
}

TEST(WindowPlacement, TheWizardMakesRoomForTheLogWindowWhereTheScreenAllows)
{
    struct Case {
        const char* what;
        QRect window;
        int width; // of the window to go beside it
        QRect available;
        QRect moved;
    };
    const Case cases[] = {
        {"room enough: stays", {100, 50, 520, 460}, 560, {0, 0, 1920, 1050}, {100, 50, 520, 460}},
        {"centred on 1366: moved left until both fit", {415, 154, 535, 460}, 546, {0, 0, 1366, 728},
         {285, 154, 535, 460}},
        {"both too wide: at the left edge", {300, 10, 700, 460}, 800, {0, 0, 1366, 728}, {0, 10, 700, 460}},
        {"a screen to the right of another", {2400, 0, 600, 400}, 600, {1920, 0, 1600, 870}, {2320, 0, 600, 400}},
        {"no screen known: stays", {415, 154, 535, 460}, 546, {}, {415, 154, 535, 460}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeRoomOnTheRight(c.window, c.width, c.available), c.moved) << c.what;
}

TEST(WindowPlacement, BesideTheWizardUncoveredOrWhereTheUserLeftIt)
{
    struct Case {
        const char* what;
        QRect neighbour;
        QSize wanted;
        int narrowest;
        QRect available;
        QRect placed;
    };
    const Case cases[] = {
        {"1366 wide: narrowed to the room on the right", {146, 40, 520, 460}, {1100, 600}, 640, {0, 0, 1366, 728},
         {666, 40, 700, 600}},
        {"too little room: as wide as wanted, over the wizard", {423, 40, 520, 460}, {1100, 600}, 640,
         {0, 0, 1366, 728}, {266, 40, 1100, 600}},
        {"room enough: as wanted", {0, 0, 520, 460}, {800, 600}, 640, {0, 0, 1920, 1050}, {520, 0, 800, 600}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBesideUncovered(c.neighbour, c.wanted, c.narrowest, c.available), c.placed) << c.what;

    const QRect screen(0, 0, 1366, 728);
    EXPECT_EQ(KeepOnScreen({200, 100, 700, 500}, screen), QRect(200, 100, 700, 500)) << "on the screen: stays";
    EXPECT_EQ(KeepOnScreen({900, 400, 700, 500}, screen), QRect(666, 228, 700, 500)) << "off the corner: moved in";
    EXPECT_EQ(KeepOnScreen({1500, 0, 700, 900}, screen), QRect(666, 0, 700, 728)) << "from a screen gone: cut";
}

} // namespace
