#pragma once

#include "window/Messages.h"

#include <QString>
#include <QStringList>

class QWidget;

#include <optional>
#include <string>

namespace printbench::app {

// The languages of the windows: Korean is the program's own (its texts as they stand in the
// code), English a translation shipped inside the program.
enum class Language { Korean, English };

// "ko" and "en" (also "korean", "english", any case); none for anything else.
std::optional<Language> languageNamed(const QString& name);
QString languageCode(Language language);

// The language of the last session, or Korean.
Language rememberedLanguage();
void rememberLanguage(Language language);

// Puts the language's translation in place for the whole program; every window hears of it
// (QEvent::LanguageChange) and sets its texts again. False when the translation is missing.
bool installLanguage(Language language);
Language currentLanguage();

// "--lang en" / "--lang=en" among a program's arguments: the language, or an error to show.
struct LanguageArgument {
    std::optional<Language> language;
    QString error;
};
LanguageArgument languageArgument(const QStringList& arguments);

// A label's or a button's text given in the program's own language: kept on the widget, shown
// in the current language, and shown again in the next when it changes. `window` names the
// control table a caption comes from; a text the program sets while it runs has none and is
// shown as it is (a value: a path, a status), unless it is set as a message.
void setSourceText(QWidget* widget, const QString& source, const char* window = nullptr);
void setSourceMessage(QWidget* widget, const window::Message& message);
QString sourceText(const QWidget* widget);
// Every such text under `top` in the current language (on QEvent::LanguageChange).
void retranslateTexts(QWidget* top);

// A message of the program (a message box, a question, a label the program sets) in the current
// language: its form translated by the catalogue, then filled with its values.
QString translatedMessage(const window::Message& message);

}  // namespace printbench::app
