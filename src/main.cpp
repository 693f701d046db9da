#include <QApplication>
#include <QTextStream>

#include "app/settings.h"
#include "support/ossorylib.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tavrel::settings::registerAppDefaults();
    tavrel::OssoryLib lib;
    QTextStream(stdout) << lib.appName() << ' ' << lib.appVersionString() << '\n';
    return 0;
}
