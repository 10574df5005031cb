// Differential fuzzer: the indexed passage selection must equal the literal reading on any
// claim and documents. The input is split at NUL bytes: the first piece is the claim, the rest
// are documents. Bit 0 of the first byte decodes the pieces as raw UTF-16 (lone surrogates
// included) instead of UTF-8 with replacement; bit 1 indexes the documents in two halves that are
// then joined, and drops the first document.
#include "passageselection.h"
#include "straightforwardselection.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace brindle;
    if (size == 0)
        return 0;
    const bool utf16 = data[0] & 1;
    const QByteArray input(reinterpret_cast<const char *>(data + 1),
                           static_cast<qsizetype>(size - 1));
    const auto decode = [&](const QByteArray &bytes) {
        if (!utf16)
            return QString::fromUtf8(bytes);
        return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    };
    const QList<QByteArray> pieces = input.split('\0');
    const QString claim = decode(pieces.first());
    QList<ReferenceDocument> documents;
    for (qsizetype i = 1; i < pieces.size() && i <= 12; ++i)
        documents.append({QUuid::createUuid(), QString::number(i), decode(pieces.at(i)),
                          QUrl::fromLocalFile(QStringLiteral("/d/%1.md").arg(i))});
    ReferenceCorpus corpus(documents);
    if (data[0] & 2) {
        const auto half = documents.size() / 2;
        const auto joined = ReferenceCorpus::concatenated(ReferenceCorpus(documents.mid(0, half)),
                                                          ReferenceCorpus(documents.mid(half)));
        QList<qsizetype> rest;
        for (qsizetype i = 1; i < documents.size(); ++i)
            rest.append(i);
        corpus = joined.subset(rest);
        if (!documents.isEmpty())
            documents.removeFirst();
    }
    if (corpus.documents() != documents ||
        selectPassages(claim, corpus) != test::straightforward::select(claim, documents))
        std::abort();
    return 0;
}
