// Feeds arbitrary bytes to the research gate as a web pass and as a documents pass. Rejections
// are expected; crashes, hangs and leaks are the findings.
#include "apperror.h"
#include "researchvalidation.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>

using namespace brindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const QList<ReferenceDocument> documents{
        {QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")),
         QStringLiteral("notes.md"),
         QStringLiteral("The bridge opened in 1932 and carries eight lanes of traffic."),
         QUrl::fromLocalFile(QStringLiteral("/home/user/notes.md"))}};
    const auto body =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const auto pass : {ResearchPass::web, ResearchPass::documents}) {
        try {
            (void)validateResearch(body, pass, documents, std::nullopt);
        } catch (const AppError &) {
        }
    }
    return 0;
}
