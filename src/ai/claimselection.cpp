#include "claimselection.h"

#include "apperror.h"
#include "modelprompts.h"
#include "providertransport.h"

#include <QJsonDocument>

#include <cmath>

namespace brindle {

namespace {

const QString checkableQuestion = QStringLiteral("checkable");

[[noreturn]] void undecodable(const QString &why) {
    throw AppError(QStringLiteral("The selection response could not be decoded: %1").arg(why));
}

} // namespace

QJsonObject selectionBody(const QString &model, const QString &claim, const QString &context) {
    const QJsonObject question{
        {QStringLiteral("type"), QStringLiteral("noul")},
        {QStringLiteral("instructions"), ModelPrompts::selectionInstructions()}};
    return {{QStringLiteral("model"), model},
            {QStringLiteral("state"), QJsonObject{{QStringLiteral("transcript"), claim},
                                                  {QStringLiteral("context"), context}}},
            {QStringLiteral("questions"), QJsonObject{{checkableQuestion, question}}}};
}

ClaimSelection selectionFromAnswer(std::optional<double> noul) {
    // Written so that NaN fails the range test too.
    if (!noul || !(*noul >= 0.0 && *noul <= 1.0))
        throw AppError(QStringLiteral("Selka returned an invalid selection response."));
    return {*noul, *noul >= selectionThreshold};
}

ClaimSelection readSelection(const QByteArray &body) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        undecodable(QStringLiteral("%1 at offset %2.").arg(error.errorString()).arg(error.offset));
    const auto answers = document.object().value(QStringLiteral("answers"));
    if (!document.isObject() || !answers.isObject())
        undecodable(QStringLiteral("\"answers\" is missing or not an object."));
    std::optional<double> checkable;
    const auto answerMap = answers.toObject();
    for (auto it = answerMap.begin(); it != answerMap.end(); ++it) {
        if (!it.value().isObject())
            undecodable(QStringLiteral("the answer \"%1\" is not an object.").arg(it.key()));
        const auto noul = it.value().toObject().value(QStringLiteral("noul"));
        if (!noul.isDouble() && !noul.isNull() && !noul.isUndefined())
            undecodable(QStringLiteral("\"noul\" of \"%1\" is not a number.").arg(it.key()));
        if (it.key() == checkableQuestion && noul.isDouble())
            checkable = noul.toDouble();
    }
    return selectionFromAnswer(checkable);
}

QCoro::Task<ClaimSelection> selectClaim(ProviderTransport &transport, ProviderEndpoints endpoints,
                                        AIConfiguration configuration, QString claim,
                                        QString context, CancelToken token) {
    const auto body = co_await transport.postJSON(
        endpoints.selection(configuration.selkaProvider), configuration.selkaKey,
        selectionBody(configuration.selkaModel, claim, context), QStringLiteral("Selka"), token);
    throwIfCancelled(token);
    co_return readSelection(body);
}

} // namespace brindle
