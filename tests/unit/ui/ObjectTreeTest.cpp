#include "engine/GLDriver.h"
#include "engine/ui/RenderableControl.h"

#include "Recorder.h"

#include <gtest/gtest.h>

using namespace System;
using System::UI::Form;
using System::UI::RenderableControl;

namespace {

// Never started: the traversals only pass it along.
GLDriver idleDriver(64, 64, 32);

std::string failureOfFind(Object& parent, const std::string& name)
{
    try {
        parent.find(name);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no exception)";
}

} // namespace

TEST(ObjectTree, ChildrenAreVisitedByNameDepthFirst)
{
    Journal journal;
    Recorder root("root", journal), b("b", journal), a("a", journal), c("c", journal);
    root.add(&b);
    root.add(&a);
    a.add(&c);
    root.update(0.1);
    root.prepare(idleDriver);
    root.render(idleDriver);
    EXPECT_EQ(journal, (Journal{"update root", "update a", "update c", "update b", "prepare root", "prepare a",
                                "prepare c", "prepare b", "render root", "render a", "render c", "render b"}));
}

TEST(ObjectTree, EntriesAreReplacedAndRemovedByNameWithoutTouchingTheObjects)
{
    Journal journal;
    Object root("root");
    Recorder older("x", journal), newer("x", journal), other("y", journal), namesake("y", journal);
    root.add(&older);
    root.add(&newer);
    root.add(&other);
    ASSERT_EQ(root.getChildren().size(), 2u);
    EXPECT_EQ(root.find("x"), &newer);

    EXPECT_EQ(failureOfFind(root, "z"), "Window not found");
    EXPECT_EQ(failureOfFind(root, ""), "Window not found");
    EXPECT_EQ(root.getChildren().size(), 2u);
    root.update(0.1);
    EXPECT_EQ(journal, (Journal{"update x", "update y"})) << "the older x is no longer traversed";

    // Removing an object erases the entry under its name, even when that entry holds another object.
    root.remove(&namesake);
    EXPECT_EQ(failureOfFind(root, "y"), "Window not found");
    root.remove(&namesake);
    EXPECT_EQ(root.getChildren().size(), 1u);
    journal.clear();
    root.update(0.1);
    EXPECT_EQ(journal, Journal{"update x"}) << "nothing replaced or removed was destroyed";
}

TEST(UIControls, PositionsAreRelativeToEveryAncestor)
{
    RenderableControl grandparent(nullptr, "g", nullptr, Colour32{1, 2, 3, 4}, 1, 1, 500, 500);
    RenderableControl parent(&grandparent, "p", nullptr, Colour32{1, 2, 3, 4}, 10, 20, 100, 100);
    RenderableControl control(&parent, "c", nullptr, Colour32{1, 2, 3, 4}, 5, 7, 30, 40);
    EXPECT_EQ(control.absolutePosition(), (Point{16, 28}));
    EXPECT_EQ(control.bounds(), (Rect{16, 28, 30, 40}));
    EXPECT_EQ(control.getBorderColour(), (Colour32{1, 2, 3, 4}));
    parent.setPosition(Point{-10, 0});
    EXPECT_EQ(control.absolutePosition(), (Point{-4, 8}));
}

TEST(UIControls, FormAlphaChangesOnlyTheAlphaByteOfTheFormAndItsChildControls)
{
    Journal journal;
    Form form("form");
    EXPECT_EQ(form.getColour(), (Colour32{100, 100, 100, 255}));
    EXPECT_EQ(form.getFrameColour(), (Colour32{100, 100, 100, 255}));
    EXPECT_EQ(form.getDrawFrame(), 1);

    RenderableControl first(&form, "first", nullptr, Colour32{10, 20, 30, 40}, 0, 0, 1, 1);
    RenderableControl second(&form, "second", nullptr, Colour32{250, 0, 7, 255}, 0, 0, 1, 1);
    RenderableControl grandchild(&first, "grandchild", nullptr, Colour32{1, 1, 1, 1}, 0, 0, 1, 1);
    Recorder plain("plain", journal);
    form.add(&second);
    form.add(&plain);
    form.add(&first);
    first.add(&grandchild);

    form.setAlpha(128);
    EXPECT_EQ(form.getAlpha(), 128);
    EXPECT_EQ(form.getColour(), (Colour32{100, 100, 100, 128}));
    EXPECT_EQ(form.getFrameColour(), (Colour32{100, 100, 100, 128}));
    EXPECT_EQ(first.getColour(), (Colour32{10, 20, 30, 128}));
    EXPECT_EQ(second.getColour(), (Colour32{250, 0, 7, 128}));
    EXPECT_EQ(grandchild.getColour(), (Colour32{1, 1, 1, 1})) << "only the form's own children";
    EXPECT_EQ(first.getBorderColour(), (Colour32{10, 20, 30, 40}));
    EXPECT_TRUE(journal.empty());
}

TEST(UIControls, EverySetVisibleOnAFormFiresItsSignal)
{
    Form form("form");
    int shown = 0, hidden = 0;
    form.shown.connect([&] { ++shown; });
    form.hidden.connect([&] { ++hidden; });
    form.setVisible(true);
    form.setVisible(true);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(shown, 2);
    form.setVisible(false);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(hidden, 1);
}
