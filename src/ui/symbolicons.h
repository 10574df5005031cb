/**
 * @file
 * The one table from the symbol names the views use to icons of the desktop's freedesktop icon
 * theme. Views ask by symbol name (QML: SymbolIcons.name("xmark")); the tray uses icon().
 */
#pragma once

#include <QIcon>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brindle {

/// The theme icon name for a symbol; empty for an unknown symbol.
QString themeIconName(const QString &symbol);
/// The theme icon for a symbol (empty icon when the theme lacks it).
QIcon symbolIcon(const QString &symbol);
/// Makes sure a theme with the mapped icons is searched when the desktop sets none.
void installIconThemeFallback();

class SymbolIcons : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;
    Q_INVOKABLE QString name(const QString &symbol) const { return themeIconName(symbol); }
};

} // namespace brindle
