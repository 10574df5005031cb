/**
 * @file
 * The cheap first step of a check: the claim-selection model scores how checkable a piece of
 * conversation is, and only a score of at least 0.45 goes on to research.
 */
#pragma once

#include "aiconfiguration.h"
#include "cancellation.h"
#include "providerendpoints.h"

#include <QCoroTask>
#include <QJsonObject>

#include <optional>

namespace brindle {

class ProviderTransport;

inline constexpr double selectionThreshold = 0.45;

struct ClaimSelection {
    double noul = 0; ///< the model's answer to "checkable", within 0...1
    bool checkable = false;
};

/// The decision request: the model, the claim and its context as "state", one "noul" question.
QJsonObject selectionBody(const QString &model, const QString &claim, const QString &context);

/// Judges the "checkable" answer; throws AppError("Selka returned an invalid selection
/// response.") when it is absent or outside 0...1 (NaN included).
ClaimSelection selectionFromAnswer(std::optional<double> noul);

/// Decodes a 2xx decision body. A body that is not a decision response ("answers" missing or not
/// an object of objects, a "noul" that is not a number) throws an AppError describing the shape.
ClaimSelection readSelection(const QByteArray &body);

/// Asks the configured selection provider about `claim`. `transport` must outlive the task.
QCoro::Task<ClaimSelection> selectClaim(ProviderTransport &transport, ProviderEndpoints endpoints,
                                        AIConfiguration configuration, QString claim,
                                        QString context, CancelToken token);

} // namespace brindle
