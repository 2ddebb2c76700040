#include "app/Application.h"
#include "app/i18n/Language.h"

#include <cstdio>

int main(int argc, char* argv[])
{
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
