// Page text reduction and response parsing on pages at the fetcher's size cap. Prints the median
// of repeated runs for each input.
#include "httpresponse.h"
#include "pagetext.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace brindle;

namespace {

constexpr qsizetype pageBytes = 512 * 1024;

/// An article-like page: paragraphs with inline markup and references, scripts, styles and
/// comments, repeated up to the size.
QString articlePage() {
    const QString block = QStringLiteral(
        "<div class=\"para\"><p>The bridge opened in <b>1932</b> after six years&nbsp;of work; "
        "costs rose &mdash; sharply &amp; quickly, to &#8220;record&#8221; levels &#x2014; "
        "said the <a href=\"https://example.com/report?id=7&amp;x=1\">report</a>.</p>\n"
        "<!-- analytics block -->\n<script type=\"text/javascript\">var a = [1, 2, 3]; "
        "if (a.length < 4) { track('view'); }</script>\n"
        "<style>.para { margin: 0 auto; }</style><span>&lsquo;Quoted&rsquo; text &lt;here&gt;"
        "</span>\n</div>\n");
    QString page = QStringLiteral("<!DOCTYPE html><html><head><title>Article</title></head><body>");
    while (page.size() < pageBytes)
        page += block;
    page.truncate(pageBytes - 14);
    return page + QStringLiteral("</body></html>");
}

/// Inputs meant to make the expressions scan far: openers that never close.
QString repeatedUpTo(const QString &unit) {
    QString text;
    while (text.size() + unit.size() <= pageBytes)
        text += unit;
    return text;
}

struct Timing {
    double median;
    double best;
};

/// Median and best of `runs`: on a busy shared machine the median carries the others' load, the
/// best run shows the cost of the work itself.
Timing timeMs(const std::function<void()> &work, int runs = 51) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

void report(const char *name, qsizetype bytes, Timing t, double budgetMs) {
    std::printf("%-40s %7lld bytes  median %7.3f ms  best %7.3f ms  (budget %.0f ms)%s\n", name,
                static_cast<long long>(bytes), t.median, t.best, budgetMs,
                t.median <= budgetMs ? "" : "  OVER");
}

} // namespace

int main() {
    qsizetype sink = 0;
    const std::vector<std::pair<const char *, QString>> pages = {
        {"pageText: article", articlePage()},
        {"pageText: plain text", repeatedUpTo(QStringLiteral("plain words and more words\n"))},
        {"pageText: unclosed comments", repeatedUpTo(QStringLiteral("<!--x->"))},
        {"pageText: unclosed tags", repeatedUpTo(QStringLiteral("<a "))},
        {"pageText: script openers", repeatedUpTo(QStringLiteral("<script "))},
        {"pageText: references", repeatedUpTo(QStringLiteral("&#x10FFFF;&amp;&bogus;&"))},
    };
    for (const auto &entry : pages) {
        const QString &page = entry.second;
        report(entry.first, page.toUtf8().size(), timeMs([&] { sink += pageText(page).size(); }),
               5);
    }

    const QByteArray body = articlePage().toUtf8().left(pageBytes - 100);
    const QByteArray withLength = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                  "Content-Length: " +
                                  QByteArray::number(body.size()) + "\r\n\r\n" + body;
    QByteArray chunked = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                         "Transfer-Encoding: chunked\r\n\r\n";
    for (qsizetype at = 0; at < body.size() - 200; at += 4096) {
        const QByteArray piece = body.mid(at, 4096);
        chunked += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    chunked += "0\r\n\r\n";
    for (const auto &entry : {std::pair{"parseResponse: content length", withLength},
                              std::pair{"parseResponse: chunked (4 KB chunks)", chunked}}) {
        const QByteArray &response = entry.second;
        const auto body = parseResponse(response);
        if (!body || body->size() < pageBytes - 200)
            return 2; // the inputs must be accepted, or this measures the refusal
        report(entry.first, response.size(),
               timeMs([&] { sink += parseResponse(response).value_or(QString()).size(); }, 101), 2);
    }
    return sink == 0 ? 1 : 0;
}
