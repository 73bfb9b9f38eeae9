#include "engine/Exception.h"
#include "engine/GLDriver.h"
#include "engine/ui/Form.h"
#include "engine/ui/RenderableControl.h"

#include "Recorder.h"

#include <gtest/gtest.h>

using namespace System;
using System::UI::Form;
using System::UI::RenderableControl;

namespace {

// Never started: the traversals only pass it along, and nothing here draws.
GLDriver& idleDriver()
{
    static GLDriver driver(64, 64, 32);
    return driver;
}

std::string failureOfFind(Object& parent, const std::string& name)
{
    try {
        parent.find(name);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no exception)";
}

Colour32 rgba(int r, int g, int b, int a)
{
    return Colour32{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
                    static_cast<std::uint8_t>(a)};
}

} // namespace

TEST(ObjectTree, ChildrenAreVisitedByNameNotByInsertionDepthFirst)
{
    Journal journal;
    Recorder root("root", journal), b("b", journal), a("a", journal), c("c", journal);
    root.add(&b);
    root.add(&a);
    a.add(&c);

    root.update(0.1);
    root.prepare(idleDriver());
    root.render(idleDriver());
    EXPECT_EQ(journal, (Journal{"update root", "update a", "update c", "update b",
                                "prepare root", "prepare a", "prepare c", "prepare b",
                                "render root", "render a", "render c", "render b"}));
}

TEST(ObjectTree, ASecondChildOfTheSameNameTakesTheEntryAndTheFirstIsLeftAlone)
{
    Journal journal;
    Object root("root");
    Recorder older("x", journal), newer("x", journal);
    root.add(&older);
    root.add(&newer);

    ASSERT_EQ(root.getChildren().size(), 1u);
    EXPECT_EQ(root.find("x"), &newer);
    root.update(0.1);
    // Only the newer one is traversed; the older one was neither destroyed nor called.
    EXPECT_EQ(journal, Journal{"update x"});
    journal.clear();
    older.update(0.1);
    EXPECT_EQ(journal, Journal{"update x"});
}

TEST(ObjectTree, FindOfAnUnknownNameThrowsAndChangesNothing)
{
    Journal journal;
    Object root("root");
    Recorder a("a", journal), b("b", journal);
    root.add(&a);
    root.add(&b);

    EXPECT_EQ(failureOfFind(root, "c"), "Window not found");
    EXPECT_EQ(failureOfFind(root, ""), "Window not found");
    EXPECT_EQ(root.getChildren().size(), 2u);
    EXPECT_EQ(root.find("b"), &b);
    root.update(0.1);
    EXPECT_EQ(journal, (Journal{"update a", "update b"}));
}

TEST(ObjectTree, RemoveErasesTheEntryOfTheNameWhicheverObjectItHolds)
{
    Journal journal;
    Object root("root");
    Recorder child("a", journal), namesake("a", journal), stranger("z", journal);
    root.add(&child);

    root.remove(&stranger);  // no such entry: nothing happens
    EXPECT_EQ(root.getChildren().size(), 1u);

    root.remove(&namesake);
    EXPECT_TRUE(root.getChildren().empty());
    EXPECT_EQ(failureOfFind(root, "a"), "Window not found");
    root.update(0.1);
    EXPECT_TRUE(journal.empty()) << "the removed child must be neither traversed nor destroyed";
}

TEST(RenderableControlTree, PositionsAreRelativeToEveryAncestor)
{
    RenderableControl grandparent(nullptr, "g", nullptr, rgba(1, 2, 3, 4), 1, 1, 500, 500);
    RenderableControl parent(&grandparent, "p", nullptr, rgba(1, 2, 3, 4), 10, 20, 100, 100);
    RenderableControl control(&parent, "c", nullptr, rgba(1, 2, 3, 4), 5, 7, 30, 40);

    EXPECT_EQ(control.absolutePosition(), (Point{16, 28}));
    EXPECT_EQ(control.bounds(), (Rect{16, 28, 30, 40}));
    EXPECT_EQ(grandparent.absolutePosition(), (Point{1, 1}));
    // The border starts in the control's colour.
    EXPECT_EQ(control.getBorderColour(), rgba(1, 2, 3, 4));

    parent.setPosition(Point{-10, 0});
    EXPECT_EQ(control.absolutePosition(), (Point{-4, 8}));
}

TEST(FormAlpha, SetsOnlyTheAlphaByteOfTheFormAndOfItsChildControls)
{
    Journal journal;
    Form form("form");
    EXPECT_EQ(form.getColour(), rgba(100, 100, 100, 255));
    EXPECT_EQ(form.getFrameColour(), rgba(100, 100, 100, 255));
    EXPECT_EQ(form.getDrawFrame(), 1);
    EXPECT_EQ(form.getBackground(), nullptr);
    EXPECT_EQ(form.getAlpha(), 255);

    RenderableControl first(&form, "first", nullptr, rgba(10, 20, 30, 40), 0, 0, 1, 1);
    RenderableControl second(&form, "second", nullptr, rgba(250, 0, 7, 255), 0, 0, 1, 1);
    RenderableControl grandchild(&first, "grandchild", nullptr, rgba(1, 1, 1, 1), 0, 0, 1, 1);
    Recorder plain("plain", journal);
    form.add(&second);
    form.add(&plain);
    form.add(&first);
    first.add(&grandchild);

    form.setAlpha(128);
    EXPECT_EQ(form.getAlpha(), 128);
    EXPECT_EQ(form.getColour(), rgba(100, 100, 100, 128));
    EXPECT_EQ(form.getFrameColour(), rgba(100, 100, 100, 128));
    EXPECT_EQ(first.getColour(), rgba(10, 20, 30, 128));
    EXPECT_EQ(second.getColour(), rgba(250, 0, 7, 128));
    // Only the form's own children change; borders keep their colour.
    EXPECT_EQ(grandchild.getColour(), rgba(1, 1, 1, 1));
    EXPECT_EQ(first.getBorderColour(), rgba(10, 20, 30, 40));
    EXPECT_TRUE(journal.empty());
}

TEST(FormVisibility, EverySetVisibleFiresItsSignalEvenWithoutAChange)
{
    Form form("form");
    int shown = 0, hidden = 0;
    form.shown.connect([&] { ++shown; });
    form.hidden.connect([&] { ++hidden; });

    form.setVisible(true);
    form.setVisible(true);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(hidden, 0);

    form.setVisible(false);
    form.setVisible(false);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(hidden, 2);

    // A plain control stores the flag and has no signals to fire.
    RenderableControl control(nullptr, "c", nullptr, rgba(0, 0, 0, 0), 0, 0, 1, 1);
    control.setVisible(false);
    EXPECT_FALSE(control.isVisible());
}
