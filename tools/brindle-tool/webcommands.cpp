// brindle-tool subcommands of public page verification: the destination rules, the response
// parser, page text reduction, passage confirmation and a real page fetch.
#include "commands.h"
#include "toolio.h"

#include "destinationrules.h"
#include "httpresponse.h"
#include "pagetext.h"
#include "passageconfirmation.h"
#include "publicpagefetch.h"
#include "systemscheduler.h"

#include <QCoroTask>

#include <cstdio>

namespace brindle::tool {

namespace {

/// Text exactly as it is, without an added line break.
void printRaw(const QString &text) {
    const QByteArray out = text.toUtf8();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

int answer(bool positive, const char *yes, const char *no) {
    printLine(QString::fromLatin1(positive ? yes : no));
    return positive ? Exit::positive : Exit::negative;
}

/// Runs a check on the single argument, or reports the usage.
int withOneArgument(const QStringList &args, const char *usageText,
                    const std::function<int(const QString &)> &run) {
    if (args.size() != 1) {
        printError(QString::fromLatin1(usageText));
        return Exit::usage;
    }
    return run(args.constFirst());
}

int pageTextCommand(const QStringList &args) {
    if (!args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool page-text < body"));
        return Exit::usage;
    }
    printLine(pageText(QString::fromUtf8(readStdin())));
    return Exit::positive;
}

int confirmCommand(QStringList args) {
    bool missing = false;
    const auto passage = takeOption(args, QStringLiteral("--passage"), missing);
    if (!passage || missing || !args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool confirm --passage TEXT < body"));
        return Exit::usage;
    }
    return answer(confirmPassage(*passage, QString::fromUtf8(readStdin())), "confirmed",
                  "not confirmed");
}

int parseResponseCommand(const QStringList &args) {
    if (!args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool parse-response < response"));
        return Exit::usage;
    }
    const auto body = parseResponse(readStdin());
    if (!body)
        return Exit::negative;
    printRaw(*body);
    return Exit::positive;
}

int fetchCommand(const QStringList &args) {
    return withOneArgument(args, "usage: brindle-tool fetch URL", [](const QString &text) {
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || !isAllowedURL(url)) {
            printError(QStringLiteral("refused: not an allowed public https URL"));
            return int(Exit::negative);
        }
        SystemScheduler scheduler;
        PublicPageFetch fetch(url, scheduler);
        const auto page = QCoro::waitFor(fetch.fetch());
        if (!page) {
            printError(QStringLiteral("no page"));
            return int(Exit::negative);
        }
        printRaw(*page);
        return int(Exit::positive);
    });
}

} // namespace

CommandList webCommands() {
    return {
        {QStringLiteral("page-text"), QStringLiteral("stdin page body -> reduced page text"),
         pageTextCommand},
        {QStringLiteral("confirm"),
         QStringLiteral("--passage TEXT, stdin page body -> confirmed / not confirmed"),
         confirmCommand},
        {QStringLiteral("url-allowed"), QStringLiteral("URL -> allowed / refused"),
         [](QStringList args) {
             return withOneArgument(
                 args, "usage: brindle-tool url-allowed URL", [](const QString &url) {
                     return answer(isAllowedURL(QUrl(url, QUrl::StrictMode)), "allowed", "refused");
                 });
         }},
        {QStringLiteral("host-allowed"), QStringLiteral("HOST -> allowed / refused"),
         [](QStringList args) {
             return withOneArgument(args, "usage: brindle-tool host-allowed HOST",
                                    [](const QString &host) {
                                        return answer(isAllowedHost(host), "allowed", "refused");
                                    });
         }},
        {QStringLiteral("address-public"), QStringLiteral("ADDRESS -> public / not public"),
         [](QStringList args) {
             return withOneArgument(
                 args, "usage: brindle-tool address-public ADDRESS", [](const QString &address) {
                     return answer(isPublicAddress(address), "public", "not public");
                 });
         }},
        {QStringLiteral("parse-response"),
         QStringLiteral("stdin raw HTTP response -> body text, or exit 1"), parseResponseCommand},
        {QStringLiteral("fetch"), QStringLiteral("URL -> the public page's text, or exit 1"),
         fetchCommand},
    };
}

} // namespace brindle::tool
