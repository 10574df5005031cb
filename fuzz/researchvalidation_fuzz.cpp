// Feeds arbitrary bytes to the research gate, as a web pass and as a documents pass. The first
// byte picks how: even, the bytes are the whole response body; odd, they are the model's answer
// text inside a well-formed envelope (which the mutator would rarely build by itself), so the
// answer checks are reached too. Rejections are expected; crashes, hangs and leaks are findings.
#include "apperror.h"
#include "researchvalidation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cstddef>
#include <cstdint>

using namespace brindle;

namespace {

QByteArray wrapped(const QByteArray &answer) {
    const auto text = QString::fromUtf8(answer);
    const QJsonObject search{
        {QStringLiteral("type"), QStringLiteral("web_search_call")},
        {QStringLiteral("action"),
         QJsonObject{{QStringLiteral("url"), QStringLiteral("https://example.com/a")},
                     {QStringLiteral("sources"),
                      QJsonArray{QJsonObject{
                          {QStringLiteral("url"), QStringLiteral("https://example.com/b")}}}}}}};
    const QJsonObject message{
        {QStringLiteral("type"), QStringLiteral("message")},
        {QStringLiteral("content"),
         QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("output_text")},
                                {QStringLiteral("text"), text}}}}};
    return QJsonDocument(QJsonObject{{QStringLiteral("status"), QStringLiteral("completed")},
                                     {QStringLiteral("output"), QJsonArray{search, message}}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const QList<ReferenceDocument> documents{
        {QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")),
         QStringLiteral("notes.md"),
         QStringLiteral("The bridge opened in 1932 and carries eight lanes of traffic."),
         QUrl::fromLocalFile(QStringLiteral("/home/user/notes.md"))}};
    if (size == 0)
        return 0;
    const auto input = QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1),
                                               static_cast<qsizetype>(size - 1));
    const auto body = data[0] % 2 == 0 ? input : wrapped(input);
    for (const auto pass : {ResearchPass::web, ResearchPass::documents}) {
        try {
            (void)validateResearch(body, pass, documents, std::nullopt);
        } catch (const AppError &) {
        }
    }
    return 0;
}
