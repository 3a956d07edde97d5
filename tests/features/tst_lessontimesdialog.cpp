// Settings > Lesson Times...: the rows say in words what is wrong with them and OK waits
// until nothing is; the menu entry hands the stored times to the session and keeps what
// the dialog gives on OK.
#include "base/settings.h"
#include "features/lessontimes/lessonrangeeditor.h"
#include "features/lessontimes/lessontimesaction.h"
#include "features/lessontimes/lessontimesdialog.h"
#include "features/lessontimes/timefield.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const auto Same = [](const QString &text) { return text; };

LessonTimes schoolDay()
{
    return LessonTimes(true, {*LessonRange::fromText("Mon,Tue,Wed,Thu,Fri 08:00-12:30"),
                              *LessonRange::fromText("Mon,Tue,Wed,Thu,Fri 13:15-15:00")});
}

QList<LessonRangeEditor *> rowsOf(const QDialog &dialog)
{
    QList<LessonRangeEditor *> rows = dialog.findChildren<LessonRangeEditor *>();
    rows.removeIf([](const LessonRangeEditor *row) { return row->isHidden(); }); // removed
    return rows;
}

// The problems said under a row; empty while the line is hidden.
QString problemsOf(const LessonRangeEditor *row)
{
    const auto *label = row->findChild<QLabel *>("RangeProblems");
    return label->isHidden() ? QString() : label->text();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestLessonTimesDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void problemsAreSaidAndHoldOk();
    void rowsAreAddedAndRemoved();
    void storedOnOk();
    void timeFieldTyped_data();
    void timeFieldTyped();
    void timeFieldStepped_data();
    void timeFieldStepped();
};

void TestLessonTimesDialog::problemsAreSaidAndHoldOk()
{
    LessonTimesDialog dialog(Same, schoolDay());
    auto *ok = dialog.findChild<QPushButton *>("ButtonOK");
    const QList<LessonRangeEditor *> rows = rowsOf(dialog);
    QCOMPARE(rows.size(), 2);
    QVERIFY(ok->isEnabled());
    QCOMPARE(problemsOf(rows[0]) + problemsOf(rows[1]), QString());
    QCOMPARE(rows[1]->findChild<TimeField *>("RangeStart")->displayFormat(), QString("HH:mm"));

    rows[1]->findChild<TimeField *>("RangeStart")->setTime(QTime(12, 0));
    QCOMPARE(problemsOf(rows[0]), QString("Ranges 1 and 2 overlap on Monday."));
    QCOMPARE(problemsOf(rows[1]), QString("Ranges 1 and 2 overlap on Monday."));
    QVERIFY(!ok->isEnabled());

    for (const char *day : {"Day1", "Day2", "Day3"})
        rows[0]->findChild<QCheckBox *>(day)->setChecked(false);
    QCOMPARE(problemsOf(rows[0]), QString("Ranges 1 and 2 overlap on Thursday."));

    rows[1]->findChild<TimeField *>("RangeEnd")->setTime(QTime(11, 0));
    QCOMPARE(problemsOf(rows[0]), QString());
    QCOMPARE(problemsOf(rows[1]), QString("Range 2 must end after it starts."));
    QVERIFY(!ok->isEnabled());

    rows[1]->findChild<TimeField *>("RangeEnd")->setTime(QTime(0, 0)); // midnight
    QCOMPARE(rows[1]->range().toText(), QString("Mon,Tue,Wed,Thu,Fri 12:00-24:00"));
    rows[1]->findChild<TimeField *>("RangeStart")->setTime(QTime(12, 30));
    QCOMPARE(problemsOf(rows[1]), QString());
    QVERIFY(ok->isEnabled());

    for (const char *day : {"Day4", "Day5"})
        rows[0]->findChild<QCheckBox *>(day)->setChecked(false);
    QCOMPARE(problemsOf(rows[0]), QString("Range 1 has no weekday."));
    QVERIFY(!ok->isEnabled());
}

void TestLessonTimesDialog::rowsAreAddedAndRemoved()
{
    LessonTimesDialog dialog(Same, LessonTimes());
    auto *add = dialog.findChild<QPushButton *>("ButtonAddRange");
    add->click();
    add->click();
    QCOMPARE(dialog.lessonTimes().ranges().size(), 2);
    QCOMPARE(dialog.lessonTimes().ranges()[0].toText(), QString("Mon,Tue,Wed,Thu,Fri 08:00-09:00"));
    QCOMPARE(dialog.lessonTimes().ranges()[1].toText(), QString("Mon,Tue,Wed,Thu,Fri 09:00-10:00"));
    QVERIFY(dialog.findChild<QPushButton *>("ButtonOK")->isEnabled());

    QList<LessonRangeEditor *> rows = rowsOf(dialog);
    rows[0]->findChild<QPushButton *>("ButtonRemoveRange")->click();
    rows = rowsOf(dialog);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0]->findChild<QLabel *>("RangeNumber")->text(), QString("Range 1:"));
    QCOMPARE(dialog.lessonTimes().ranges()[0].toText(), QString("Mon,Tue,Wed,Thu,Fri 09:00-10:00"));
}

// A broken stored range is left out and said; OK gives the session and the settings the
// switch and the rows, and [Settings] keeps its bytes.
void TestLessonTimesDialog::storedOnOk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    const QByteArray settings = "\xEF\xBB\xBF[Settings]\r\nNoiseThreshold=7\r\nSound=Beep\r\n\r\n";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(settings + "[LessonTimes]\r\nEnabled=ON\r\nRange1=Mon 08:00-09:00\r\n"
                              "Range2=Mon 9 to 10\r\n\r\n");
    }
    Settings store([](const SettingsStore::WriteError &) { QFAIL("cannot write"); });
    store.open(path);
    auto steady = std::make_unique<SteadyDevice>();
    MicrophoneCapture capture(std::move(steady));
    RecordingPlayer player;
    ListeningSession session(capture, player);
    QWidget parent;

    QTest::ignoreMessage(
        QtWarningMsg, "Lesson times: a stored range cannot be read and is left out: Mon 9 to 10");
    LessonTimesAction action(session, store, Same, &parent);
    QCOMPARE(action.objectName(), QString("LessonTimes1"));
    QCOMPARE(session.lessonTimes(), LessonTimes(true, {*LessonRange::fromText("Mon 08:00-09:00")}));

    QString unreadableNote;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<LessonTimesDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        unreadableNote = dialog->findChild<QLabel *>("UnreadableRanges")->text();
        dialog->findChild<QPushButton *>("ButtonAddRange")->click();
        dialog->findChild<QPushButton *>("ButtonOK")->click();
    });
    action.trigger();
    QVERIFY(unreadableNote.endsWith("\nMon 9 to 10"));
    const LessonTimes expected(true, {*LessonRange::fromText("Mon 08:00-09:00"),
                                      *LessonRange::fromText("Mon 09:00-10:00")});
    QCOMPARE(session.lessonTimes(), expected);
    QCOMPARE(readAll(path), settings + "[LessonTimes]\r\nEnabled=ON\r\nRange1=Mon 08:00-09:00\r\n"
                                       "Range2=Mon 09:00-10:00\r\n\r\n");
}

void TestLessonTimesDialog::timeFieldTyped_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("shown"); // after editing ends
    QTest::newRow("British") << "en_GB"
                             << "12:40" << QTime(12, 40) << "12:40";
    QTest::newRow("American afternoon") << "en_US"
                                        << "1:15 PM" << QTime(13, 15) << "1:15 PM";
    QTest::newRow("24 hours in America") << "en_US"
                                         << "13:15" << QTime(13, 15) << "1:15 PM";
    QTest::newRow("German, one digit") << "de_DE"
                                       << "9:05" << QTime(9, 5) << "09:05";
    QTest::newRow("no time keeps the last") << "en_GB"
                                            << "12:6x" << QTime(10, 0) << "10:00";
    QTest::newRow("emptied keeps the last") << "en_GB"
                                            << "" << QTime(10, 0) << "10:00";
}

// Typed in the locale's own way or as 24 hours; a text that is no time is undone.
void TestLessonTimesDialog::timeFieldTyped()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QTime, time);
    QFETCH(QString, shown);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    TimeField field(QTime(10, 0));
    QLocale::setDefault(before);
    QList<QTime> changes;
    connect(&field, &TimeField::timeChanged, [&](QTime changed) { changes << changed; });
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));
    field.setFocus();
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, typed);
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(field.time(), time);
    QCOMPARE(field.text().replace(QChar(0x202f), QLatin1Char(' ')), shown);
    QCOMPARE(changes.isEmpty() ? QTime(10, 0) : changes.last(), time);
}

void TestLessonTimesDialog::timeFieldStepped_data()
{
    QTest::addColumn<QTime>("from");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QTime>("to");
    QTest::newRow("up onto the grid") << QTime(8, 3) << 1 << QTime(8, 5);
    QTest::newRow("down onto the grid") << QTime(8, 3) << -1 << QTime(8, 0);
    QTest::newRow("up on the grid") << QTime(8, 5) << 1 << QTime(8, 10);
    QTest::newRow("page up") << QTime(8, 0) << 10 << QTime(8, 50);
    QTest::newRow("past midnight") << QTime(23, 55) << 1 << QTime(0, 0);
    QTest::newRow("back past midnight") << QTime(0, 0) << -1 << QTime(23, 55);
}

void TestLessonTimesDialog::timeFieldStepped()
{
    QFETCH(QTime, from);
    QFETCH(int, steps);
    QFETCH(QTime, to);
    TimeField field(from);
    field.stepBy(steps);
    QCOMPARE(field.time(), to);
    QCOMPARE(field.text(), to.toString("HH:mm"));
}

QTEST_MAIN(TestLessonTimesDialog)
#include "tst_lessontimesdialog.moc"
