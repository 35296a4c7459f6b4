#include "app/Fo.h"
#include "app/QtDialogs.h"
#include "app/SettingsStore.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return 0;
}
