// Builds the long-lived objects and wires them together. Nothing else lives here.
#include "systemscheduler.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brindle"));

    brindle::SystemScheduler scheduler;

    // Until the real window lands: a plain window saying what this build holds.
    QLabel window(QStringLiteral("<h2>Brindle</h2><p>Live fact checker for the Linux desktop.</p>"
                                 "<p>This build holds the claim intake, the model prompts and the "
                                 "settings with the keyring. The session window comes next.</p>"));
    window.setWindowTitle(QStringLiteral("Brindle..."));
    window.setMargin(24);
    window.setWordWrap(true);
    window.resize(480, 240);
    window.show();
    return QApplication::exec();
}
