#include "features/feedback/emailaddress.h"
#include "features/feedback/feedbacknote.h"

#include <QTest>

class TestEmailAddress : public QObject
{
    Q_OBJECT
private slots:
    void isValid_data();
    void isValid();
    void trimmed_data();
    void trimmed();
};

void TestEmailAddress::isValid_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");

    QTest::newRow("shortest accepted") << "a@b.c" << true;
    QTest::newRow("ordinary") << "jane.doe+murmlet@mail.example.org" << true;
    QTest::newRow("local part of every allowed sign") << "A_z.0+9-@x.yz" << true;
    QTest::newRow("hyphen and dot inside the ending") << "a@b.c-d.e" << true;
    QTest::newRow("upper case domain") << "A@B.C" << true;
    QTest::newRow("no dot after the at sign") << "a@localhost" << false;
    QTest::newRow("dot only before the at sign") << "a.b@c" << false;
    QTest::newRow("ends in a hyphen") << "a@b.c-" << false;
    QTest::newRow("ends in a dot") << "a@b.c." << false;
    QTest::newRow("blank inside") << "a b@c.d" << false;
    QTest::newRow("accented letter in the local part")
        << QString::fromUtf8("jos\u00e9@b.c") << false;
    QTest::newRow("accented letter in the domain")
        << QString::fromUtf8("a@b\u00fccher.de") << false;
    QTest::newRow("letter of another script") << QString::fromUtf8("a@\u0431.c") << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "a@b.c" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no local part") << "@b.c" << false;
    QTest::newRow("two at signs") << "a@b@c.d" << false;
    QTest::newRow("dot right after the at sign") << "a@.b.c" << false;
    // "$" also matches before a final line break, as in Perl: the caller trims first.
    QTest::newRow("final line break passes the pattern") << "a@b.c\n" << true;
    QTest::newRow("NUL inside") << QString("a@b.c") + QChar(u'\0') + "d" << false;
}

void TestEmailAddress::isValid()
{
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QCOMPARE(EmailAddress::isValid(address), valid);
}

// The memo and the address are trimmed of control characters and blanks only.
void TestEmailAddress::trimmed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("blanks and line breaks") << " \r\n\tHi there\r\n \r\n"
                                            << "Hi there";
    QTest::newRow("inner line breaks stay") << "\r\nOne\r\nTwo\r\n"
                                            << "One\r\nTwo";
    QTest::newRow("other control characters go") << QString("\x01\x1f"
                                                            "a"
                                                            "\x7f")
                                                 << "a\x7f";
    QTest::newRow("no-break space stays")
        << QString::fromUtf8("\u00a0a ") << QString::fromUtf8("\u00a0a");
    QTest::newRow("only blanks") << " \t\r\n "
                                 << "";
}

void TestEmailAddress::trimmed()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(Feedback::trimmed(text), expected);
}

QTEST_APPLESS_MAIN(TestEmailAddress)
#include "tst_emailaddress.moc"
