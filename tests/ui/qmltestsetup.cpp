// QtQuickTest entry: the views are loaded from the Brindle.UI module with the settings sheet bound
// to an isolated settings object (its own file, no keyring).
#include "appsettings.h"
#include "qmlsingletons.h"
#include "qmlurls.h"
#include "symbolicons.h"

#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Brindle_UIPlugin)

class Setup : public QObject {
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable() {
        QQuickStyle::setStyle(QStringLiteral("Basic"));
        // Qt Quick's own dialogs, as on a desktop whose platform theme offers none.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        brindle::installIconThemeFallback();
    }

    void qmlEngineAvailable(QQmlEngine *engine) {
        engine->addImportPath(brindle::qml::importPath());
        m_settings = std::make_unique<brindle::AppSettings>(
            true,
            std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                        QSettings::IniFormat),
            nullptr);
        m_settings->setResearchModel(QStringLiteral("gpt-5.4"));
        brindle::SettingsForeign::provide(m_settings.get());
        // A folder with one recording in it for the file dialog to list.
        QDir(m_dir.path()).mkdir(QStringLiteral("recordings"));
        QFile(m_dir.filePath(QStringLiteral("recordings/talk.wav"))).open(QIODevice::WriteOnly);
        engine->rootContext()->setContextProperty(
            QStringLiteral("recordingsFolder"),
            QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("recordings"))));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<brindle::AppSettings> m_settings;
};

QUICK_TEST_MAIN_WITH_SETUP(ui_qml, Setup)

#include "qmltestsetup.moc"
