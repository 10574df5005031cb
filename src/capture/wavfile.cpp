#include "wavfile.h"

#include "audiobuffer.h"

#include <QFile>
#include <QtEndian>

namespace brindle {

double WavAudio::seconds() const {
    return double(samples.size() / 2) / captureSampleRate;
}

std::variant<WavAudio, QString> parseWav(const QByteArray &bytes) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return QStringLiteral("not a WAV file");
    const auto u16 = [&](qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint64 size = u32(at + 4);
        const qsizetype body = at + 8;
        if (quint64(bytes.size() - body) < size) {
            if (id != "data")
                return QStringLiteral("the WAV file is truncated");
        }
        if (id == "fmt ") {
            if (size < 16)
                return QStringLiteral("the WAV format chunk is too short");
            const auto format = u16(body), channels = u16(body + 2), bits = u16(body + 14);
            const auto rate = u32(body + 4);
            if (format != 1 || channels != 1 || rate != quint32(captureSampleRate) || bits != 16)
                return QStringLiteral("the WAV file must be 16 kHz mono 16-bit PCM (it is format "
                                      "%1, %2 channels, %3 Hz, %4 bits)")
                    .arg(format)
                    .arg(channels)
                    .arg(rate)
                    .arg(bits);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return QStringLiteral("the WAV data comes before its format");
            // Writers that stream (sox to a pipe, flite) may leave the size unset: take what is
            // there, whole samples only.
            const qsizetype available = std::min<quint64>(size, quint64(bytes.size() - body));
            return WavAudio{bytes.mid(body, available & ~qsizetype(1))};
        }
        at = body + qsizetype(std::min<quint64>(size + (size & 1), quint64(bytes.size())));
    }
    return QStringLiteral("the WAV file has no audio data");
}

std::variant<WavAudio, QString> readWav(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return parseWav(file.readAll());
}

QByteArray wavBytes(const QByteArray &samples) {
    QByteArray header(44, '\0');
    const auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, header.data() + at); };
    const auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, header.data() + at); };
    header.replace(0, 4, "RIFF");
    put32(4, quint32(36 + samples.size()));
    header.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, 1); // mono
    put32(24, 16000);
    put32(28, 32000);
    put16(32, 2);
    put16(34, 16);
    header.replace(36, 4, "data");
    put32(40, quint32(samples.size()));
    return header + samples;
}

} // namespace brindle
