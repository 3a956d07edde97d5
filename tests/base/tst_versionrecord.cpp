#include "base/appidentity.h"
#include "base/versionrecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cerrno>
#include <system_error>

namespace {
QString fixture(const char *name)
{
    return QStringLiteral(MURMLET_VERSIONRECORD_FIXTURES "/") + QLatin1String(name);
}

// Records laid out the way resource compilers write them, for the cases windres
// cannot produce.
QByteArray le16(quint16 v)
{
    QByteArray b(2, 0);
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray le32(quint32 v)
{
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray utf16z(const QString &s)
{
    QByteArray b;
    for (const QChar c : s)
        b += le16(c.unicode());
    return b + le16(0);
}
void pad(QByteArray &b)
{
    while (b.size() % 4 != 0)
        b += '\0';
}
QByteArray block(const QString &key, const QByteArray &value, quint16 valueLength, quint16 type,
                 const QByteArrayList &children = {})
{
    QByteArray b = le16(0) + le16(valueLength) + le16(type) + utf16z(key);
    pad(b);
    b += value;
    for (const QByteArray &child : children) {
        pad(b);
        b += child;
    }
    qToLittleEndian(quint16(b.size()), b.data());
    return b;
}
QByteArray text(const QString &name, const QString &value)
{
    return block(name, utf16z(value), quint16(value.size() + 1), 1);
}
QByteArray fixedPart(quint16 major, quint16 minor)
{
    const quint32 ms = (quint32(major) << 16) | minor;
    QByteArray b = le32(0xFEEF04BD) + le32(0x00010000) + le32(ms) + le32(0) + le32(ms) + le32(0);
    return b + QByteArray(52 - b.size(), '\0');
}
QByteArray record(const QByteArray &fixed, const QByteArrayList &children)
{
    return block(QStringLiteral("VS_VERSION_INFO"), fixed, quint16(fixed.size()), 0, children);
}
QByteArray strings(const QString &blockName, const QString &table, const QByteArrayList &values)
{
    return block(blockName, {}, 0, 1, {block(table, {}, 0, 1, values)});
}
QByteArray translations(const QString &blockName, const QString &valueName,
                        const QByteArray &entries)
{
    return block(blockName, {}, 0, 1, {block(valueName, entries, quint16(entries.size()), 0)});
}

// The filled fields as "Name=Value", in the record's order.
QStringList filled(const VersionStrings &d)
{
    const std::pair<const char *, const QString *> fields[] = {
        {"CompanyName", &d.CompanyName},           {"FileDescription", &d.FileDescription},
        {"FileVersion", &d.FileVersion},           {"InternalName", &d.InternalName},
        {"LegalCopyright", &d.LegalCopyright},     {"LegalTrademarks", &d.LegalTrademarks},
        {"OriginalFileName", &d.OriginalFileName}, {"ProductName", &d.ProductName},
        {"ProductVersion", &d.ProductVersion},     {"Comments", &d.Comments},
        {"PrivateBuild", &d.PrivateBuild},         {"SpecialBuild", &d.SpecialBuild}};
    QStringList list;
    for (const auto &[name, value] : fields) {
        if (!value->isEmpty())
            list << QLatin1String(name) + QLatin1Char('=') + *value;
    }
    return list;
}
} // namespace

class TestVersionRecord : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void shippedRecord_data();
    void shippedRecord();
    void readRecord_data();
    void readRecord();
    void missingValuesLeaveFieldsAlone();
    void identity_data();
    void identity();
    void failures_data();
    void failures();

private:
    QString scratch(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    void write(const char *name, const QByteArray &contents);

    QTemporaryDir m_dir;
};

void TestVersionRecord::write(const char *name, const QByteArray &contents)
{
    QFile file(scratch(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

void TestVersionRecord::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QByteArray english = le16(0x0409) + le16(0x04E4);
    const QString stringInfo = QStringLiteral("StringFileInfo");
    const QString varInfo = QStringLiteral("VarFileInfo");
    const QString translation = QStringLiteral("Translation");

    // Strings and a translation table, but no fixed part.
    const QByteArray bare =
        record({}, {strings(stringInfo, QStringLiteral("040904E4"),
                            {text(QStringLiteral("CompanyName"), QStringLiteral("Bare Maker")),
                             text(QStringLiteral("ProductName"), QStringLiteral("Bare Product"))}),
                    translations(varInfo, translation, english)});
    write("bare.bin", bare);
    write("truncated.bin", bare.left(bare.size() - 8));
    // Three stray bytes before the record: its padding counts from its own start, not
    // from the file's. Block names in other letter cases, too.
    write("shifted.bin",
          "\x01\x02\x03" +
              record(fixedPart(6, 7),
                     {strings(QStringLiteral("stringfileinfo"), QStringLiteral("040904e4"),
                              {text(QStringLiteral("companyname"), QStringLiteral("Shifted")),
                               text(QStringLiteral("PRODUCTNAME"), QStringLiteral("Record"))}),
                      translations(QStringLiteral("VARFILEINFO"), QStringLiteral("translation"),
                                   english)}));
    // A translation table without a single entry.
    write("notentries.bin",
          record(fixedPart(8, 9),
                 {strings(stringInfo, QStringLiteral("040904E4"),
                          {text(QStringLiteral("CompanyName"), QStringLiteral("Nobody"))}),
                  translations(varInfo, translation, {})}));
    write("empty.bin", {});
}

void TestVersionRecord::shippedRecord_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("compiled resource script") << fixture("murmlet.res");
#ifdef MURMLET_PROGRAM_FILE
    QTest::newRow("program file") << QStringLiteral(MURMLET_PROGRAM_FILE);
#endif
}

void TestVersionRecord::shippedRecord()
{
    QFETCH(QString, file);
    VersionStrings data;
    readVersionRecord(file, data);
    QCOMPARE(data.CompanyName, QStringLiteral("TAMBRIX"));
    QCOMPARE(data.FileDescription, QStringLiteral("Murmlet"));
    QCOMPARE(data.FileVersion, QStringLiteral("1.1.0.0"));
    QCOMPARE(data.InternalName, QStringLiteral("Murmlet"));
    QCOMPARE(data.OriginalFileName, QStringLiteral("murmlet.exe")); // stored as "OriginalFilename"
    QCOMPARE(data.ProductName, QStringLiteral("Murmlet"));
    QCOMPARE(data.ProductVersion, QStringLiteral("1.1.0.0"));
    for (const QString *maker : {&data.LegalCopyright, &data.LegalTrademarks, &data.Comments})
        QVERIFY2(maker->contains(QLatin1String("TAMBRIX")), qPrintable(*maker));
    QCOMPARE(data.PrivateBuild, QString());
    QCOMPARE(data.SpecialBuild, QString());
    QCOMPARE(fileVersionMS(file), 0x00010001u);
}

void TestVersionRecord::readRecord_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("only the first translation, even where it lacks values")
        << fixture("twotranslations.res")
        << QStringList{"CompanyName=First Maker", "Comments=First table"};
    QTest::newRow("translation 0409/04B0 reads the table 040904b0")
        << fixture("unicodepage.res")
        << QStringList{"CompanyName=Unicode Maker", "ProductName=Unicode Product"};
    QTest::newRow("value names in other letter cases, all twelve fields")
        << fixture("lettercase.res")
        << QStringList{"CompanyName=Case Maker",
                       "FileDescription=description",
                       "FileVersion=4.2.0.0",
                       "InternalName=internal",
                       "LegalCopyright=copyright",
                       "LegalTrademarks=trademarks",
                       "OriginalFileName=original.exe",
                       "ProductName=Case Product",
                       "ProductVersion=4.2",
                       "Comments=comments",
                       "PrivateBuild=private",
                       "SpecialBuild=special"};
    QTest::newRow("bare record without fixed part")
        << scratch("bare.bin") << QStringList{"CompanyName=Bare Maker", "ProductName=Bare Product"};
    QTest::newRow("bare record at an odd offset, block names in other letter cases")
        << scratch("shifted.bin") << QStringList{"CompanyName=Shifted", "ProductName=Record"};
}

void TestVersionRecord::readRecord()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    VersionStrings data;
    readVersionRecord(file, data);
    QCOMPARE(filled(data), expected);
}

void TestVersionRecord::missingValuesLeaveFieldsAlone()
{
    VersionStrings data;
    data.CompanyName = QStringLiteral("before");
    data.ProductName = QStringLiteral("before");
    data.SpecialBuild = QStringLiteral("before");
    readVersionRecord(fixture("twotranslations.res"), data);
    QCOMPARE(data.CompanyName, QStringLiteral("First Maker"));
    QCOMPARE(data.ProductName, QStringLiteral("before"));
    QCOMPARE(data.SpecialBuild, QStringLiteral("before"));
}

void TestVersionRecord::identity_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("title");

#ifdef MURMLET_PROGRAM_FILE
    QTest::newRow("program file") << QStringLiteral(MURMLET_PROGRAM_FILE) << "TAMBRIX"
                                  << "Murmlet"
                                  << "1.1"
                                  << "TAMBRIX - Murmlet";
#endif
    QTest::newRow("compiled resource script") << fixture("murmlet.res") << "TAMBRIX"
                                              << "Murmlet"
                                              << "1.1"
                                              << "TAMBRIX - Murmlet";
    // Neither the product version (7.8) nor the FileVersion string (9.9.9.9) counts.
    QTest::newRow("file version 10.12.3.4") << fixture("version10.res") << "Ten"
                                            << "Twelve"
                                            << "10.12"
                                            << "Ten - Twelve";
    QTest::newRow("no fixed part") << scratch("bare.bin") << "Bare Maker"
                                   << "Bare Product"
                                   << "65535.65535"
                                   << "Bare Maker - Bare Product";
    QTest::newRow("record at an odd offset") << scratch("shifted.bin") << "Shifted"
                                             << "Record"
                                             << "6.7"
                                             << "Shifted - Record";
}

void TestVersionRecord::identity()
{
    QFETCH(QString, file);
    const AppIdentity identity = AppIdentity::fromVersionRecord(file);
    QTEST(identity.companyName, "company");
    QTEST(identity.productName, "product");
    QTEST(identity.version, "version");
    QTEST(identity.title, "title");
}

void TestVersionRecord::failures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("code");
    // The fixed part stays readable when only the translation table is missing.
    QTest::addColumn<quint32>("fileVersion");

    QTest::newRow("missing file") << scratch("missing.bin") << ENOENT << 0xFFFFFFFFu;
    QTest::newRow("folder") << m_dir.path() << EISDIR << 0xFFFFFFFFu;
    QTest::newRow("empty file") << scratch("empty.bin") << ENODATA << 0xFFFFFFFFu;
    QTest::newRow("resources without a version record")
        << fixture("norecord.res") << ENODATA << 0xFFFFFFFFu;
    QTest::newRow("record cut short") << scratch("truncated.bin") << ENODATA << 0xFFFFFFFFu;
    QTest::newRow("no translation table") << fixture("notranslation.res") << ENODATA << 0x00050006u;
    QTest::newRow("translation table without entries")
        << scratch("notentries.bin") << ENODATA << 0x00080009u;
}

void TestVersionRecord::failures()
{
    QFETCH(QString, file);
    QFETCH(int, code);
    QFETCH(quint32, fileVersion);

    VersionStrings data;
    try {
        readVersionRecord(file, data);
        QFAIL("no error raised");
    } catch (const SystemError &error) {
        QCOMPARE(error.code(), code);
        QCOMPARE(QString::fromStdString(error.what()),
                 QString::fromStdString(std::system_category().message(code)));
    }
    QCOMPARE(filled(data), QStringList());
    QCOMPARE(fileVersionMS(file), fileVersion);
    QVERIFY_THROWS_EXCEPTION(SystemError, AppIdentity::fromVersionRecord(file));
}

QTEST_GUILESS_MAIN(TestVersionRecord)
#include "tst_versionrecord.moc"
