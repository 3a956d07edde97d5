#include "app/mainwindow.h"
#include "base/applicationsetup.h"
#include "base/qtdesktop.h"
#include "base/quitonsignals.h"
#include "base/runningmarker.h"
#include "localisation/languagecatalogue.h"
#include "localisation/userlanguage.h"
#include "monitor/microphonecapture.h"
#include "monitor/soundplayer.h"
#include "session/listeningsession.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv); // command-line arguments are ignored
    const RunningMarker running(QStringLiteral("TAMBRIX_Murmlet"));
    ApplicationSetup::apply(app);
    // A desktop session that ends, or Ctrl+C, quits as File -> Exit does.
    const QuitOnSignals quitOnSignals;

    MicrophoneCapture capture(CaptureDevice::createDefault());
    const std::unique_ptr<SoundPlayer> player = SoundPlayer::createDefault();
    // The one session of listening; the main window presents it.
    ListeningSession session(capture, *player);
    QtDesktop desktop;
    const AppPaths paths = AppPaths::ofThisProgram();
    LanguageCatalogue language(paths.programFolder, UserLanguage::current());
    MainWindow window(session, desktop, language, paths, [](const AppIdentity &identity) {
        return UpdateCheckSetup::forHost(QStringLiteral(MURMLET_WEB_HOST), identity.companyName,
                                         identity.productName);
    });
    window.show();
    // The window ends before main() returns, and its end stops an update check still
    // under way and waits for it briefly, so the exit handlers never run under it.
    return QApplication::exec();
}
