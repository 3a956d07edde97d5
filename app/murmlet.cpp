#include "app/main.h"
#include "app/qtdesktop.h"
#include "app/runningmarker.h"
#include "localisation/languagecatalogue.h"
#include "localisation/userlanguage.h"
#include "monitor/microphonecapture.h"
#include "monitor/soundplayer.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

namespace {
// The "Glossy" theme from the resources; without it the default look stays.
void applyTheme(QApplication &app)
{
    QFile theme(QStringLiteral(":/themes/glossy.qss"));
    if (theme.open(QIODevice::ReadOnly | QIODevice::Text))
        app.setStyleSheet(QString::fromUtf8(theme.readAll()));
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv); // command-line arguments are ignored
    const RunningMarker running(QStringLiteral("TAMBRIX_Murmlet"));
    // Application-wide: under a style sheet, widgets do not inherit the window's font.
    QApplication::setFont(TAppForm::windowFont());
    applyTheme(app);
    QApplication::setApplicationName(QString::fromLatin1(TAppForm::ApplicationTitle));
    QApplication::setDesktopFileName(QStringLiteral("murmlet"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/murmlet.svg")));

    MicrophoneCapture capture(CaptureDevice::createDefault());
    const std::unique_ptr<SoundPlayer> player = SoundPlayer::createDefault();
    QtDesktop desktop;
    const AppPaths paths = AppPaths::ofThisProgram();
    LanguageCatalogue language(paths.programFolder, UserLanguage::current());
    TAppForm form(capture, *player, desktop, language, paths, [](const AppIdentity &identity) {
        return UpdateCheckSetup::forHost(QStringLiteral(MURMLET_WEB_HOST), identity.companyName,
                                         identity.productName);
    });
    form.show();
    return QApplication::exec();
}
