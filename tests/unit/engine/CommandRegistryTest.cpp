#include "engine/CommandRegistry.h"
#include "base/Exception.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

struct Calls {
    int quit = 0;
    int other = 0;
    std::vector<std::string> arguments;
};

std::string failureOf(CommandRegistry& registry, const std::string& line)
{
    try {
        registry.execute(line);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no exception)";
}

} // namespace

TEST(CommandRegistry, RunsByNameWithOrWithoutOneArgument)
{
    CommandRegistry registry;
    Calls calls;
    registry.add(new Command("quit", "Forces application to exit", boost::function<void()>([&] { ++calls.quit; })));
    registry.add(new Command("wf_mode", "Enables or disables rendering wireframe mode",
                             boost::function<void(const std::string&)>(
                                 [&](const std::string& argument) { calls.arguments.push_back(argument); })));

    registry.execute("quit");
    registry.execute("   quit   ");
    EXPECT_EQ(calls.quit, 2);

    registry.execute("wf_mode  yes");
    EXPECT_EQ(calls.arguments, std::vector<std::string>{"yes"});

    // Three or more tokens: nothing runs and nothing is thrown.
    registry.execute("quit now please");
    registry.execute("wf_mode 1 2");
    EXPECT_EQ(calls.quit, 2);
    EXPECT_EQ(calls.arguments.size(), 1u);
}

TEST(CommandRegistry, NamesAreCaseSensitiveAndUnknownOnesAreReported)
{
    CommandRegistry registry;
    registry.add(new Command("quit", "", boost::function<void()>([] {})));
    EXPECT_TRUE(registry.contains("quit"));
    EXPECT_FALSE(registry.contains("Quit"));
    EXPECT_EQ(failureOf(registry, "Quit"), "Quit - Bad command or file name");
    EXPECT_EQ(failureOf(registry, "nothing here"), "nothing - Bad command or file name");
    EXPECT_EQ(failureOf(registry, ""), " - Bad command or file name");
    EXPECT_EQ(failureOf(registry, "    "), " - Bad command or file name");
}

TEST(CommandRegistry, ALaterCommandOfTheSameNameReplacesTheFirst)
{
    CommandRegistry registry;
    int first = 0, second = 0;
    Command* original = new Command("quit", "", boost::function<void()>([&] { ++first; }));
    registry.add(original);
    registry.add(new Command("quit", "", boost::function<void()>([&] { ++second; })));
    registry.execute("quit");
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    // The replaced command is not freed by the registry.
    original->action();
    EXPECT_EQ(first, 1);
}

TEST(CommandRegistry, AMissingActionIsAnErrorNotACrash)
{
    CommandRegistry registry;
    registry.add(new Command("wf_mode", "", boost::function<void(const std::string&)>([](const std::string&) {})));
    registry.add(new Command("exit", "", boost::function<void()>([] {})));
    EXPECT_EQ(failureOf(registry, "wf_mode"), "wf_mode - This command needs an argument");
    EXPECT_EQ(failureOf(registry, "exit now"), "exit - This command takes no argument");
}
