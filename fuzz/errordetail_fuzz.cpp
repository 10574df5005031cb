// Feeds arbitrary bytes to the provider error reader: the first line is the key, the rest the body.
#include "providerfailure.h"

#include <cstddef>
#include <cstdint>

using namespace brindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto split = input.indexOf('\n');
    const auto key = split < 0 ? QString() : QString::fromUtf8(input.left(split));
    const auto body = split < 0 ? input : input.mid(split + 1);
    (void)errorDetail(body, key);
    (void)providerFailureMessage(QStringLiteral("Selka"), 401, body, key);
    return 0;
}
