/**
 * @file
 * How QML reaches the history view's controller built in main.cpp: the History singleton.
 */
#pragma once

#include "historyviewmodel.h"
#include "qmlsingletons.h"

namespace brindle {

struct HistoryForeign : ProvidedInstance<HistoryViewModel> {
    Q_GADGET
    QML_FOREIGN(brindle::HistoryViewModel)
    QML_NAMED_ELEMENT(History)
    QML_SINGLETON
};

} // namespace brindle
