#pragma once

#include "link/Failure.h"

#include <string>
#include <string_view>
#include <vector>

namespace printbench::window {

// A fixed text of the window with %1, %2, ... where values go: the program's own text (the source
// of the translation catalogue, in the window named by `context`), and the catalogue's
// disambiguation.
struct MessageForm {
    const char* context;
    const char* text;
    const char* comment = "";
};

// A message as values: its form and what fills it. The window shows it in the chosen language
// (the form translated, then filled); `text()` is the program's own text.
struct Message {
    MessageForm form;
    std::vector<std::string> values;

    Message(const MessageForm& f, std::vector<std::string> v = {}) : form(f), values(std::move(v)) {}
    std::string text() const;
};

// `form` with %1 to %9 replaced by the values, all at once (a value holding "%1" stays as it is).
std::string fillForm(std::string_view form, const std::vector<std::string>& values);

// The window's texts that are not captions. lupdate reads the forms where they are defined.
namespace forms {
extern const MessageForm OnlyNumberBang, OnlyNumber, Max1010, SelectPort;
extern const MessageForm UsbConnected, UsbFailed;
extern const MessageForm NotABitmap, NotABitmapWhy, NotMonochrome, NotMonochromeWhy, NoFileSelected, LogoSent,
    WorkFileFailed;
extern const MessageForm Location;
extern const MessageForm OpenFailed, BadSpeed, NoDevice, NotOpen, Lost, SendFailed, UsbSendFailed;
extern const MessageForm CharactersMissing, SendAsQuestionMarks, Cancel;
extern const MessageForm CodeRefused;
}  // namespace forms

// The message box that tells of a failure.
Message failureMessage(const link::Failure& failure);

}  // namespace printbench::window
