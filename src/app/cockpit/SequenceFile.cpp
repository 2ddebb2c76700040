#include "app/cockpit/SequenceFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace printbench::app {

namespace {

constexpr auto kFormat = "printbench-sequence";

QStringList toStrings(const std::vector<std::string>& items)
{
    QStringList out;
    for (const std::string& item : items) out << QString::fromStdString(item);
    return out;
}

std::vector<std::string> fromStrings(const QStringList& items)
{
    std::vector<std::string> out;
    for (const QString& item : items) out.push_back(item.toStdString());
    return out;
}

// The texts of a sequence and of the lists by their key, both in files and in the settings.
const std::pair<const char*, std::string window::SequenceFields::*> kValues[] = {
    {"repeat", &window::SequenceFields::repeat},
    {"delay", &window::SequenceFields::delay},
    {"feed", &window::SequenceFields::feed},
    {"text", &window::SequenceFields::text},
};
const std::pair<const char*, std::string window::ListTexts::*> kLists[] = {
    {"model", &window::ListTexts::model},
    {"speed", &window::ListTexts::speed},
    {"density", &window::ListTexts::density},
};

// The texts of `fields` under their keys, given to `put(key, text)`; and taken back from
// `get(key)`, which has none for a key that is not there.
template <typename Keys, typename Fields, typename Put>
void putTexts(const Keys& keys, const Fields& fields, Put put)
{
    for (const auto& [key, member] : keys) put(QLatin1String(key), QString::fromStdString(fields.*member));
}

template <typename Keys, typename Fields, typename Get>
void getTexts(const Keys& keys, Fields& fields, Get get)
{
    for (const auto& [key, member] : keys)
        if (const std::optional<QString> text = get(QLatin1String(key))) fields.*member = text->toStdString();
}

}  // namespace

QByteArray sequenceJson(const SequenceFile& file)
{
    QJsonObject o{
        {QStringLiteral("format"), QLatin1String(kFormat)},
        {QStringLiteral("version"), 1},
        {QStringLiteral("entries"), QJsonArray::fromStringList(toStrings(file.sequence.entries))},
        {QStringLiteral("codePage"), file.codePage},
    };
    const auto put = [&o](const QString& key, const QString& text) { o.insert(key, text); };
    putTexts(kValues, file.sequence, put);
    putTexts(kLists, file.lists, put);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

std::optional<SequenceFile> readSequence(const QByteArray& json, SequenceFile base)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != QLatin1String(kFormat)) return std::nullopt;

    if (const QJsonValue entries = o.value(QStringLiteral("entries")); entries.isArray()) {
        base.sequence.entries.clear();
        for (const QJsonValue& entry : entries.toArray())
            base.sequence.entries.push_back(entry.toString().toStdString());
    }
    // Files of earlier versions hold no lists and no code page: those stay as they are.
    const auto get = [&o](const QString& key) -> std::optional<QString> {
        const QJsonValue v = o.value(key);
        return v.isString() ? std::optional(v.toString()) : std::nullopt;
    };
    getTexts(kValues, base.sequence, get);
    getTexts(kLists, base.lists, get);
    if (const auto codePage = get(QStringLiteral("codePage"))) base.codePage = *codePage;
    return base;
}

void saveSession(QSettings& settings, const window::SessionFields& session)
{
    settings.beginGroup(QStringLiteral("session"));
    settings.setValue(QStringLiteral("entries"), toStrings(session.sequence.entries));
    const auto put = [&settings](const QString& key, const QString& text) { settings.setValue(key, text); };
    putTexts(kValues, session.sequence, put);
    putTexts(kLists, session.lists, put);
    settings.setValue(QStringLiteral("oldVersion"), session.oldVersion);
    settings.endGroup();
}

std::optional<window::SessionFields> loadSession(QSettings& settings)
{
    settings.beginGroup(QStringLiteral("session"));
    std::optional<window::SessionFields> session;
    if (!settings.childKeys().isEmpty()) {
        session.emplace();
        session->sequence.entries = fromStrings(settings.value(QStringLiteral("entries")).toStringList());
        const auto get = [&settings](const QString& key) { return std::optional(settings.value(key).toString()); };
        getTexts(kValues, session->sequence, get);
        getTexts(kLists, session->lists, get);
        session->oldVersion = settings.value(QStringLiteral("oldVersion")).toBool();
    }
    settings.endGroup();
    return session;
}

}  // namespace printbench::app
