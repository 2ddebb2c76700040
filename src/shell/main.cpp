#include "shell/Application.h"

int main(int argc, char* argv[])
{
    printbench::shell::Application app(argc, argv);
    return app.exec();
}
