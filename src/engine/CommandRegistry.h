#pragma once
#include <boost/function.hpp>

#include <map>
#include <string>

namespace System {

// A console command: a name, a help text and an action without or with one argument.
struct Command {
    Command(const std::string& name, const std::string& help, boost::function<void()> action);
    Command(const std::string& name, const std::string& help,
            boost::function<void(const std::string&)> actionWithArgument);

    std::string name;
    std::string help;
    boost::function<void()> action;
    boost::function<void(const std::string&)> actionWithArgument;
};

// Holds the console commands by name and runs command lines given as text.
class CommandRegistry {
public:
    static CommandRegistry& instance();

    // A command of the same name is replaced (and not freed).
    void add(Command* command);
    bool contains(const std::string& name) const;
    // Throws Exception "<name> - Bad command or file name" for an unknown command.
    void execute(const std::string& line);

    CommandRegistry() = default;

private:
    std::map<std::string, Command*> commands;
};

} // namespace System
