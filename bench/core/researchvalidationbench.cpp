// How long the research gate takes on a 64 KB response body shaped like a real one: reasoning
// items, search calls with many sources, an answer split over parts with annotations. Prints the
// median and 90th percentile of many runs, for the web and the documents pass. On a busy machine
// the 90th percentile shows preemption (multiples of the 4 ms scheduler tick), not the code.
#include "apperror.h"
#include "researchvalidation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace brindle;

namespace {

const QUuid documentId = QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));

QString url(int i) {
    return QStringLiteral("https://news%1.example.com/articles/2026/bridge-history-%1").arg(i);
}

QByteArray body(ResearchPass pass, qsizetype targetSize) {
    const auto cite = [&](int i) {
        return pass == ResearchPass::web ? url(i) : documentCitation(documentId);
    };
    QJsonArray sources;
    for (int i = 0; i < 3; ++i)
        sources.append(QJsonObject{
            {QStringLiteral("title"), QStringLiteral("Bridge history")},
            {QStringLiteral("url"), cite(i)},
            {QStringLiteral("passage"), QStringLiteral("the bridge opened to traffic in 1932")}});
    const QJsonObject answer{
        {QStringLiteral("claim"), QStringLiteral("The bridge opened in 1932.")},
        {QStringLiteral("verdict"), QStringLiteral("supported")},
        {QStringLiteral("explanation"),
         QStringLiteral("City records and two newspapers give 1932 as the opening year.")},
        {QStringLiteral("sources"), sources}};
    const auto answerText = QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));

    QJsonArray output;
    QByteArray result;
    for (int round = 0;; ++round) {
        QJsonArray searchSources;
        for (int i = 0; i < 8; ++i)
            searchSources.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("url")},
                                             {QStringLiteral("url"), url(round * 8 + i)}});
        output.append(
            QJsonObject{{QStringLiteral("type"), QStringLiteral("reasoning")},
                        {QStringLiteral("summary"),
                         QJsonArray{QJsonObject{
                             {QStringLiteral("type"), QStringLiteral("summary_text")},
                             {QStringLiteral("text"),
                              QStringLiteral("Looking for the opening year. ").repeated(8)}}}}});
        output.append(QJsonObject{
            {QStringLiteral("type"), QStringLiteral("web_search_call")},
            {QStringLiteral("status"), QStringLiteral("completed")},
            {QStringLiteral("action"),
             QJsonObject{{QStringLiteral("type"), QStringLiteral("search")},
                         {QStringLiteral("query"), QStringLiteral("bridge opening year")},
                         {QStringLiteral("sources"), searchSources}}}});
        QJsonArray withMessage = output;
        const auto half = answerText.size() / 2;
        withMessage.append(QJsonObject{
            {QStringLiteral("type"), QStringLiteral("message")},
            {QStringLiteral("content"),
             QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("output_text")},
                                    {QStringLiteral("text"), answerText.left(half)},
                                    {QStringLiteral("annotations"),
                                     QJsonArray{QJsonObject{
                                         {QStringLiteral("type"), QStringLiteral("url_citation")},
                                         {QStringLiteral("start_index"), 0},
                                         {QStringLiteral("end_index"), 10},
                                         {QStringLiteral("url"), url(0)}}}}},
                        QJsonObject{{QStringLiteral("type"), QStringLiteral("output_text")},
                                    {QStringLiteral("text"), answerText.mid(half)}}}}});
        result = QJsonDocument(QJsonObject{{QStringLiteral("status"), QStringLiteral("completed")},
                                           {QStringLiteral("output"), withMessage}})
                     .toJson(QJsonDocument::Compact);
        if (result.size() >= targetSize)
            return result;
    }
}

void measure(const char *label, ResearchPass pass) {
    const auto input = body(pass, 64 * 1024);
    const QList<ReferenceDocument> documents{
        {documentId, QStringLiteral("bridge.md"),
         QStringLiteral("Notes. The bridge opened to traffic in 1932 after four years of work. ")
             .repeated(40),
         QUrl::fromLocalFile(QStringLiteral("/home/ana/bridge.md"))}};
    const std::optional<QString> claim = QStringLiteral("The bridge opened in 1932.");
    std::vector<double> micros;
    constexpr int runs = 2000;
    for (int i = 0; i < runs + 100; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = validateResearch(input, pass, documents, claim);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (result.verdict != Verdict::supported || result.sources.size() != 3) {
            std::fprintf(stderr, "%s: the sample body was not accepted\n", label);
            std::exit(1);
        }
        if (i >= 100) // warm-up
            micros.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("validateResearch %-9s body %lld bytes: median %.1f us, p90 %.1f us (%d runs)\n",
                label, static_cast<long long>(input.size()), micros[micros.size() / 2],
                micros[micros.size() * 9 / 10], runs);
}

} // namespace

int main() {
    measure("web", ResearchPass::web);
    measure("documents", ResearchPass::documents);
    return 0;
}
