#include "app/admincommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quelmar-admin"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return quelmar::app::runAdmin(QCoreApplication::arguments().mid(1), out, err);
}
