#include "app/Application.h"
#include "app/i18n/Language.h"
#include "app/usb/UsbVirtualPrinter.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>

#ifndef PRINTBENCH_VERSION
#define PRINTBENCH_VERSION ""
#endif

using printbench::app::UsbVirtualPrinter;

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("printbench " PRINTBENCH_VERSION "\n", stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs("usage: printbench [--lang ko|en] [--usb-virtual-printer MODEL]\n"
                   "  --lang ko|en                 the windows' language, Korean or English; kept for the next start\n"
                   "  --usb-virtual-printer MODEL  the virtual printer of MODEL behind an emulated USB bus (umockdev)\n"
                   "  -h, --help                   this help\n"
                   "  --version                    the version\n",
                   stdout);
        return 0;
    }
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // --lang ko | en: the windows' language, kept for the next start.
    const printbench::app::LanguageArgument language = printbench::app::languageArgument(arguments);
    if (!language.error.isEmpty()) {
        std::fprintf(stderr, "printbench: %s\n", qPrintable(language.error));
        return 2;
    }
    // --usb-virtual-printer MODEL: the virtual printer on an emulated USB bus, under umockdev.
    const std::optional<std::string> usbModel = UsbVirtualPrinter::modelArgument(argc, argv);
    if (usbModel && usbModel->empty()) {
        std::fputs("printbench: --usb-virtual-printer needs a model, such as KR-420\n", stderr);
        return 2;
    }
    if (usbModel && !printbench::printer::UsbTestbed::preloaded()) {
        std::fprintf(stderr, "printbench: %s\n", UsbVirtualPrinter::restartUnderPreload(argv).c_str());
        return 2;
    }
    try {
        std::function<std::shared_ptr<void>()> usbPrinter;
        if (usbModel) usbPrinter = [&] { return std::make_shared<UsbVirtualPrinter>(*usbModel, "receipts"); };
        printbench::app::Application app(argc, argv, language.language, usbPrinter);
        return app.exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "printbench: %s\n", e.what());
        return 2;
    }
}
