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

// The values of a sequence by their key, both in files and in the settings.
const std::pair<const char*, std::string window::SequenceFields::*> kValues[] = {
    {"repeat", &window::SequenceFields::repeat},
    {"delay", &window::SequenceFields::delay},
    {"feed", &window::SequenceFields::feed},
    {"text", &window::SequenceFields::text},
};

} // namespace

QByteArray sequenceJson(const window::SequenceFields& sequence)
{
    QJsonObject o{
        {QStringLiteral("format"), QLatin1String(kFormat)},
        {QStringLiteral("version"), 1},
        {QStringLiteral("entries"), QJsonArray::fromStringList(toStrings(sequence.entries))},
    };
    for (const auto& [key, value] : kValues) o.insert(QLatin1String(key), QString::fromStdString(sequence.*value));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

std::optional<window::SequenceFields> readSequence(const QByteArray& json, window::SequenceFields base)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != QLatin1String(kFormat)) return std::nullopt;

    if (const QJsonValue entries = o.value(QStringLiteral("entries")); entries.isArray()) {
        base.entries.clear();
        for (const QJsonValue& entry : entries.toArray()) base.entries.push_back(entry.toString().toStdString());
    }
    for (const auto& [key, value] : kValues) {
        if (const QJsonValue v = o.value(QLatin1String(key)); v.isString()) base.*value = v.toString().toStdString();
    }
    return base;
}

void saveSession(QSettings& settings, const window::SessionFields& session)
{
    settings.beginGroup(QStringLiteral("session"));
    settings.setValue(QStringLiteral("entries"), toStrings(session.sequence.entries));
    for (const auto& [key, value] : kValues) settings.setValue(QLatin1String(key), QString::fromStdString(session.sequence.*value));
    settings.setValue(QStringLiteral("model"), QString::fromStdString(session.model));
    settings.setValue(QStringLiteral("speed"), QString::fromStdString(session.speed));
    settings.setValue(QStringLiteral("density"), QString::fromStdString(session.density));
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
        for (const auto& [key, value] : kValues) session->sequence.*value = settings.value(QLatin1String(key)).toString().toStdString();
        session->model = settings.value(QStringLiteral("model")).toString().toStdString();
        session->speed = settings.value(QStringLiteral("speed")).toString().toStdString();
        session->density = settings.value(QStringLiteral("density")).toString().toStdString();
        session->oldVersion = settings.value(QStringLiteral("oldVersion")).toBool();
    }
    settings.endGroup();
    return session;
}

} // namespace printbench::app
