// The utility: "Zarnik /STARTUP" starts the notifier at log-on when the user
// chose so; "Zarnik" alone shuts a running notifier down. It has no window
// and says nothing.
#include "platform/DataFolders.h"
#include "platform/LogonName.h"
#include "platform/QtProcessLauncher.h"
#include "platform/SystemClock.h"
#include "utility/BusNotifierLink.h"
#include "utility/Zarnik.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    orvane::SystemClock clock;
    orvane::PosixLogonName logon;
    orvane::QtProcessLauncher launcher;
    orvane::BusNotifierLink notifier;
    orvane::Zarnik zarnik(orvane::DataFolders::ForProgram(folder),
                          {clock, logon, launcher, notifier});
    QObject::connect(&zarnik, &orvane::Zarnik::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    zarnik.Run(QCoreApplication::arguments().mid(1));
    app.exec();
    return 0;
}
