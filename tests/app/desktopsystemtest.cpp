// The installed behaviour on a desktop: Brindle on a private X server and session bus, with a
// tray that the test owns and then takes away.
#include "testregistry.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

const QString appId = QStringLiteral("org.brindle.Brindle");

} // namespace

class DesktopSystemTest : public QObject {
    Q_OBJECT

    QProcess m_xvfb;
    QTemporaryDir m_home;
    QProcessEnvironment m_env;
    xcb_connection_t *m_x = nullptr;
    xcb_window_t m_root = 0;

    xcb_atom_t atom(const char *name) {
        auto *reply = xcb_intern_atom_reply(
            m_x, xcb_intern_atom(m_x, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        auto *reply = xcb_get_property_reply(
            m_x, xcb_get_property(m_x, 0, window, name, type, 0, 64), nullptr);
        QByteArray value;
        if (reply)
            value = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
        std::free(reply);
        return value;
    }

    qint64 processOf(xcb_window_t window) {
        const QByteArray pid = property(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
        return pid.size() == 4 ? *reinterpret_cast<const std::uint32_t *>(pid.constData()) : 0;
    }

    /// Brindle's main window if it is on screen, else 0. Closing destroys the X window, so each
    /// showing is a new one.
    xcb_window_t shownWindow() {
        auto *tree = xcb_query_tree_reply(m_x, xcb_query_tree(m_x, m_root), nullptr);
        xcb_window_t found = 0;
        for (int i = 0; tree && i < xcb_query_tree_children_length(tree) && !found; ++i) {
            const xcb_window_t child = xcb_query_tree_children(tree)[i];
            auto *attributes = xcb_get_window_attributes_reply(
                m_x, xcb_get_window_attributes(m_x, child), nullptr);
            if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                property(child, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY) == "Brindle...")
                found = child;
            std::free(attributes);
        }
        std::free(tree);
        return found;
    }

    /// What a window manager sends when the user closes a window.
    void closeWindow(xcb_window_t window) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_x, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(m_x);
    }

    void launch(QProcess &process) {
        process.setProcessEnvironment(m_env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(BRINDLE_APP_PATH), {});
        QVERIFY(process.waitForStarted());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        m_xvfb.start(
            QStringLiteral("Xvfb"),
            QStringLiteral("-displayfd 1 -screen 0 1280x1024x24 -nolisten tcp").split(u' '));
        QVERIFY(m_xvfb.waitForStarted());
        while (!m_xvfb.canReadLine())
            QVERIFY(m_xvfb.waitForReadyRead(20000));
        const QString display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine().trimmed());
        m_x = xcb_connect(display.toLatin1().constData(), nullptr);
        QVERIFY(!xcb_connection_has_error(m_x));
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;

        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.insert(QStringLiteral("DISPLAY"), display);
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        for (const char *dir : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            m_env.insert(QLatin1String(dir), m_home.filePath(QLatin1String(dir)));
        // No sound server: the app must come up without one.
        m_env.insert(QStringLiteral("PULSE_SERVER"), m_home.filePath(QStringLiteral("no-pulse")));
    }

    void cleanupTestCase() {
        if (m_x)
            xcb_disconnect(m_x);
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }

    void secondLaunchRaisesTheFirstAndClosingQuitsOnceTheTrayIsGone() {
        // What a tray does first: own the system-tray selection of the screen.
        const xcb_window_t tray = xcb_generate_id(m_x);
        xcb_create_window(m_x, XCB_COPY_FROM_PARENT, tray, m_root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(m_x, tray, atom("_NET_SYSTEM_TRAY_S0"), XCB_CURRENT_TIME);
        xcb_flush(m_x);
        QProcess first;
        launch(first);
        QTRY_VERIFY_WITH_TIMEOUT(
            QDBusConnection::sessionBus().interface()->isServiceRegistered(appId), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(shownWindow(), 30000);
        QCOMPARE(processOf(shownWindow()), first.processId());

        // With a tray, closing hides the window and the process stays.
        closeWindow(shownWindow());
        QTRY_VERIFY(!shownWindow());
        QCOMPARE(first.state(), QProcess::Running);

        QProcess second;
        launch(second);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(shownWindow());
        QCOMPARE(processOf(shownWindow()), first.processId());

        // The tray goes while the window is hidden: the window comes back (minimized), and
        // closing it now ends the process.
        closeWindow(shownWindow());
        QTRY_VERIFY(!shownWindow());
        xcb_destroy_window(m_x, tray); // the tray goes
        xcb_flush(m_x);
        QTRY_VERIFY_WITH_TIMEOUT(shownWindow(), 15000);
        closeWindow(shownWindow());
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(appId));
    }
};

BRINDLE_REGISTER_TEST(DesktopSystemTest);
#include "desktopsystemtest.moc"
