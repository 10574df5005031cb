/**
 * @file
 * Reports of a kept session, to share: Markdown, one self-contained HTML page (no scripts, no
 * outside resources) or JSON. Each lists the session's details and counts and every finding with
 * its verdict, explanation, sources (web sources as links, reference documents by file name) with
 * their passages quoted, and when it came up: the time heard, or the position in a recording.
 */
#pragma once

#include "historyrecords.h"

#include <QByteArray>

#include <optional>

namespace brindle {

enum class ReportFormat { markdown, html, json };

/// "md", "html" or "json" (also the file suffix).
QString reportFormatName(ReportFormat format);
std::optional<ReportFormat> reportFormatFromName(const QString &name);

struct ReportOptions {
    bool includeTranscript = false;
};

/// The report as UTF-8.
QByteArray writeReport(const SessionRecord &record, ReportFormat format, ReportOptions options);

QByteArray markdownReport(const SessionRecord &record, ReportOptions options);
QByteArray htmlReport(const SessionRecord &record, ReportOptions options);
QByteArray jsonReport(const SessionRecord &record, ReportOptions options);

} // namespace brindle
