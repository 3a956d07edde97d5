// Settings > School Link...: what is wrong is said in words and holds OK; the password is
// only what was typed, and the note about the secret store shows when there is one.
#include "features/schoollink/schoollinkdialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
const auto Same = [](const QString &text) { return text; };

QString problemOf(const QDialog &dialog)
{
    const auto *label = dialog.findChild<QLabel *>("LinkProblem");
    return label->isHidden() ? QString() : label->text();
}
} // namespace

class TestSchoolLinkDialog : public QObject
{
    Q_OBJECT
private slots:
    void problemsHoldOk_data();
    void problemsHoldOk();
    void givesWhatWasTyped();
    void lockedFieldsAreDisabled();
};

void TestSchoolLinkDialog::problemsHoldOk_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    QTest::newRow("fine") << "LinkRoom"
                          << "Room 101"
                          << "";
    QTest::newRow("room with a level") << "LinkRoom"
                                       << "A/101"
                                       << "A room's name cannot contain +, # or /.";
    QTest::newRow("room emptied") << "LinkRoom"
                                  << ""
                                  << "Please enter the room's name.";
    QTest::newRow("room too long")
        << "LinkRoom" << QString(65, 'x') << "A room's name can be at most 64 bytes long in UTF-8.";
    QTest::newRow("prefix wildcard") << "LinkPrefix"
                                     << "school/#"
                                     << "The topic prefix cannot contain + or #.";
    QTest::newRow("prefix with levels") << "LinkPrefix"
                                        << "school/murmlet"
                                        << "";
    QTest::newRow("no broker while on") << "LinkHost"
                                        << " "
                                        << "Please enter the broker's host name or address.";
}

void TestSchoolLinkDialog::problemsHoldOk()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    SchoolLinkConfig config;
    config.enabled = true;
    config.host = "broker.school.example";
    config.room = "Room 101";
    SchoolLinkDialog dialog(Same, config, false, QString(), QString());
    dialog.findChild<QLineEdit *>(field)->setText(text);
    QCOMPARE(problemOf(dialog), problem);
    QCOMPARE(dialog.findChild<QPushButton *>("ButtonOK")->isEnabled(), problem.isEmpty());
}

void TestSchoolLinkDialog::givesWhatWasTyped()
{
    SchoolLinkConfig config;
    config.room = "Room 101";
    SchoolLinkDialog dialog(Same, config, true, "No secret store is available", QString());
    QCOMPARE(dialog.findChild<QLabel *>("SecretStoreNote")->text(),
             QString("No secret store is available"));
    auto *password = dialog.findChild<QLineEdit *>("LinkPassword");
    QCOMPARE(password->text(), QString());
    QCOMPARE(password->placeholderText(), QString("(kept)"));
    QVERIFY(!dialog.passwordTyped()); // left empty: the stored password stays

    dialog.findChild<QCheckBox *>("LinkEnabled")->setChecked(true);
    QCOMPARE(problemOf(dialog), QString("Please enter the broker's host name or address."));
    QTest::keyClicks(dialog.findChild<QLineEdit *>("LinkHost"), " 127.0.0.1 ");
    QTest::keyClicks(password, "s3cret");
    dialog.findChild<QLineEdit *>("LinkPrefix")->clear();
    const SchoolLinkConfig given = dialog.config();
    QCOMPARE(given.host, QString("127.0.0.1"));
    QCOMPARE(given.prefix, QString("murmlet")); // emptied: the default
    QVERIFY(given.enabled && given.tls);
    QVERIFY(dialog.passwordTyped());
    QCOMPARE(dialog.password(), QString("s3cret"));

    // The School view's account: its own name and password, kept apart from the room's.
    auto *reader = dialog.findChild<QLineEdit *>("LinkReaderPassword");
    QVERIFY(!dialog.readerPasswordTyped());
    dialog.setReaderPasswordKept(true);
    QCOMPARE(reader->placeholderText(), QString("(kept)"));
    QTest::keyClicks(dialog.findChild<QLineEdit *>("LinkReaderUser"), " reader ");
    QTest::keyClicks(reader, "r3ad");
    QCOMPARE(dialog.config().readerUser, QString("reader"));
    QVERIFY(dialog.readerPasswordTyped());
    QCOMPARE(dialog.readerPassword(), QString("r3ad"));
    QCOMPARE(dialog.password(), QString("s3cret"));
}

// The fields of the keys the school locked are disabled with the note; the rest, and the
// password (never a policy's), stay open.
void TestSchoolLinkDialog::lockedFieldsAreDisabled()
{
    SchoolLinkConfig config;
    config.room = "Room 101";
    SchoolLinkDialog dialog(Same, config, false, QString(), QString());
    dialog.lockFields({"host", "Port", "CaFile", "Enabled"}, "Set by your school");
    for (const char *name :
         {"LinkHost", "LinkPort", "LinkCaFile", "LinkCaFileBrowse", "LinkEnabled"}) {
        auto *field = dialog.findChild<QWidget *>(name);
        QVERIFY2(field && !field->isEnabled(), name);
    }
    QCOMPARE(dialog.findChild<QWidget *>("LinkHost")->toolTip(), QString("Set by your school"));
    for (const char *name : {"LinkRoom", "LinkUser", "LinkPassword", "LinkCertFile", "LinkTls"})
        QVERIFY2(dialog.findChild<QWidget *>(name)->isEnabled(), name);
}

QTEST_MAIN(TestSchoolLinkDialog)
#include "tst_schoollinkdialog.moc"
