#include <QApplication>

#include "app/QuilletApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CQuilletApp app;
    return app.InitInstance(std::vector<std::string>(argv + 1, argv + argc));
}
