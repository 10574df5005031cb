// brindle-tool: subcommands over the real library code, for developers, benchmarks and checks.
#include "commands.h"
#include "toolio.h"

#include <QCoreApplication>

namespace brindle::tool {
CommandList segmentCommands();
CommandList providerCommands();
CommandList referenceCommands();
CommandList webCommands();
CommandList checkCommands();
CommandList captureCommands();
CommandList claimCommands();
CommandList preferenceCommands();
CommandList sessionCommands();
CommandList historyCommands();
CommandList recordingCommands();
} // namespace brindle::tool

using namespace brindle::tool;

namespace {

CommandList allCommands() {
    CommandList all;
    for (const auto &list : std::vector<CommandList>{
             // one entry per subsystem, e.g. segmentCommands(),
             segmentCommands(),
             providerCommands(),
             referenceCommands(),
             webCommands(),
             checkCommands(),
             captureCommands(),
             claimCommands(),
             preferenceCommands(),
             sessionCommands(),
             historyCommands(),
             recordingCommands(),
         })
        all.insert(all.end(), list.begin(), list.end());
    return all;
}

int printUsage(const CommandList &commands) {
    printError(QStringLiteral("usage: brindle-tool COMMAND [ARGS...]\n\ncommands:"));
    for (const auto &command : commands)
        printError(QStringLiteral("  %1  %2").arg(command.name, -18).arg(command.summary));
    return usage;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const auto commands = allCommands();
    if (args.isEmpty())
        return printUsage(commands);
    const auto name = args.takeFirst();
    for (const auto &command : commands) {
        if (command.name == name)
            return command.run(args);
    }
    return printUsage(commands);
}
