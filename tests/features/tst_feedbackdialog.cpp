#include "features/feedback/feedbackdialog.h"
#include "localisation/languagecatalogue.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"
#include "update/postform.h"
#include "web/webserver.h"
#ifndef Q_OS_WIN
#include "update/postprocess.h"
#endif

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>

namespace {
const QString FeedbackPath = QStringLiteral("/php/feedback.php");
const QString FailureText = QStringLiteral(
    "Something went wrong. Your feedback could not be delivered.\n\nPlease try again later.");

// What a modal message box showed.
struct Shown
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every modal message box with OK as soon as it shows, and keeps what it showed.
class MessageWatcher
{
public:
    MessageWatcher()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            shown.append({box->windowTitle(), box->text(), box->icon()});
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(10);
    }
    QList<Shown> shown;

private:
    QTimer m_timer;
};

QStringList formLines(const WebServer::Request &request)
{
    QStringList lines;
    for (const auto &[name, value] : request.form)
        lines << name + "=" + value;
    return lines;
}
} // namespace

class TestFeedbackDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void freshDialog();
    void memoLimit_data();
    void memoLimit();
    void choicePanels_data();
    void choicePanels();
    void sendsFields_data();
    void sendsFields();
    void translatedChoice();
    void blankMemoBeeps_data();
    void blankMemoBeeps();
    void invalidAddress_data();
    void invalidAddress();
    void reply_data();
    void reply();
    void roads_data();
    void roads();
    void escapeCloses_data();
    void escapeCloses();
    void modalUseFreesItself();
    void monitoringGoesOnWhilePosting();
    void inputWhilePosting_data();
    void inputWhilePosting();
    void quitWhilePosting();

private:
    // A new dialog on the local server; the catalogue is English unless a language file
    // was loaded into m_language.
    QPointer<FeedbackDialog> makeForm(const QString &caFile = QString(),
                                      const QString &httpsBase = QString(),
                                      const QString &httpBase = QString());
    QStringList requestLines() const;
    void choose(FeedbackDialog *form, const QString &clicks);

    std::unique_ptr<WebServer> m_server;
    QTemporaryDir m_folder;
    std::unique_ptr<LanguageCatalogue> m_language;
    AppIdentity m_identity{"TAMBRIX", "Murmlet", "TAMBRIX - Murmlet", "1.1"};
    int m_beeps = 0;
    QStringList m_addresses; // where the dialog posted, in order
    QList<bool> m_busyWhilePosting;
    // When the first post of a send began and the last one ended, on m_clock.
    QElapsedTimer m_clock;
    std::atomic<qint64> m_firstPostStart{-1};
    std::atomic<qint64> m_lastPostEnd{-1};
};

void TestFeedbackDialog::initTestCase()
{
    if (const QString why = WebServer::unavailableReason(); !why.isEmpty())
        QSKIP(qPrintable(why));
    m_server = std::make_unique<WebServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    m_clock.start();
}

void TestFeedbackDialog::init()
{
    m_language = std::make_unique<LanguageCatalogue>(m_folder.path(), quint16(1033));
    m_server->setReply(FeedbackPath, 200, "OK");
    m_server->clearRequests();
    m_beeps = 0;
    m_addresses.clear();
    m_busyWhilePosting.clear();
    m_firstPostStart = -1;
    m_lastPostEnd = -1;
}

QPointer<FeedbackDialog> TestFeedbackDialog::makeForm(const QString &caFile,
                                                      const QString &httpsBase,
                                                      const QString &httpBase)
{
    const PostForm form(3000, 3000, caFile.isNull() ? m_server->caFile() : caFile);
    // The post the user meets: through the helper, except on Windows.
#ifdef Q_OS_WIN
    const PostForm poster = form;
#else
    const PostProcess poster(QStringLiteral(MURMLET_POST_HELPER), form);
#endif
    WebService service{httpsBase.isNull() ? m_server->httpsBase() : httpsBase,
                       httpBase.isNull() ? m_server->httpBase() : httpBase,
                       [this, poster](const QString &address, const QStringList &lines,
                                      const std::atomic<bool> *cancel) {
                           m_addresses << address;
                           const QCursor *cursor = QApplication::overrideCursor();
                           m_busyWhilePosting << (cursor && cursor->shape() == Qt::BusyCursor);
                           qint64 unset = -1;
                           m_firstPostStart.compare_exchange_strong(unset, m_clock.elapsed());
                           try {
                               const QString reply = poster.post(address, lines, cancel);
                               m_lastPostEnd = m_clock.elapsed();
                               return reply;
                           } catch (...) {
                               m_lastPostEnd = m_clock.elapsed();
                               throw;
                           }
                       }};
    auto *dialog = new FeedbackDialog(*m_language, m_identity, std::move(service));
    dialog->setBeep([this] { ++m_beeps; });
    dialog->show();
    return dialog;
}

QStringList TestFeedbackDialog::requestLines() const
{
    const auto requests = m_server->requests();
    return requests.isEmpty() ? QStringList() : formLines(requests.last());
}

// "like,dislike": clicks on the panels in that order (on the panel or on its picture).
void TestFeedbackDialog::choose(FeedbackDialog *form, const QString &clicks)
{
    for (const QString &click : clicks.split(',', Qt::SkipEmptyParts)) {
        const char *target = click == "like"        ? "Panel4"
                             : click == "dislike"   ? "Panel5"
                             : click == "likeImage" ? "Image1"
                                                    : "Image2";
        auto *widget = form->findChild<QWidget *>(target);
        QVERIFY(widget);
        // A click on the picture lands on the panel beneath it.
        auto *panel = qobject_cast<ChoicePanel *>(widget) ? widget : widget->parentWidget();
        QTest::mouseClick(panel, Qt::LeftButton, {}, widget->mapTo(panel, widget->rect().center()));
    }
}

void TestFeedbackDialog::freshDialog()
{
    QPointer<FeedbackDialog> form = makeForm();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(form->windowTitle(), QString("Murmlet feedback"));
    QCOMPARE(form->size(), QSize(525, 326));
    QCOMPARE(form->findChild<QLabel *>("Label1")->text(),
             QString("We would really appreciate your feedback."));
    QCOMPARE(form->findChild<QLabel *>("Label2")->text(), QString("What did you like or dislike?"));
    QCOMPARE(form->findChild<QLabel *>("Label3")->text(), QString("Include my e-mail:"));
    QCOMPARE(form->findChild<QPushButton *>("BitBtn1")->text(), QString("Send"));
    QCOMPARE(form->findChild<ChoicePanel *>("Panel4")->caption(), QString("I like it!"));
    QCOMPARE(form->findChild<ChoicePanel *>("Panel5")->caption(), QString("I dislike it!"));
    QVERIFY(!form->findChild<ChoicePanel *>("Panel4")->isChosen());
    QVERIFY(!form->findChild<ChoicePanel *>("Panel5")->isChosen());
    QCOMPARE(QApplication::focusWidget(), form->findChild<QPlainTextEdit *>("Memo1"));
    QCOMPARE(form->findChild<QLineEdit *>("Edit1")->maxLength(), 100);
    QCOMPARE(form->findChild<QWidget *>("Panel3")->height(), 46);
    QCOMPARE(form->findChild<QWidget *>("Panel5")->width(), 256);
    QCOMPARE(form->findChild<QWidget *>("Panel4")->width(), 525 - 256);
    QCOMPARE(form->findChild<QWidget *>("Image1")->size(), QSize(32, 32));
    QCOMPARE(form->findChild<QWidget *>("Panel1")->height(), 30);
    QCOMPARE(form->findChild<QWidget *>("Panel2")->height(), 39);
    QCOMPARE(form->findChild<QWidget *>("BitBtn1")->size(), QSize(172, 33));
    QVERIFY(!form->findChild<QPushButton *>("BitBtn1")->icon().isNull());
    delete form;
}

// The memo holds at most 10000 characters as sent, a line break counting as CR LF.
void TestFeedbackDialog::memoLimit_data()
{
    QTest::addColumn<QStringList>("typed"); // inserted one after the other
    QTest::addColumn<QString>("kept");

    const QString full(10000, 'a');
    QTest::newRow("exactly full") << QStringList{full} << full;
    QTest::newRow("one too many") << QStringList{full + "b"} << full;
    QTest::newRow("nothing more goes into a full memo") << QStringList{full, "more"} << full;
    QTest::newRow("the excess of a later paste is cut")
        << QStringList{QString(9998, 'a'), "bcd"} << QString(9998, 'a') + "bc";
    QTest::newRow("line breaks count twice")
        << QStringList{QString(9995, 'a') + "\n\nbbbb"} << QString(9995, 'a') + "\n\nb";
    QTest::newRow("a line break that no longer fits goes")
        << QStringList{QString(9999, 'a') + "\nb"} << QString(9999, 'a');
}

void TestFeedbackDialog::memoLimit()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, kept);
    QPointer<FeedbackDialog> form = makeForm();
    auto *memo = form->findChild<QPlainTextEdit *>("Memo1");
    for (const QString &text : typed)
        memo->insertPlainText(text);
    QCOMPARE(memo->toPlainText(), kept);
    delete form;
}

void TestFeedbackDialog::choicePanels_data()
{
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<bool>("like");
    QTest::addColumn<bool>("dislike");

    QTest::newRow("none") << "" << false << false;
    QTest::newRow("like") << "like" << true << false;
    QTest::newRow("picture of like") << "likeImage" << true << false;
    QTest::newRow("picture of dislike") << "dislikeImage" << false << true;
    QTest::newRow("like then dislike") << "like,dislike" << false << true;
    QTest::newRow("dislike then like") << "dislike,like" << true << false;
    QTest::newRow("a chosen panel stays chosen") << "like,like" << true << false;
}

void TestFeedbackDialog::choicePanels()
{
    QFETCH(QString, clicks);
    QFETCH(bool, like);
    QFETCH(bool, dislike);
    QPointer<FeedbackDialog> form = makeForm();
    choose(form, clicks);
    const QPalette system = QApplication::palette();
    for (const auto &[name, chosen] : {std::pair{"Panel4", like}, std::pair{"Panel5", dislike}}) {
        auto *panel = form->findChild<ChoicePanel *>(name);
        QCOMPARE(panel->isChosen(), chosen);
        QCOMPARE(panel->palette().color(QPalette::Window),
                 system.color(chosen ? QPalette::Highlight : QPalette::Button));
        QCOMPARE(panel->palette().color(QPalette::WindowText),
                 system.color(chosen ? QPalette::HighlightedText : QPalette::WindowText));
        QCOMPARE(panel->frameShadow(), chosen ? QFrame::Sunken : QFrame::Raised);
    }
    delete form;
}

// What arrives at the service, decoded by Python's urllib.parse.
void TestFeedbackDialog::sendsFields_data()
{
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expected");

    const QStringList head{"cmd=feedback", "appname=TAMBRIX - Murmlet", "version=1.1"};
    QTest::newRow("no choice, no address") << ""
                                           << "Nice tool"
                                           << "" << head + QStringList{"feedback=Nice tool"};
    QTest::newRow("dislike: the English words and a single CR")
        << "dislike"
        << "Too loud"
        << "" << head + QStringList{"feedback=I dislike it!\rToo loud"};
    QTest::newRow("like then dislike sends only the dislike line")
        << "like,dislike"
        << "Hmm"
        << "" << head + QStringList{"feedback=I dislike it!\rHmm"};
    QTest::newRow("memo trimmed, inner lines CR LF")
        << "like"
        << "\n  First\nSecond é & = +\n\n "
        << "" << head + QStringList{"feedback=I like it!\rFirst\r\nSecond é & = +"};
    QTest::newRow("address trimmed and sent last")
        << "like"
        << "Good"
        << "  a@b.c  " << head + QStringList{"feedback=I like it!\rGood", "email=a@b.c"};
    QTest::newRow("address of blanks counts as empty")
        << ""
        << "Good"
        << "   " << head + QStringList{"feedback=Good"};
}

void TestFeedbackDialog::sendsFields()
{
    QFETCH(QString, clicks);
    QFETCH(QString, memo);
    QFETCH(QString, address);
    QFETCH(QStringList, expected);
    QPointer<FeedbackDialog> form = makeForm();
    choose(form, clicks);
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText(memo);
    form->findChild<QLineEdit *>("Edit1")->setText(address);
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.first().caption, QString("Success"));
    const auto requests = m_server->requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().path, FeedbackPath);
    QVERIFY(requests.first().secure);
    QVERIFY(requests.first().formDecoded);
    QCOMPARE(formLines(requests.first()), expected);
    QTRY_VERIFY(form.isNull()); // closed and freed
}

// A translated interface shows the translation; the service gets the English words first.
void TestFeedbackDialog::translatedChoice()
{
    QVERIFY(QDir(m_folder.path()).mkpath("Languages"));
    QFile file(m_folder.filePath("Languages/Test.lang.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString("\xEF\xBB\xBFTest language\r\n{I dislike it!}Je n'aime pas!\r\n"
                       "{feedback}avis\r\n{Success}Succès\r\n")
                   .toUtf8());
    file.close();
    m_language->loadLanguage("Test.lang.txt");

    QPointer<FeedbackDialog> form = makeForm();
    QCOMPARE(form->windowTitle(), QString("Murmlet avis"));
    QCOMPARE(form->findChild<ChoicePanel *>("Panel5")->caption(), QString("Je n'aime pas!"));
    choose(form, "dislike");
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Bof");
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.first().caption, QString("Succès"));
    QCOMPARE(requestLines().value(3), QString("feedback=I dislike it! (Je n'aime pas!)\rBof"));
    QTRY_VERIFY(form.isNull());
}

void TestFeedbackDialog::blankMemoBeeps_data()
{
    QTest::addColumn<QString>("memo");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks and line breaks") << "  \n\t\n  \n";
}

// Even with a choice and a valid address: no message, nothing sent, focus to the memo.
void TestFeedbackDialog::blankMemoBeeps()
{
    QFETCH(QString, memo);
    QPointer<FeedbackDialog> form = makeForm();
    QVERIFY(QTest::qWaitForWindowActive(form));
    choose(form, "like");
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText(memo);
    auto *address = form->findChild<QLineEdit *>("Edit1");
    address->setText("a@b.c");
    address->setFocus();
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(m_beeps, 1);
    QVERIFY(watcher.shown.isEmpty());
    QCOMPARE(QApplication::focusWidget(), form->findChild<QPlainTextEdit *>("Memo1"));
    QVERIFY(!form.isNull());
    QVERIFY(m_addresses.isEmpty());
    QVERIFY(m_server->requests().isEmpty());
    delete form;
}

void TestFeedbackDialog::invalidAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("no dot after the at sign") << "jane@localhost";
    QTest::newRow("ends in a hyphen") << "jane@mail.example-";
    QTest::newRow("ends in a dot") << "jane@mail.example.";
    QTest::newRow("blank inside") << "jane doe@mail.example";
    QTest::newRow("accented letter") << QString::fromUtf8("zoë@mail.example");
}

void TestFeedbackDialog::invalidAddress()
{
    QFETCH(QString, address);
    QPointer<FeedbackDialog> form = makeForm();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Nice");
    form->findChild<QPlainTextEdit *>("Memo1")->setFocus();
    form->findChild<QLineEdit *>("Edit1")->setText(address);
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.first().caption, QString("Failure"));
    QCOMPARE(watcher.shown.first().text, QString("Invalid e-mail address!"));
    QCOMPARE(watcher.shown.first().icon, QMessageBox::Critical);
    // The address box has the focus once the dialog is active again.
    form->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), form->findChild<QLineEdit *>("Edit1"));
    QVERIFY(!form.isNull());
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(m_beeps, 0);
    delete form;
}

void TestFeedbackDialog::reply_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("success");

    QTest::newRow("OK") << "OK" << true;
    QTest::newRow("OK and a line break") << "OK\r\n" << true;
    QTest::newRow("empty lines before OK") << "\r\n\n\rOK" << true;
    QTest::newRow("blanks around OK") << "  OK \t" << true;
    QTest::newRow("NUL ends the text") << QString("OK") + QChar(u'\0') + "junk" << true;
    QTest::newRow("lower case") << "ok" << false;
    QTest::newRow("full stop") << "OK." << false;
    QTest::newRow("two OK lines") << "OK\r\nOK" << false;
    QTest::newRow("empty") << "" << false;
}

// Success closes the dialog; failure keeps all that the user entered for another try.
void TestFeedbackDialog::reply()
{
    QFETCH(QString, body);
    QFETCH(bool, success);
    m_server->setReply(FeedbackPath, 200, body);
    QPointer<FeedbackDialog> form = makeForm();
    choose(form, "dislike");
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("  Keep me\n");
    form->findChild<QLineEdit *>("Edit1")->setText(" a@b.c ");
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(m_server->requests().size(), 1);
    if (success) {
        QCOMPARE(watcher.shown.first().caption, QString("Success"));
        QCOMPARE(watcher.shown.first().text, QString("Your feedback is received.\n\nThank you!"));
        QCOMPARE(watcher.shown.first().icon, QMessageBox::Information);
        QTRY_VERIFY(form.isNull());
        return;
    }
    QCOMPARE(watcher.shown.first().caption, QString("Failure"));
    QCOMPARE(watcher.shown.first().text, FailureText);
    QCOMPARE(watcher.shown.first().icon, QMessageBox::Critical);
    QTest::qWait(50);
    QVERIFY(!form.isNull());
    QVERIFY(form->isVisible());
    QCOMPARE(form->findChild<QPlainTextEdit *>("Memo1")->toPlainText(), QString("  Keep me\n"));
    QCOMPARE(form->findChild<QLineEdit *>("Edit1")->text(), QString(" a@b.c "));
    QVERIFY(form->findChild<ChoicePanel *>("Panel5")->isChosen());
    QVERIFY(!form->findChild<ChoicePanel *>("Panel4")->isChosen());
    // "Send" works again with the same note.
    m_server->setReply(FeedbackPath, 200, "OK");
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(watcher.shown.size(), 2);
    QCOMPARE(watcher.shown.last().caption, QString("Success"));
    const auto requests = m_server->requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(formLines(requests.last()), formLines(requests.first()));
    QTRY_VERIFY(form.isNull());
}

// https first; http once more only after an https error, never after an https answer.
void TestFeedbackDialog::roads_data()
{
    QTest::addColumn<QString>("https"); // "trusted", "untrusted" (TLS fails), "closed"
    QTest::addColumn<bool>("httpOpen");
    QTest::addColumn<int>("status"); // of the service's answer
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("roads"); // the requests that reached the service
    QTest::addColumn<bool>("success");

    QTest::newRow("https answers OK")
        << "trusted" << true << 200 << "OK" << QStringList{"https"} << true;
    QTest::newRow("https answers something else: no http attempt")
        << "trusted" << true << 200 << "Busy" << QStringList{"https"} << false;
    QTest::newRow("an https error page is an answer too")
        << "trusted" << true << 500 << "Internal error" << QStringList{"https"} << false;
    QTest::newRow("TLS fails: one http attempt")
        << "untrusted" << true << 200 << "OK" << QStringList{"http"} << true;
    QTest::newRow("https refused: one http attempt")
        << "closed" << true << 200 << "OK" << QStringList{"http"} << true;
    QTest::newRow("both roads fail") << "closed" << false << 200 << "OK" << QStringList{} << false;
}

void TestFeedbackDialog::roads()
{
    QFETCH(QString, https);
    QFETCH(bool, httpOpen);
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(QStringList, roads);
    QFETCH(bool, success);
    m_server->setReply(FeedbackPath, status, body);
    const QString closed = QString("127.0.0.1:%1").arg(closedLoopbackPort());
    QPointer<FeedbackDialog> form =
        makeForm(https == "untrusted" ? m_server->untrustedCaFile() : QString(),
                 https == "closed" ? "https://" + closed : QString(),
                 httpOpen ? QString() : "http://" + closed);
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Hello");
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();

    QStringList reached;
    for (const auto &request : m_server->requests())
        reached << (request.secure ? "https" : "http");
    QCOMPARE(reached, roads);
    // Exactly one http attempt follows an https error, none an https answer.
    const bool httpsAnswered = https == "trusted";
    QCOMPARE(m_addresses.size(), httpsAnswered ? 1 : 2);
    QVERIFY(m_addresses.first().startsWith("https://"));
    QVERIFY(m_addresses.first().endsWith(FeedbackPath));
    if (!httpsAnswered)
        QVERIFY(m_addresses.last().startsWith("http://"));
    QCOMPARE(m_busyWhilePosting, QList<bool>(m_addresses.size(), true));
    QVERIFY(!QApplication::overrideCursor());

    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.first().caption, QString(success ? "Success" : "Failure"));
    if (success) {
        QTRY_VERIFY(form.isNull());
    } else {
        QCOMPARE(watcher.shown.first().text, FailureText);
        QVERIFY(!form.isNull());
        delete form;
    }
}

void TestFeedbackDialog::escapeCloses_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("memo") << "Memo1";
    QTest::newRow("address box") << "Edit1";
    QTest::newRow("send button") << "BitBtn1";
}

void TestFeedbackDialog::escapeCloses()
{
    QFETCH(QString, focus);
    QPointer<FeedbackDialog> form = makeForm();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Unsent");
    form->findChild<QLineEdit *>("Edit1")->setText("a@b.c");
    auto *widget = form->findChild<QWidget *>(focus);
    widget->setFocus();
    QCOMPARE(QApplication::focusWidget(), widget);
    QTest::keyClick(widget, Qt::Key_Escape);
    QTRY_VERIFY(form.isNull());
    QVERIFY(m_server->requests().isEmpty());
}

// The way the main window uses it: exec() returns once it closes, and it is gone then.
void TestFeedbackDialog::modalUseFreesItself()
{
    QPointer<FeedbackDialog> form = makeForm();
    form->hide();
    QTimer::singleShot(0, [] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(qobject_cast<FeedbackDialog *>(dialog));
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
    });
    QCOMPARE(form->exec(), int(QDialog::Rejected));
    QVERIFY(form.isNull());
}

// While the dialog waits for the service, the listening session goes on: its count tick
// keeps about one a second and its meter about twenty readings a second.
void TestFeedbackDialog::monitoringGoesOnWhilePosting()
{
    MicrophoneCapture capture(std::make_unique<SteadyDevice>());
    RecordingPlayer player;
    ListeningSession session(capture, player);
    QList<qint64> seconds;
    QList<qint64> readings;
    connect(&session, &ListeningSession::secondCounted, this,
            [&] { seconds << m_clock.elapsed(); });
    connect(&session, &ListeningSession::readingTaken, this,
            [&] { readings << m_clock.elapsed(); });
    session.start();

    m_server->setReply(FeedbackPath, 200, "OK", {}, 2.5);
    QPointer<FeedbackDialog> form = makeForm();
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Hello");
    MessageWatcher watcher;
    form->findChild<QPushButton *>("BitBtn1")->click();
    QCOMPARE(watcher.shown.size(), 1);
    QCOMPARE(watcher.shown.first().caption, QString("Success"));

    const qint64 start = m_firstPostStart;
    const qint64 end = m_lastPostEnd;
    const auto during = [start, end](const QList<qint64> &stamps) {
        return std::count_if(stamps.begin(), stamps.end(),
                             [&](qint64 stamp) { return stamp > start && stamp < end; });
    };
    qInfo("a post of %lld ms: %lld count ticks and %lld meter readings during it", end - start,
          qint64(during(seconds)), qint64(during(readings)));
    QVERIFY2(end - start >= 2400, qPrintable(QString::number(end - start)));
    QVERIFY(during(seconds) >= (end - start) / ListeningSession::CountTickMs);
    QVERIFY(during(readings) >= (end - start) / ListeningSession::MeterTickMs / 2);
    session.stop();
    QTRY_VERIFY(form.isNull());
}

void TestFeedbackDialog::inputWhilePosting_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("Send again starts no second post") << "send";
    QTest::newRow("Escape stops the wait and closes") << "escape";
    QTest::newRow("closing the window stops the wait") << "close";
}

// Input that arrives while the dialog waits: one post at a time, and closing ends the wait
// at once, with no message.
void TestFeedbackDialog::inputWhilePosting()
{
    QFETCH(QString, input);
    const int serverDelayMs = 2000;
    m_server->setReply(FeedbackPath, 200, "OK", {}, serverDelayMs / 1000.0);
    QPointer<FeedbackDialog> form = makeForm();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Hello");
    auto *sendButton = form->findChild<QPushButton *>("BitBtn1");
    MessageWatcher watcher;
    bool arrived = false;
    QTimer::singleShot(500, form, [&] {
        arrived = true;
        if (input == "send") {
            QTest::mouseClick(sendButton, Qt::LeftButton);
            QTest::keyClick(sendButton, Qt::Key_Space);
            form->send();
        } else if (input == "escape") {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.data(),
                            Qt::Key_Escape);
        } else {
            form->close();
        }
    });
    QElapsedTimer clock;
    clock.start();
    sendButton->click();
    const qint64 elapsed = clock.elapsed();
    QVERIFY(arrived); // during the wait
    qInfo("the click returned after %lld ms", elapsed);
    if (input == "send") {
        QCOMPARE(m_addresses.size(), 1);
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(watcher.shown.size(), 1);
        QCOMPARE(watcher.shown.first().caption, QString("Success"));
    } else {
        QVERIFY(watcher.shown.isEmpty());
        QVERIFY2(elapsed < serverDelayMs, qPrintable(QString::number(elapsed)));
    }
    QVERIFY(!QApplication::overrideCursor());
    QTRY_VERIFY(form.isNull());
}

// The program quits (File -> Exit, the end of the desktop session) while the dialog waits:
// the wait ends at once, without a message, and the post does not outlive it.
void TestFeedbackDialog::quitWhilePosting()
{
    const int serverDelayMs = 2000;
    m_server->setReply(FeedbackPath, 200, "OK", {}, serverDelayMs / 1000.0);
    QPointer<FeedbackDialog> form = makeForm();
    form->findChild<QPlainTextEdit *>("Memo1")->setPlainText("Hello");
    MessageWatcher watcher;
    QTimer::singleShot(500, form, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    form->findChild<QPushButton *>("BitBtn1")->click();
    const qint64 elapsed = clock.elapsed();
    qInfo("the click returned after %lld ms", elapsed);
    QVERIFY2(elapsed < serverDelayMs, qPrintable(QString::number(elapsed)));
    QVERIFY(m_lastPostEnd >= 0); // the post has ended too
    QVERIFY(watcher.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!form.isNull());
    delete form;
    // Event loops run again after a full run of the application's own.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

QTEST_MAIN(TestFeedbackDialog)
#include "tst_feedbackdialog.moc"
