#include "base/qtdesktop.h"
#include "localisation/languagecatalogue.h"
#include "localisation/languagedialog.h"
#include "localisation/restartscript.h"
#include "support/fakes.h"
#include "support/mainloop.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// A program folder with a Languages folder of our own, a settings folder, and a dialog
// over them. `loaded` names the language file in effect; empty means English.
struct Fixture
{
    explicit Fixture(const QString &loaded = QString(), Desktop *realDesktop = nullptr)
    {
        QDir(folder.path()).mkpath("program/Languages");
        QDir(folder.path()).mkpath("settings");
        put("German.lang.txt",
            "\xEF\xBB\xBF{INFO:Translated By} Anna ,Bernd,, Cleo\t\r\n{Language}Sprache\r\n"
            "{Restart Application?}Neu starten?\r\n{Confirmation}Best\xC3\xA4tigung\r\n"
            "{Yes}Ja\r\n{No}Nein\r\n");
        put("french.lang.txt", "{INFO:Translated By}Claire\n");
        put("Klingon.lang.txt", "{Language}Hol\n");
        put("Greek.lang.txt", "{INFO:Translated By}\xC3\x28\n");
        put("Dutch.lang.txt", "{INFO:Translated By}\n");
        language = std::make_unique<LanguageCatalogue>(folder.filePath("program"), quint16(1033));
        language->loadLanguage(loaded);
        form = std::make_unique<LanguageDialog>(
            *language, realDesktop ? *realDesktop : desktop, settingsFolder(), programFile,
            [this](const QString &file) { languageFiles << file; });
    }
    void put(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder.filePath("program/Languages/" + name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(name));
        file.write(bytes);
    }
    template <typename T> T *child(const char *name) const
    {
        T *found = form->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QComboBox *list() const { return child<QComboBox>("ComboBox1"); }
    QString credits() const { return child<QPlainTextEdit>("RichEdit1")->toPlainText(); }
    void pick(const QString &entry) const { list()->setCurrentIndex(list()->findText(entry)); }
    QString settingsFolder() const { return folder.filePath("settings") + "/"; }
    QString scriptFile() const { return settingsFolder() + RestartScript::fileName(); }

    QTemporaryDir folder;
    QString programFile = "/usr/local/bin/murmlet";
    RecordingDesktop desktop;
    std::unique_ptr<LanguageCatalogue> language;
    std::unique_ptr<LanguageDialog> form;
    QStringList languageFiles;
};

// Presses a button of the next modal message box once it shows, and notes its texts.
void answerNextMessageBox(QMessageBox::StandardButton button, QStringList *texts = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (texts) {
            *texts << box->windowTitle() << box->text();
            for (QAbstractButton *b : box->buttons())
                *texts << b->text();
        }
        box->button(button)->click();
    });
}

} // namespace

class TestLanguageDialog : public QObject
{
    Q_OBJECT
private slots:
    void opensWithLanguageInEffect_data();
    void opensWithLanguageInEffect();
    void entriesSortedWithFlags();
    void creditsOfSelection_data();
    void creditsOfSelection();
    void okUnchangedClosesWithoutQuestion();
    void noKeepsDialogAndSelection();
    void yesWritesScriptStartsItAndEnds();
    void yesRestartsThroughRealScript();
    void unwritableScriptKeepsDialogOpen();
    void escapeCloses_data();
    void escapeCloses();
    void linkOpensTranslationPage();
    void selectAllAndCopy();
};

void TestLanguageDialog::opensWithLanguageInEffect_data()
{
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("credits");
    QTest::newRow("English") << ""
                             << "English"
                             << "Tambrix";
    QTest::newRow("German loaded") << "German.lang.txt"
                                   << "German"
                                   << "Anna\nBernd\n\nCleo";
}

void TestLanguageDialog::opensWithLanguageInEffect()
{
    QFETCH(QString, loaded);
    QFETCH(QString, selected);
    QFETCH(QString, credits);
    Fixture f(loaded);
    QCOMPARE(f.list()->currentText(), selected);
    QCOMPARE(f.credits(), credits);
    QCOMPARE(LanguageDialog::openingLanguage(), selected);
}

void TestLanguageDialog::entriesSortedWithFlags()
{
    Fixture f;
    QStringList texts, flags;
    for (int i = 0; i < f.list()->count(); ++i) {
        texts << f.list()->itemText(i);
        flags << f.list()->itemData(i).toString();
        QVERIFY2(!f.list()->itemIcon(i).pixmap(16, 16).isNull(), qPrintable(texts.last()));
    }
    QCOMPARE(texts, QStringList({"Dutch", "English", "french", "German", "Greek", "Klingon"}));
    QCOMPARE(flags, QStringList({"nl", "flag", "xx", "de", "gr", "xx"}));
}

void TestLanguageDialog::creditsOfSelection_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("credits");
    QTest::newRow("split at commas, trimmed") << "German"
                                              << "Anna\nBernd\n\nCleo";
    QTest::newRow("one name") << "french"
                              << "Claire";
    QTest::newRow("file without the entry") << "Klingon"
                                            << "INFO:Translated By";
    QTest::newRow("empty entry") << "Dutch"
                                 << "";
    QTest::newRow("not UTF-8") << "Greek"
                               << "";
    QTest::newRow("back to English") << "English"
                                     << "Tambrix";
}

void TestLanguageDialog::creditsOfSelection()
{
    QFETCH(QString, entry);
    QFETCH(QString, credits);
    Fixture f;
    f.pick("German");
    f.pick(entry);
    QCOMPARE(f.credits(), credits);
}

void TestLanguageDialog::okUnchangedClosesWithoutQuestion()
{
    Fixture f;
    f.form->show();
    bool asked = false;
    QTimer::singleShot(0, [&] { asked = QApplication::activeModalWidget() != nullptr; });
    f.child<QPushButton>("Button1")->click();
    QCoreApplication::processEvents();
    QVERIFY(!asked);
    QVERIFY(!f.form->isVisible());
    QVERIFY(!QFile::exists(f.scriptFile()));
    QVERIFY(f.languageFiles.isEmpty());
}

void TestLanguageDialog::noKeepsDialogAndSelection()
{
    Fixture f;
    f.form->show();
    f.pick("German");
    QStringList texts;
    answerNextMessageBox(QMessageBox::No, &texts);
    f.child<QPushButton>("Button1")->click();
    // Caption, message and button captions in English: English is in effect.
    QCOMPARE(texts, QStringList({"Confirmation", "Restart Application?", "Yes", "No"}));
    QVERIFY(f.form->isVisible());
    QCOMPARE(f.list()->currentText(), QString("German"));
    QVERIFY(!QFile::exists(f.scriptFile()));
    QVERIFY(f.desktop.scripts.isEmpty());
    QVERIFY(f.languageFiles.isEmpty());
}

void TestLanguageDialog::yesWritesScriptStartsItAndEnds()
{
    Fixture f("German.lang.txt");
    f.form->show();
    f.pick("English");
    QStringList texts;
    QVERIFY(endsApplication([&] {
        answerNextMessageBox(QMessageBox::Yes, &texts);
        f.child<QPushButton>("Button1")->click();
    }));
    QCOMPARE(texts, QStringList({"Bestätigung", "Neu starten?", "Ja", "Nein"}));
    QCOMPARE(f.languageFiles, QStringList{"English.lang.txt"});
    QFile script(f.scriptFile());
    QVERIFY(script.open(QIODevice::ReadOnly));
    QCOMPARE(script.readAll(), RestartScript::text(f.programFile));
    QCOMPARE(f.desktop.scripts,
             QList<QStringList>{QStringList({f.scriptFile(), f.settingsFolder()})});
}

// The whole road with the real desktop: the script runs and starts the "program", a
// small script that notes where it runs.
void TestLanguageDialog::yesRestartsThroughRealScript()
{
#ifdef Q_OS_WIN
    QSKIP("The shell script is the Linux road");
#else
    QtDesktop desktop;
    Fixture f(QString(), &desktop);
    const QString marker = f.folder.filePath("started");
    f.programFile = f.folder.filePath("program/new copy");
    {
        QFile program(f.programFile);
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\npwd > '" + QFile::encodeName(marker) + ".part'\nmv '" +
                      QFile::encodeName(marker) + ".part' '" + QFile::encodeName(marker) + "'\n");
    }
    QVERIFY(QFile::setPermissions(f.programFile, QFile::ReadOwner | QFile::ExeOwner));
    f.form = std::make_unique<LanguageDialog>(*f.language, desktop, f.settingsFolder(),
                                              f.programFile, [](const QString &) {});
    f.form->show();
    f.pick("German");
    QVERIFY(endsApplication([&] {
        answerNextMessageBox(QMessageBox::Yes);
        f.child<QPushButton>("Button1")->click();
    }));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    QFile written(marker);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QDir(QString::fromLocal8Bit(written.readAll().trimmed())).canonicalPath(),
             QDir(f.settingsFolder()).canonicalPath());
#endif
}

void TestLanguageDialog::unwritableScriptKeepsDialogOpen()
{
    Fixture f;
    f.form = std::make_unique<LanguageDialog>(
        *f.language, f.desktop, f.folder.filePath("missing/"), f.programFile,
        [&](const QString &file) { f.languageFiles << file; });
    f.form->show();
    f.pick("German");
    QStringList error;
    answerNextMessageBox(QMessageBox::Yes);
    QTimer::singleShot(50, [&] {
        // The general error message follows the question.
        answerNextMessageBox(QMessageBox::Ok, &error);
    });
    f.child<QPushButton>("Button1")->click();
    QCOMPARE(error.value(0), QString("Murmlet"));
    QVERIFY(error.value(1).endsWith('.'));
    QVERIFY(f.form->isVisible());
    QVERIFY(f.desktop.scripts.isEmpty());
    QCOMPARE(f.languageFiles, QStringList{"German.lang.txt"});
}

void TestLanguageDialog::escapeCloses_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("list") << "ComboBox1";
    QTest::newRow("OK button") << "Button1";
    QTest::newRow("credits box") << "RichEdit1";
}

void TestLanguageDialog::escapeCloses()
{
    QFETCH(QString, control);
    Fixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    auto *widget = f.form->findChild<QWidget *>(control);
    QVERIFY(widget);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_Escape);
    QVERIFY(!f.form->isVisible());
}

void TestLanguageDialog::linkOpensTranslationPage()
{
    Fixture f;
    f.form->show();
    auto *link = f.child<QLabel>("Label3");
    QCOMPARE(link->toolTip(), QString("https://" MURMLET_WEB_HOST "/translation/"));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(f.desktop.opened, QStringList{"https://" MURMLET_WEB_HOST "/translation/"});
}

void TestLanguageDialog::selectAllAndCopy()
{
    Fixture f("German.lang.txt");
    QApplication::clipboard()->clear();
    f.child<QAction>("SelectAll1")->trigger();
    f.child<QAction>("Copy1")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("Anna\nBernd\n\nCleo"));
}

QTEST_MAIN(TestLanguageDialog)
#include "tst_languagedialog.moc"
