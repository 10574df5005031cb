#include "autostartentry.h"
#include "testregistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace brindle;
using namespace brindle::desktop;
using namespace brindle::test;

class DesktopTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loginSwitchWritesAndRemovesTheAutostartEntry() {
        QTemporaryDir dir;
        const QString path =
            dir.filePath(QStringLiteral("config/autostart/org.example.App.desktop"));
        // Quoted for the space; inside quotes $ takes a backslash, which the file doubles.
        AutostartEntry entry(path, QStringLiteral("/opt/my apps/$brindle"),
                             QStringLiteral("org.example.App"));
        QSignalSpy changed(&entry, &AutostartEntry::enabledChanged);
        QVERIFY(!entry.isEnabled());

        entry.setEnabled(true);
        QVERIFY(entry.isEnabled());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
        QVERIFY(lines.contains(QStringLiteral("Exec=\"/opt/my apps/\\\\$brindle\" --autostart")));
        QVERIFY(lines.contains(QStringLiteral("Icon=org.example.App")));
        QVERIFY(lines.contains(QStringLiteral("Type=Application")));

        entry.setEnabled(false);
        QVERIFY(!entry.isEnabled());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(changed.size(), 2);

        AutostartEntry nowhere(QString(), QStringLiteral("/usr/bin/brindle"),
                               QStringLiteral("org.example.App"));
        nowhere.setEnabled(true);
        QVERIFY(!nowhere.isEnabled());
    }
};

BRINDLE_REGISTER_TEST(DesktopTest);
#include "desktoptest.moc"
