#include "app/Application.h"

int main(int argc, char* argv[])
{
    printbench::app::Application app(argc, argv);
    return app.exec();
}
