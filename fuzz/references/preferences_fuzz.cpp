// Saved preferences and access tokens come from a settings file anyone can edit: decoding must
// never crash, and whatever decodes must survive encoding unchanged.
#include "accesstoken.h"
#include "sessionpreferences.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto decoded = brindle::decodePreferences(bytes)) {
        if (brindle::decodePreferences(brindle::encodePreferences(*decoded)) != decoded)
            std::abort();
        for (const auto &file : decoded->files) {
            if (file.bookmark)
                (void)brindle::resolveAccessToken(*file.bookmark);
        }
    }
    (void)brindle::resolveAccessToken(bytes);
    return 0;
}
