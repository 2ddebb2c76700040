#include "window/Messages.h"

// Marks a form for lupdate (an alias of QT_TRANSLATE_NOOP3: context, source text, comment).
#define MESSAGE(context, text, comment)                                                                                \
    MessageForm                                                                                                        \
    {                                                                                                                  \
        context, text, comment                                                                                         \
    }

namespace printbench::window {

namespace forms {
// Field checks.
const MessageForm OnlyNumberBang = MESSAGE("Message", "Only Number!", "a field takes digits only");
const MessageForm OnlyNumber = MESSAGE("Message", "Only Number", "a field takes digits only");
const MessageForm Max1010 = MESSAGE("Message", "Max 1010", "the feed field");
const MessageForm SelectPort = MESSAGE("Message", "Please Select Port", "a button that needs a port");
// USB. %1 is the result of the connection or of the status read; %2 what it means.
const MessageForm UsbConnected = MESSAGE("Message", "%1 모델에 USB로 연결되었습니다.", "%1: the model");
const MessageForm UsbFailed = MESSAGE(
    "Message", "[Returned Data]:%1,USB포트를 열수 없습니다.\r\n프린터 및 케이블을 확인하시고 다시 시도해 주십시오",
    "%1: the result code; %2: what it means, in words");
// Bitmaps. %1: the file's name; %2: what is wrong with it.
const MessageForm NotABitmapWhy = MESSAGE("Message", "비트맵 파일이 틀립니다...\r\n파일명: %1\r\n%2",
                                          "%1: the file, %2: why");
const MessageForm NotABitmap = MESSAGE("Message", "비트맵 파일이 틀립니다...\r\n파일명: %1", "%1: the file");
const MessageForm NotMonochromeWhy =
    MESSAGE("Message", "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: %1\r\n%2", "%1: the file, %2: why");
const MessageForm NotMonochrome = MESSAGE("Message", "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...\r\n파일명: %1",
                                          "%1: the file");
const MessageForm NoFileSelected = MESSAGE("Message", "선택된 파일이 없습니다.", "");
const MessageForm LogoSent = MESSAGE("Message", "데이터 출력을 완료했습니다", "the logo was sent");
const MessageForm WorkFileFailed =
    MESSAGE("Message", "The work file %1 could not be written, so nothing was printed.\r\nReason: %2", "");
const MessageForm Location = MESSAGE("Form3", "위치: %1", "the folder the files are listed from");
// The link.
const MessageForm OpenFailed = MESSAGE("Message", "%1 could not be opened.\r\nDevice: %2\r\nReason: %3", "");
const MessageForm BadSpeed = MESSAGE("Message", "%1 could not be opened.\r\nReason: the speed \"%2\" is not a number",
                                     "");
const MessageForm NoDevice = MESSAGE("Message", "%1 could not be opened.\r\n%2", "%2: what the port leads to");
const MessageForm NotOpen = MESSAGE(
    "Message", "%1 is not open, so nothing was sent.\r\nChoose the port again once the printer is connected.", "");
const MessageForm Lost = MESSAGE("Message", "The connection to %1 was lost; the port has been closed.\r\nReason: %2",
                                 "");
const MessageForm SendFailed = MESSAGE("Message", "Sending to %1 failed; the port has been closed.\r\nReason: %2", "");
const MessageForm UsbSendFailed = MESSAGE("Message", "Sending to the USB printer failed.\r\nReason: %1", "");
const MessageForm CharactersMissing = MESSAGE(
    "Message",
    "The text to print has characters that code page %1 cannot print: %2\r\nThe printer would get \"?\" for each of them.",
    "");
const MessageForm SendAsQuestionMarks = MESSAGE("Message", "Send as ?", "the button that sends the text anyway");
const MessageForm Cancel = MESSAGE("Message", "Cancel", "");
// Test pages. %1: which code, and what is wrong with it.
const MessageForm CodeRefused = MESSAGE("Message", "Nothing was sent.\r\n%1", "%1: the code refused and why");
}  // namespace forms

std::string fillForm(std::string_view form, const std::vector<std::string>& values)
{
    std::string out;
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (form[i] == '%' && i + 1 < form.size() && form[i + 1] >= '1' && form[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(form[i + 1] - '1');
            if (n < values.size()) {
                out += values[n];
                ++i;
                continue;
            }
        }
        out += form[i];
    }
    return out;
}

std::string Message::text() const
{
    return fillForm(form.text, values);
}

Message failureMessage(const link::Failure& f)
{
    using link::FailureKind;
    const std::string file = f.file;
    switch (f.kind) {
    case FailureKind::NotOpen: return {forms::NotOpen, {f.port}};
    case FailureKind::NoDevice: return {forms::NoDevice, {f.port, f.reason}};
    case FailureKind::BadSpeed: return {forms::BadSpeed, {f.port, f.reason}};
    case FailureKind::OpenFailed: return {forms::OpenFailed, {f.port, f.device, f.reason}};
    case FailureKind::UsbUnavailable:
    case FailureKind::UsbNoAnswer: {
        const std::int32_t r = f.usbResult.value_or(-1);
        return {forms::UsbFailed, {std::to_string(r), std::string(link::usbResultMeaning(r))}};
    }
    case FailureKind::NotABitmap:
        return f.reason.empty() ? Message{forms::NotABitmap, {file}} : Message{forms::NotABitmapWhy, {file, f.reason}};
    case FailureKind::NotMonochrome:
        return f.reason.empty() ? Message{forms::NotMonochrome, {file}}
                                : Message{forms::NotMonochromeWhy, {file, f.reason}};
    case FailureKind::WorkFileFailed: return {forms::WorkFileFailed, {file, f.reason}};
    case FailureKind::WriteFailed:
    case FailureKind::WriteTimedOut:
    case FailureKind::Lost:
    case FailureKind::UsbNotConnected: break;
    }
    if (f.route == link::Route::Usb) return {forms::UsbSendFailed, {f.reason}};
    const std::string name = f.port.empty() ? "The serial port" : link::portAndDevice(f);
    return {f.kind == FailureKind::Lost ? forms::Lost : forms::SendFailed, {name, f.reason}};
}

}  // namespace printbench::window
