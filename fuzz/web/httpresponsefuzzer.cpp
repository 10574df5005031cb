// Feeds arbitrary bytes to the response parser and the chunked decoder.
#include "httpresponse.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto body = brindle::parseResponse(bytes);
    if (body && body->toUtf8().size() > bytes.size())
        std::abort(); // a body can never be longer than what arrived
    const auto decoded = brindle::decodeChunked(bytes);
    if (decoded && decoded->size() > bytes.size())
        std::abort();
    return 0;
}
