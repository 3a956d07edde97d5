// Shows each dialog and the update notice as the program builds them, with the theme,
// and saves a picture of each: run under a real X server (scripts/screenshots.sh).
// Usage: murmlet_screenshots <output folder>
#include "app/mainwindow.h"
#include "base/appidentity.h"
#include "base/applicationsetup.h"
#include "base/apppaths.h"
#include "dialogs/aboutbox.h"
#include "dialogs/feedbackdialog.h"
#include "localisation/languagecatalogue.h"
#include "localisation/languagedialog.h"
#include "support/fakes.h"
#include "update/updatenotice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <QTimer>

namespace {
void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget &window, int settleMs, const QString &file)
{
    window.show();
    wait(settleMs);
    return window.grab().save(file);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    ApplicationSetup::apply(app);

    const AppIdentity identity =
        AppIdentity::fromVersionRecord(QCoreApplication::applicationFilePath());
    const AppPaths paths{QCoreApplication::applicationFilePath(), MURMLET_SOURCE_DIR "/resources"};
    LanguageCatalogue language(paths.programFolder, 1033);
    language.loadLanguage(QString());
    RecordingDesktop desktop;
    QTemporaryDir settings;

    bool ok = true;
    {
        auto *feedback = new FeedbackDialog(language, identity, WebService{}, nullptr);
        ok &= save(*feedback, 500, out + QStringLiteral("/feedback.png"));
        feedback->close();
    }
    {
        AboutBox about(language, identity, desktop, paths);
        ok &= save(about, 2500, out + QStringLiteral("/about.png"));
    }
    {
        LanguageDialog languages(language, desktop, settings.path() + QLatin1Char('/'),
                                 paths.programFile, [](const QString &) {});
        ok &= save(languages, 500, out + QStringLiteral("/language.png"));
    }
    {
        UpdateNotice notice(desktop, language,
                            {identity.productName, QStringLiteral("1.2"),
                             QStringLiteral("https://x.example/"),
                             QStringLiteral("http://" MURMLET_WEB_HOST "/")},
                            nullptr);
        wait(600); // appears on its own start timer and grows to full size
        ok &= notice.grab().save(out + QStringLiteral("/update-notice.png"));
    }
    return ok ? 0 : 1;
}
