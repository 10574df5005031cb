#include "toolio.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>
#include <iterator>

namespace brindle::tool {

QByteArray readStdin() {
    std::string data{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    return QByteArray::fromStdString(data);
}

void printJson(const QJsonValue &value) {
    QByteArray out;
    if (value.isObject())
        out = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        out = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else
        out = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    out.append('\n');
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

void printLine(const QString &text) {
    const auto out = text.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

void printError(const QString &text) {
    const auto out = text.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stderr);
}

std::optional<QString> takeOption(QStringList &args, const QString &name, bool &missing) {
    const auto at = args.indexOf(name);
    if (at < 0)
        return std::nullopt;
    if (at + 1 >= args.size()) {
        missing = true;
        args.removeAt(at);
        return std::nullopt;
    }
    QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

QStringList takeRepeatedOption(QStringList &args, const QString &name, bool &missing) {
    QStringList values;
    while (auto value = takeOption(args, name, missing))
        values.append(*value);
    return values;
}

} // namespace brindle::tool
