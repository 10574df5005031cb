#include "appidentity.h"

namespace brindle::desktop {

QString applicationObjectPath() {
    return QLatin1Char('/') + applicationId().replace(QLatin1Char('.'), QLatin1Char('/'));
}

QIcon applicationIcon() {
    QIcon bundled;
    bundled.addFile(QStringLiteral(":/brindle/icons/scalable/apps/%1.svg").arg(applicationId()));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        bundled.addFile(
            QStringLiteral(":/brindle/icons/%1x%1/apps/%2.png").arg(size).arg(applicationId()),
            QSize(size, size));
    return QIcon::fromTheme(applicationId(), bundled);
}

} // namespace brindle::desktop
