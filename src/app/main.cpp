#include "app/Application.h"
#include "app/i18n/Language.h"

#include <cstdio>
#include <cstring>

#ifndef PRINTBENCH_VERSION
#define PRINTBENCH_VERSION ""
#endif

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("printbench " PRINTBENCH_VERSION "\n", stdout);
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
    printbench::app::Application app(argc, argv, language.language);
    return app.exec();
}
