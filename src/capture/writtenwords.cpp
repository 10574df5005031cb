#include "writtenwords.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace brindle {

namespace {

/// Dotted words whose written form no rule gives.
const QHash<QString, QString> &irregular() {
    static const QHash<QString, QString> words{
        {QStringLiteral("u.s"), QStringLiteral("US")},     // "U.S", not a plural of "u."
        {QStringLiteral("e.g."), QStringLiteral("eg")},    //
        {QStringLiteral("etc."), QStringLiteral("etc")},   //
        {QStringLiteral("vs."), QStringLiteral("vs")},     //
        {QStringLiteral("al."), QStringLiteral("al")},     // "et al."
        {QStringLiteral("in."), QStringLiteral("in")},     // inches
        {QStringLiteral("ph.d."), QStringLiteral("PhD")},  //
        {QStringLiteral("x.ers"), QStringLiteral("Xers")}, //
    };
    return words;
}

QString capitalised(const QString &word) {
    return word.isEmpty() ? word : word.front().toUpper() + word.mid(1);
}

/// A word with dots: the pieces between the dots, and what follows the last dot ("'s", "s").
QString undotted(const QString &word) {
    if (const auto known = irregular().constFind(word); known != irregular().cend())
        return *known;
    const qsizetype lastDot = word.lastIndexOf(u'.');
    const QString tail = word.mid(lastDot + 1);
    const QStringList pieces = word.left(lastDot).split(u'.');
    // A web address ("cnn.com"): the dot is spoken.
    if (pieces.size() == 1 && tail.size() > 2 && !tail.startsWith(u'\''))
        return pieces.front().toUpper() + QStringLiteral(" dot ") + tail;
    const bool initials =
        std::all_of(pieces.cbegin(), pieces.cend(), [](const QString &p) { return p.size() == 1; });
    if (initials) // "u.s.a." -> "USA", "f." -> "F", "c.d.s" -> "CDs", "a.'s" -> "A's"
        return pieces.join(QString()).toUpper() + tail;
    // An abbreviated word ("mr.", "corp.'s"): written with a capital, without its dot.
    return capitalised(pieces.join(QString())) + tail;
}

} // namespace

bool isFillerWord(const QString &dictionaryWord) {
    return dictionaryWord.isEmpty() || dictionaryWord.startsWith(u'<') ||
           dictionaryWord.startsWith(u'[') || dictionaryWord.startsWith(u'+');
}

QString writtenWord(const QString &dictionaryWord) {
    static const QRegularExpression alternative(QStringLiteral("\\(\\d+\\)$"));
    QString word = dictionaryWord;
    word.remove(alternative);
    if (word.contains(u'.'))
        word = undotted(word);
    if (word == u"i" || word.startsWith(QLatin1String("i'")))
        word[0] = u'I';
    // The dictionary holds none, but nothing the recognizer returns may end a sentence.
    word.remove(u'!').remove(u'?').remove(u'.');
    return word;
}

} // namespace brindle
