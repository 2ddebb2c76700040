#include "app/i18n/Language.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <memory>
#include <vector>

namespace printbench::app {

namespace {

// The forms of the program's messages. %1, %2, ... stand for values; in a form whose last value
// may run over several lines (a reason), that value is the last. Where the Korean text gives
// only a code, the English one says what it means.
struct MessageForm {
    const char* context;
    struct {
        const char* source;
        const char* comment;
    } text;
    bool usb = false;  // %1 is a result of the USB route: %2 says it in words
};

const MessageForm kForms[] = {
    // Field checks.
    {"Message", QT_TRANSLATE_NOOP3("Message", "Only Number!", "a field takes digits only")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Only Number", "a field takes digits only")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Max 1010", "the feed field")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Please Select Port", "a button that needs a port")},
    // USB. %1 is the result of the connection or of the status read; %2 what it means.
    {"Message", QT_TRANSLATE_NOOP3("Message", "%1 모델에 USB로 연결되었습니다.", "%1: the model")},
    {"Message",
     QT_TRANSLATE_NOOP3("Message", "[Returned Data]:%1,USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오",
                        "%1: the result code; %2: what it means, in words"),
     true},
    // Bitmaps. %1: the file's name; %2: what is wrong with it.
    {"Message", QT_TRANSLATE_NOOP3("Message", "비트맵 파일이 틀립니다...\r\n파일명: %1\r\n%2", "%1: the file, %2: why")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "비트맵 파일이 틀립니다...\r\n파일명: %1", "%1: the file")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: %1\r\n%2", "%1: the file, %2: why")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: %1", "%1: the file")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "선택된 파일이 없습니다.", "")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "데이터 출력을 완료했습니다", "the logo was sent")},
    {"Message",
     QT_TRANSLATE_NOOP3("Message", "The work file %1 could not be written, so nothing was printed.\r\nReason: %2", "")},
    {"Form3", QT_TRANSLATE_NOOP3("Form3", "위치: %1", "the folder the files are listed from")},
    // The link.
    {"Message", QT_TRANSLATE_NOOP3("Message", "%1 could not be opened.\r\nDevice: %2\r\nReason: %3", "")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "%1 could not be opened.\r\nReason: %2", "")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "%1 could not be opened.\r\n%2", "%2: what the port leads to")},
    {"Message",
     QT_TRANSLATE_NOOP3("Message", "%1 is not open, so nothing was sent.\r\nChoose the port again once the printer is connected.", "")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "The connection to %1 was lost; the port has been closed.\r\nReason: %2", ""), false},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Sending to %1 failed; the port has been closed.\r\nReason: %2", ""), false},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Sending to the USB printer failed.\r\nReason: %1", "")},
    {"Message",
     QT_TRANSLATE_NOOP3("Message",
                        "The text to print has characters that code page %1 cannot print: %2\r\nThe printer would get \"?\" for each of them.",
                        ""), false},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Send as ?", "the button that sends the text anyway")},
    {"Message", QT_TRANSLATE_NOOP3("Message", "Cancel", "")},
};

// The results of the USB route, in words.
const char* const kUsbResults[] = {
    QT_TRANSLATE_NOOP("UsbResult", "The USB printer did not answer"),                                    // -1
    QT_TRANSLATE_NOOP("UsbResult", "Connected"),                                                         // 0
    QT_TRANSLATE_NOOP("UsbResult", "No USB printer was found"),                                          // 1
    QT_TRANSLATE_NOOP("UsbResult", "USB printers were found, but none of the chosen model"),             // 2
    QT_TRANSLATE_NOOP("UsbResult", "The USB printer may not be opened by this user (see the udev rule)"), // 3
    QT_TRANSLATE_NOOP("UsbResult", "The USB printer is held by another program or driver"),              // 4
    QT_TRANSLATE_NOOP("UsbResult", "USB cannot be used on this computer (libusb did not start)"),        // 5
};

QString usbResultText(const QString& code)
{
    bool ok = false;
    const int n = code.toInt(&ok);
    if (!ok || n < -1 || n > 5) return QCoreApplication::translate("UsbResult", "The USB printer could not be used");
    return QCoreApplication::translate("UsbResult", kUsbResults[n + 1]);
}

// A form as a pattern: each value on one line, except a last value that ends the form, which
// may run over several (a reason).
struct CompiledForm {
    const MessageForm* form;
    QRegularExpression pattern;
};

const std::vector<CompiledForm>& compiledForms()
{
    static const std::vector<CompiledForm> forms = [] {
        static const QRegularExpression value(QStringLiteral("%[1-9]"));
        std::vector<CompiledForm> out;
        for (const MessageForm& form : kForms) {
            const QString source = QString::fromUtf8(form.text.source);
            QString pattern = QStringLiteral("^");
            qsizetype at = 0;
            for (auto it = value.globalMatch(source); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                pattern += QRegularExpression::escape(source.mid(at, m.capturedStart() - at));
                pattern += m.capturedEnd() == source.size() ? QStringLiteral("([\\s\\S]*)") : QStringLiteral("([^\\r\\n]*?)");
                at = m.capturedEnd();
            }
            out.push_back({&form, QRegularExpression(pattern + QRegularExpression::escape(source.mid(at)) + QLatin1Char('$'))});
        }
        return out;
    }();
    return forms;
}

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
    return translatedMessage(source.toStdString());
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

} // namespace

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

QString translatedMessage(const std::string& text)
{
    const QString message = QString::fromStdString(text);
    for (const CompiledForm& compiled : compiledForms()) {
        const QRegularExpressionMatch m = compiled.pattern.match(message);
        if (!m.hasMatch()) continue;
        const MessageForm& form = *compiled.form;
        QString out = QCoreApplication::translate(form.context, form.text.source, form.text.comment);
        QStringList values;
        for (int i = 1; i <= m.lastCapturedIndex(); ++i) values << m.captured(i);
        if (form.usb) values << usbResultText(values.value(0));
        // All values at once: a value that holds "%1" stays as it is.
        switch (values.size()) {
        case 0: return out;
        case 1: return out.arg(values[0]);
        case 2: return out.arg(values[0], values[1]);
        default: return out.arg(values[0], values[1], values[2]);
        }
    }
    return message;
}

} // namespace printbench::app
