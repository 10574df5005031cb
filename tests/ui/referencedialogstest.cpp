#include "qmlurls.h"
#include "quickreferencedialogs.h"
#include "testregistry.h"

#include <QCoroTask>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Brindle_UIPlugin)

using namespace brindle;

class ReferenceDialogsTest : public QObject {
    Q_OBJECT

    /// The dialog drawn by Qt Quick itself inside `window`, found by the class of its popup.
    static QObject *quickDialog(QQuickItem *item, const char *className) {
        for (QQuickItem *child : item->childItems()) {
            QObject *owner = child->parent();
            if (child->isVisible() && owner && owner->inherits(className))
                return owner;
            if (QObject *found = quickDialog(child, className))
                return found;
        }
        return nullptr;
    }

private Q_SLOTS:
    // Where the desktop offers no dialogs of its own, Qt Quick draws them from QML modules
    // that must be installed; both panels must open and answer a cancel.
    void panelsOpenWithoutDesktopDialogs_data() {
        QTest::addColumn<bool>("folder");
        QTest::newRow("files") << false;
        QTest::newRow("folder") << true;
    }
    void panelsOpenWithoutDesktopDialogs() {
        QFETCH(bool, folder);
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("not installed|could not")));
        QQmlEngine engine;
        engine.addImportPath(qml::importPath());
        QQuickWindow window;
        window.resize(900, 700);
        window.show();
        QuickReferenceDialogs dialogs(engine);
        dialogs.setParentWindow(&window);
        bool answered = false;
        const auto wait = [&answered](auto task) -> QCoro::Task<> {
            co_await std::move(task);
            answered = true;
        };
        if (folder)
            wait(dialogs.chooseFolder(QStringLiteral("Connect folder")));
        else
            wait(dialogs.chooseFiles(QStringLiteral("Add files")));
        QObject *dialog = nullptr;
        QTRY_VERIFY((dialog = quickDialog(window.contentItem(), folder ? "QQuickFolderDialogImpl"
                                                                       : "QQuickFileDialogImpl")));
        QVERIFY(QMetaObject::invokeMethod(dialog, "reject"));
        QTRY_VERIFY(answered);
    }

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
        QQuickWindow *alert = nullptr;
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->isVisible() && window->property("answered").isValid())
                alert = qobject_cast<QQuickWindow *>(window);
        }
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
