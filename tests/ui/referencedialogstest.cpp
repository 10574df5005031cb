#include "qmlurls.h"
#include "quickreferencedialogs.h"
#include "testregistry.h"

#include <QCoroTask>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Brindle_UIPlugin)

using namespace brindle;

class ReferenceDialogsTest : public QObject {
    Q_OBJECT

    static QQuickWindow *openAlert() {
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->isVisible() && window->property("answered").isValid())
                return qobject_cast<QQuickWindow *>(window);
        }
        return nullptr;
    }

private Q_SLOTS:
    void consentAlertAnswers_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("allow button") << QStringLiteral("allow") << true;
        QTest::newRow("cancel button") << QStringLiteral("cancel") << false;
        QTest::newRow("window closed") << QStringLiteral("close") << false;
    }
    void consentAlertAnswers() {
        QFETCH(QString, how);
        QFETCH(bool, allowed);
        QQmlEngine engine;
        engine.addImportPath(qml::importPath());
        QuickReferenceDialogs dialogs(engine);
        auto answer = dialogs.confirm({QStringLiteral("Allow cloud use of this folder?"),
                                       QStringLiteral("Relevant passages are sent."),
                                       QStringLiteral("Allow"), QStringLiteral("Cancel")});
        QQuickWindow *alert = openAlert();
        QVERIFY(alert);
        QCOMPARE(alert->property("message").toString(),
                 QStringLiteral("Allow cloud use of this folder?"));
        if (how == QLatin1String("close"))
            alert->close();
        else
            QMetaObject::invokeMethod(alert, "finish",
                                      Q_ARG(QVariant, how == QLatin1String("allow")));
        QCOMPARE(QCoro::waitFor(std::move(answer)), allowed);
    }
};

BRINDLE_REGISTER_TEST(ReferenceDialogsTest);
#include "referencedialogstest.moc"
