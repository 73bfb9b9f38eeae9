#include "engine/CommandRegistry.h"

#include "base/Exception.h"

#include <sstream>
#include <vector>

namespace System {

Command::Command(const std::string& name, const std::string& help, boost::function<void()> action)
    : name(name), help(help), action(std::move(action))
{
}

Command::Command(const std::string& name, const std::string& help,
                 boost::function<void(const std::string&)> actionWithArgument)
    : name(name), help(help), actionWithArgument(std::move(actionWithArgument))
{
}

CommandRegistry& CommandRegistry::instance()
{
    static CommandRegistry* registry = new CommandRegistry();
    return *registry;
}

void CommandRegistry::add(Command* command)
{
    if (command)
        commands[command->name] = command;
}

bool CommandRegistry::contains(const std::string& name) const
{
    return commands.count(name) != 0;
}

void CommandRegistry::execute(const std::string& line)
{
    std::vector<std::string> tokens;
    std::istringstream words(line);
    for (std::string word; std::getline(words, word, ' ');)
        if (!word.empty())
            tokens.push_back(word);

    std::string name = tokens.empty() ? std::string() : tokens[0];
    auto found = commands.find(name);
    if (tokens.empty() || found == commands.end())
        throw Exception(name + " - Bad command or file name");
    Command& command = *found->second;
    if (tokens.size() == 1) {
        if (!command.action)
            throw Exception(name + " - This command needs an argument");
        command.action();
    } else if (tokens.size() == 2) {
        if (!command.actionWithArgument)
            throw Exception(name + " - This command takes no argument");
        command.actionWithArgument(tokens[1]);
    }
}

} // namespace System
