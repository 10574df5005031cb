/**
 * @file
 * The response parser of the page fetcher: pure functions of the received bytes. They accept only
 * a plain "200" answer with an HTML or plain-text body in identity encoding, either delimited by
 * the end of the stream, an exact Content-Length or chunked framing, and valid UTF-8. Anything
 * else is "no page", never an error.
 */
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace brindle {

/// Largest header block (bytes before the first blank line) that is looked at.
inline constexpr qsizetype maxHeaderBytes = 32768;

/// The body text of a complete response, or nothing when it is not a usable page.
std::optional<QString> parseResponse(QByteArrayView response);

/// The payload of a chunked body, or nothing when the framing is broken or the final zero-size
/// chunk is missing. Chunk extensions and trailers are ignored.
std::optional<QByteArray> decodeChunked(QByteArrayView body);

} // namespace brindle
