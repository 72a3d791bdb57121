#include "lookfiles/LookFile.h"

#include "lookfiles/LookSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QList>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

namespace lookfiles {

namespace {

constexpr char kVersionKey[] = "oldreel-look";
constexpr char kVersion[] = "1";
// A look file is a few hundred bytes; anything far larger is some other file.
constexpr qint64 kLargestFile = qint64(1) << 20;

bool isJsonNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?$"));
    return number.match(text).hasMatch();
}

QByteArray quoted(const QString& text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += QByteArray("\\") + c;
        else if (byte < 0x20)
            out += "\\u00" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + '"';
}

// One member of the file's object as it stands in the text: its key, the
// line the key is on and the value's JSON text.
struct Member
{
    QString key;
    int line;
    QByteArray value;
};

int lineAt(const QByteArray& text, qsizetype offset)
{
    return int(text.left(offset).count('\n')) + 1;
}

qsizetype skipSpace(const QByteArray& text, qsizetype i)
{
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    return i;
}

// Where the JSON value (or key) that starts at `i` ends, in text already
// known to be valid JSON.
qsizetype valueEnd(const QByteArray& text, qsizetype i)
{
    int depth = 0;
    bool inString = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
                if (depth == 0)
                    return i + 1;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0)
                return i; // the enclosing object's end: a number or a word ended here
            if (--depth == 0)
                return i + 1;
        } else if (depth == 0 && (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            return i;
        }
    }
    return i;
}

// The one value of "[token]": a key or a member's value on its own.
QJsonValue jsonValue(const QByteArray& token)
{
    return QJsonDocument::fromJson("[" + token + "]").array().at(0);
}

// The top-level object's members in the order written, duplicates and all
// (QJsonObject keeps one of each key and no places).
QList<Member> membersOf(const QByteArray& text)
{
    QList<Member> members;
    qsizetype i = skipSpace(text, 0) + 1; // past '{'
    while (true) {
        i = skipSpace(text, i);
        if (i >= text.size() || text[i] == '}')
            break;
        const qsizetype keyEnd = valueEnd(text, i);
        Member member{jsonValue(text.mid(i, keyEnd - i)).toString(), lineAt(text, i), {}};
        i = skipSpace(text, skipSpace(text, keyEnd) + 1); // past ':'
        const qsizetype end = valueEnd(text, i);
        member.value = text.mid(i, end - i);
        members.append(member);
        i = skipSpace(text, end);
        if (i < text.size() && text[i] == ',')
            ++i;
    }
    return members;
}

// A value as --set spells it: a text's characters or a number's digits as
// written (so 1.37 stays "1.37"); none for true, false, null, lists and objects.
std::optional<QString> valueText(const QByteArray& json, QString& kind)
{
    const QJsonValue value = jsonValue(json);
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::fromLatin1(json);
    kind = value.isArray()    ? QStringLiteral("a list")
           : value.isObject() ? QStringLiteral("an object")
                              : QString::fromLatin1(json);
    return std::nullopt;
}

} // namespace

QByteArray lookFileText(const effects::Look& look)
{
    QByteArray text = "{\n  " + quoted(QLatin1String(kVersionKey)) + ": " + kVersion;
    for (const QString& name : settingNames()) {
        const QString value = settingText(look, name);
        text +=
            ",\n  " + quoted(name) + ": " + (isJsonNumber(value) ? value.toUtf8() : quoted(value));
    }
    return text + "\n}\n";
}

std::optional<effects::Look> parseLookFile(const QByteArray& written, const QString& fileName,
                                           QString& error)
{
    // Some editors begin a UTF-8 file with a byte-order mark; JSON has none.
    const QByteArray text = written.startsWith("\xEF\xBB\xBF") ? written.mid(3) : written;
    const auto fault = [&](int line, const QString& key, const QString& reason) {
        error = key.isEmpty()
                    ? QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(reason)
                    : QStringLiteral("%1:%2: %3: %4").arg(fileName).arg(line).arg(key, reason);
        return std::nullopt;
    };
    QJsonParseError parsing;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parsing);
    if (parsing.error != QJsonParseError::NoError)
        return fault(lineAt(text, parsing.offset), QString(),
                     QStringLiteral("malformed JSON (%1)").arg(parsing.errorString()));
    if (!document.isObject())
        return fault(1, QString(), QStringLiteral("not a look: expected a JSON object { ... }"));

    const QList<Member> members = membersOf(text);
    const auto version = std::find_if(members.begin(), members.end(), [](const Member& m) {
        return m.key == QLatin1String(kVersionKey);
    });
    if (version == members.end())
        return fault(
            1, QString(),
            QStringLiteral("not a look: \"%1\": %2 is missing").arg(kVersionKey, kVersion));
    if (version->value != kVersion)
        return fault(version->line, version->key,
                     QStringLiteral("%1 is not a version this Oldreel reads (%2)")
                         .arg(QString::fromUtf8(version->value), kVersion));

    effects::Look look;
    QHash<QString, int> seen;
    for (const Member& member : members) {
        if (const auto first = seen.constFind(member.key); first != seen.constEnd())
            return fault(member.line, member.key,
                         QStringLiteral("given twice (first on line %1)").arg(*first));
        seen.insert(member.key, member.line);
        if (member.key == QLatin1String(kVersionKey))
            continue;
        QString kind;
        const std::optional<QString> value = valueText(member.value, kind);
        if (!value)
            return fault(member.line, member.key,
                         QStringLiteral("expected a number or a text in quotes, not %1").arg(kind));
        if (const QString reason = applyValue(look, member.key, *value); !reason.isEmpty())
            return fault(member.line, member.key, reason);
    }
    error.clear();
    return look;
}

std::optional<effects::Look> readLookFile(const QString& path, QString& error)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.exists())
        error = QStringLiteral("%1: no such file").arg(path);
    else if (!info.isFile())
        error = QStringLiteral("%1: not a file").arg(path);
    else if (info.size() > kLargestFile)
        error = QStringLiteral("%1: too large for a look file").arg(path);
    else if (!file.open(QIODevice::ReadOnly))
        error = QStringLiteral("%1: cannot be read (%2)").arg(path, file.errorString());
    else
        return parseLookFile(file.readAll(), path, error);
    return std::nullopt;
}

bool writeLookFile(const QString& path, const effects::Look& look, QString& error)
{
    QSaveFile file(path);
    const QByteArray text = lookFileText(look);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) {
        error.clear();
        return true;
    }
    error = QStringLiteral("%1: cannot be written (%2)").arg(path, file.errorString());
    return false;
}

} // namespace lookfiles
