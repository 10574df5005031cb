/**
 * @file
 * The subcommand lists of brindle-tool. Each subsystem defines one function in its own file
 * (e.g. segmentcommands.cpp) returning its commands; main.cpp joins the lists.
 */
#pragma once

#include <QStringList>

#include <functional>
#include <vector>

namespace brindle::tool {

struct Command {
    QString name;
    QString summary;
    std::function<int(QStringList)> run; ///< gets the arguments after the command name
};

using CommandList = std::vector<Command>;

} // namespace brindle::tool
