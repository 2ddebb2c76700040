#include "app/i18n/Language.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QSettings>
#include <QTranslator>

#include <memory>
#include <string>
#include <vector>

namespace printbench::app {

namespace {

std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

Language g_current = Language::Korean;

QString shownText(const QWidget* widget)
{
    const QString source = sourceText(widget);
    const QByteArray window = widget->property("sourceWindow").toByteArray();
    if (!window.isEmpty()) return QCoreApplication::translate(window.constData(), source.toUtf8().constData());
    const QVariant kept = widget->property("message");
    if (!kept.isValid()) return source;
    const QStringList parts = kept.toStringList();  // context, form, comment, values...
    std::vector<std::string> values;
    for (qsizetype i = 3; i < parts.size(); ++i) values.push_back(parts[i].toStdString());
    const QString form = QCoreApplication::translate(parts[0].toUtf8().constData(), parts[1].toUtf8().constData(),
                                                     parts[2].toUtf8().constData());
    return QString::fromStdString(window::fillForm(form.toStdString(), values));
}

void show(QWidget* widget, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
}

QSettings settings()
{
    return QSettings(QStringLiteral("PrintBench"), QStringLiteral("PrintBench"));
}

}  // namespace

std::optional<Language> languageNamed(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("ko") || n == QLatin1String("korean") || n == QLatin1String("kr")) return Language::Korean;
    if (n == QLatin1String("en") || n == QLatin1String("english")) return Language::English;
    return std::nullopt;
}

QString languageCode(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("ko");
}

Language rememberedLanguage()
{
    return languageNamed(settings().value(QStringLiteral("language")).toString()).value_or(Language::Korean);
}

void rememberLanguage(Language language)
{
    settings().setValue(QStringLiteral("language"), languageCode(language));
}

bool installLanguage(Language language)
{
    std::unique_ptr<QTranslator>& translator = installed();
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    g_current = Language::Korean;
    if (language == Language::Korean) {
        // Removing a translator tells the windows too; with none installed, say it ourselves.
        QEvent change(QEvent::LanguageChange);
        if (QCoreApplication::instance()) QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
        return true;
    }
    auto next = std::make_unique<QTranslator>();
    if (!next->load(QStringLiteral(":/i18n/printbench_") + languageCode(language))) return false;
    QCoreApplication::installTranslator(next.get());
    translator = std::move(next);
    g_current = language;
    return true;
}

Language currentLanguage()
{
    return g_current;
}

LanguageArgument languageArgument(const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == QLatin1String("--lang")) {
            if (i + 1 >= arguments.size()) return {std::nullopt, QStringLiteral("--lang needs a language: ko or en")};
            value = arguments[i + 1];
        } else if (arguments[i].startsWith(QLatin1String("--lang="))) {
            value = arguments[i].mid(7);
        } else {
            continue;
        }
        if (const auto language = languageNamed(value)) return {language, {}};
        return {std::nullopt, QStringLiteral("--lang takes ko or en, not \"%1\"").arg(value)};
    }
    return {};
}

void setSourceText(QWidget* widget, const QString& source, const char* window)
{
    widget->setProperty("source", source);
    widget->setProperty("sourceWindow", window ? QByteArray(window) : QByteArray());
    widget->setProperty("message", QVariant());
    show(widget, shownText(widget));
}

void setSourceMessage(QWidget* widget, const window::Message& message)
{
    QStringList parts{QString::fromUtf8(message.form.context), QString::fromUtf8(message.form.text),
                      QString::fromUtf8(message.form.comment)};
    for (const std::string& v : message.values) parts << QString::fromStdString(v);
    widget->setProperty("source", QString::fromStdString(message.text()));
    widget->setProperty("sourceWindow", QByteArray());
    widget->setProperty("message", parts);
    show(widget, shownText(widget));
}

QString sourceText(const QWidget* widget)
{
    return widget->property("source").toString();
}

void retranslateTexts(QWidget* top)
{
    for (QWidget* w : top->findChildren<QWidget*>())
        if (w->property("source").isValid()) show(w, shownText(w));
}

QString translatedMessage(const window::Message& message)
{
    const QString form = QCoreApplication::translate(message.form.context, message.form.text, message.form.comment);
    return QString::fromStdString(window::fillForm(form.toStdString(), message.values));
}

}  // namespace printbench::app
