#include "privatepulseserver.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace brindle::test {

bool PrivatePulseServer::start(const QString &folder, const QString &modules) {
    const QDir dir(folder);
    const auto socket = dir.filePath(QStringLiteral("native"));
    QFile config(dir.filePath(QStringLiteral("server.pa")));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 "
                                "socket=%1\n")
                     .arg(socket)
                     .toUtf8() +
                 modules.toUtf8());
    config.close();
    qputenv("HOME", folder.toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder.toUtf8());
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + socket).toUtf8());
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(
        QStringLiteral("pulseaudio"),
        QStringLiteral("--daemonize=no -n --exit-idle-time=-1 --log-level=error -F").split(u' ')
            << config.fileName());
    return m_server.waitForStarted() &&
           QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000);
}

void PrivatePulseServer::stop() {
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
}

} // namespace brindle::test
