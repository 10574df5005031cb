/**
 * @file
 * Shared plumbing of brindle-tool's subcommands: reading stdin, printing JSON lines, and the exit
 * codes every subcommand uses (0 positive answer, 1 negative answer, 2 usage error).
 */
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QStringList>

namespace brindle::tool {

enum Exit { positive = 0, negative = 1, usage = 2 };

/// The whole of standard input.
QByteArray readStdin();

/// One compact JSON document followed by a line feed on stdout.
void printJson(const QJsonValue &value);

/// A line of text on stdout / stderr.
void printLine(const QString &text);
void printError(const QString &text);

/// Removes "--name value" from args and returns the value; nothing when absent. Sets `missing`
/// when the option is present without a value.
std::optional<QString> takeOption(QStringList &args, const QString &name, bool &missing);

/// Removes every "--name value" from args and returns the values in order.
QStringList takeRepeatedOption(QStringList &args, const QString &name, bool &missing);

} // namespace brindle::tool
