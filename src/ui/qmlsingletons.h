/**
 * @file
 * How QML reaches the long-lived objects built in main.cpp: declarative singletons whose create()
 * hands out the one instance main.cpp registered with provide(). The objects stay owned by C++.
 */
#pragma once

#include "apppresentation.h"
#include "appsettings.h"
#include "autostartentry.h"
#include "recordingviewmodel.h"
#include "sessionviewmodel.h"

#include <QJSEngine>
#include <QQmlEngine>
#include <QtQml/qqmlregistration.h>

namespace brindle {

template<typename T>
struct ProvidedInstance {
    static inline T *instance = nullptr;
    static void provide(T *object) { instance = object; }
    static T *create(QQmlEngine *, QJSEngine *) {
        Q_ASSERT_X(instance, "QML singleton", "main.cpp provides the instance before loading QML");
        QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
        return instance;
    }
};

struct AppPresentationForeign : ProvidedInstance<AppPresentation> {
    Q_GADGET
    QML_FOREIGN(brindle::AppPresentation)
    QML_NAMED_ELEMENT(AppPresentation)
    QML_SINGLETON
};

struct SessionForeign : ProvidedInstance<SessionViewModel> {
    Q_GADGET
    QML_FOREIGN(brindle::SessionViewModel)
    QML_NAMED_ELEMENT(Session)
    QML_SINGLETON
};

struct RecordingForeign : ProvidedInstance<RecordingViewModel> {
    Q_GADGET
    QML_FOREIGN(brindle::RecordingViewModel)
    QML_NAMED_ELEMENT(Recording)
    QML_SINGLETON
};

struct SettingsForeign : ProvidedInstance<AppSettings> {
    Q_GADGET
    QML_FOREIGN(brindle::AppSettings)
    QML_NAMED_ELEMENT(Settings)
    QML_SINGLETON
};

struct LoginStartForeign : ProvidedInstance<desktop::AutostartEntry> {
    Q_GADGET
    QML_FOREIGN(brindle::desktop::AutostartEntry)
    QML_NAMED_ELEMENT(LoginStart)
    QML_SINGLETON
};

} // namespace brindle
