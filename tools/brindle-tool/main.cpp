// brindle-tool: subcommands over the real library code, for developers, benchmarks and checks.
#include "toolio.h"

#include <QCoreApplication>

#include <functional>
#include <map>

using namespace brindle::tool;

namespace {

struct Command {
    QString summary;
    std::function<int(QStringList)> run;
};

const std::map<QString, Command> &commands() {
    static const std::map<QString, Command> table{};
    return table;
}

int printUsage() {
    printError(QStringLiteral("usage: brindle-tool COMMAND [ARGS...]\n\ncommands:"));
    for (const auto &[name, command] : commands())
        printError(QStringLiteral("  %1  %2").arg(name, -18).arg(command.summary));
    return usage;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return printUsage();
    const auto it = commands().find(args.takeFirst());
    if (it == commands().end())
        return printUsage();
    return it->second.run(args);
}
