// Zip files read through the zip library as each build links it (on Windows
// the QuaZip and zlib DLLs built for it): entries stored and deflated, the
// checksum checked at the end, and the cap on inflated bytes.

#include "exchange/zip_archive.h"
#include "exchange/zip_writer.h"

#include <QBuffer>
#include <QtTest>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace
{

struct Entry {
    QString name;
    QByteArray bytes;
    bool deflated = true;
};

// A zip file in memory, written by the zip library, entries in this order.
QByteArray zip_of(const std::vector<Entry> &entries)
{
    QBuffer buffer;
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const Entry &entry : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.name), nullptr, 0,
                       entry.deflated ? Z_DEFLATED : 0) ||
            file.write(entry.bytes) != entry.bytes.size())
            return {};
        file.close();
        if (file.getZipError() != UNZ_OK)
            return {};
    }
    zip.close();
    return zip.getZipError() == UNZ_OK ? buffer.data() : QByteArray();
}

// The zip with the inflated size its central directory declares for its one
// entry set to `size`: what a hostile file may claim.
QByteArray with_declared_size(QByteArray zip, quint32 size)
{
    const int central = zip.indexOf(QByteArray("PK\x01\x02", 4));
    if (central < 0)
        return {};
    for (int i = 0; i < 4; ++i)
        zip[central + 24 + i] = char((size >> (8 * i)) & 0xFF);
    return zip;
}

} // namespace

class TestZipArchive : public QObject
{
    Q_OBJECT

  private slots:
    void read_storedAndDeflatedEntries_giveTheirBytesInDirectoryOrder()
    {
        const QByteArray document = QByteArray("<w:document>试卷</w:document>").repeated(200);
        const QByteArray zip =
            zip_of({{"mimetype", "application/zip", false}, {"word/document.xml", document}});
        QVERIFY(!zip.isEmpty());
        // Deflated for real: the repeated part shrinks.
        QVERIFY(zip.size() < document.size() / 4);

        ExchangeError error;
        auto archive = ZipArchive::open(zip, error);
        QVERIFY(archive);
        QVERIFY(!error.failed());
        QCOMPARE(archive->names(), QStringList({"mimetype", "word/document.xml"}));
        QCOMPARE(archive->read("word/document.xml", error), std::optional<QByteArray>(document));
        QCOMPARE(archive->read("mimetype", error), std::optional<QByteArray>("application/zip"));
        QVERIFY(!error.failed());
    }

    void read_entryWhoseBytesNoLongerMatchItsChecksum_isBroken()
    {
        QByteArray zip =
            zip_of({{"word/document.xml", "<w:document>ABCDEFGH</w:document>", false}});
        const int at = zip.indexOf("ABCDEFGH");
        QVERIFY(at > 0);
        zip[at] = 'X';

        ExchangeError error;
        auto archive = ZipArchive::open(zip, error);
        QVERIFY(archive);
        QCOMPARE(archive->read("word/document.xml", error), std::nullopt);
        QCOMPARE(error.what, ExchangeError::What::BrokenZip);
        QCOMPARE(error.part, QStringLiteral("word/document.xml"));
    }

    // A size declared past the cap is refused before inflating; one declared
    // below what the entry holds ends the entry there, and its checksum
    // then fails.
    void read_sizeDeclaredPastTheCap_isRefusedUninflated_data()
    {
        QTest::addColumn<int>("actual");
        QTest::addColumn<quint32>("declared");
        QTest::addColumn<int>("refusal");
        QTest::newRow("declares more than it holds")
            << 10 << quint32(0x7FFFFFFF) << int(ExchangeError::What::ZipTooLarge);
        QTest::newRow("declares less than it holds")
            << 300000 << quint32(10) << int(ExchangeError::What::BrokenZip);
    }

    void read_sizeDeclaredPastTheCap_isRefusedUninflated()
    {
        QFETCH(int, actual);
        QFETCH(quint32, declared);
        QFETCH(int, refusal);
        const QByteArray zip = with_declared_size(
            zip_of({{"xl/sharedStrings.xml", QByteArray(actual, 'a')}}), declared);
        QVERIFY(!zip.isEmpty());
        ZipLimits limits;
        limits.max_total_bytes = 100000;
        ExchangeError error;
        auto archive = ZipArchive::open(zip, error, limits);
        QVERIFY(archive);
        QCOMPARE(archive->read("xl/sharedStrings.xml", error), std::nullopt);
        QCOMPARE(int(error.what), refusal);
    }

    void read_pastTheCapOnInflatedBytes_stopsThere()
    {
        const QByteArray zip = zip_of({{"xl/sharedStrings.xml", QByteArray(300000, 'a')}});
        QVERIFY(zip.size() < 10000);
        ZipLimits limits;
        limits.max_total_bytes = 100000;

        ExchangeError error;
        auto archive = ZipArchive::open(zip, error, limits);
        QVERIFY(archive);
        QCOMPARE(archive->read("xl/sharedStrings.xml", error), std::nullopt);
        QCOMPARE(error.what, ExchangeError::What::ZipTooLarge);
        QCOMPARE(error.part, QStringLiteral("xl/sharedStrings.xml"));
        QCOMPARE(error.limit, qint64(100000));
    }

    // What qv_paper writes reads back through the reader, part for part, and
    // the same parts give the same bytes whenever they are written.
    void zip_parts_readBackAndRepeatByteForByte()
    {
        const std::vector<ZipPart> parts = {
            {"[Content_Types].xml", "<Types/>"},
            {"word/document.xml", QByteArray("试卷").repeated(500)}};
        const std::optional<QByteArray> zip = zip_parts(parts);
        QVERIFY(zip);
        QCOMPARE(zip_parts(parts), zip);
        ExchangeError error;
        auto archive = ZipArchive::open(*zip, error);
        QVERIFY(archive);
        QCOMPARE(archive->names(), QStringList({"[Content_Types].xml", "word/document.xml"}));
        for (const ZipPart &part : parts)
            QCOMPARE(archive->read(part.name, error), std::optional<QByteArray>(part.bytes));
    }

    // The directory is read for up to 10000 entries, and refused at 10001.
    void open_tenThousandEntriesAndNoMore_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("opened");
        QTest::newRow("10000") << 10000 << true;
        QTest::newRow("10001") << 10001 << false;
    }

    void open_tenThousandEntriesAndNoMore()
    {
        QFETCH(int, entries);
        QFETCH(bool, opened);
        std::vector<Entry> many;
        for (int i = 0; i < entries; ++i)
            many.push_back({QString::number(i), {}, false});
        const QByteArray zip = zip_of(many);
        QVERIFY(!zip.isEmpty());
        ExchangeError error;
        auto archive = ZipArchive::open(zip, error);
        QCOMPARE(bool(archive), opened);
        if (opened) {
            QCOMPARE(archive->names().size(), entries);
            return;
        }
        QCOMPARE(error.what, ExchangeError::What::ZipTooManyEntries);
        QCOMPARE(error.limit, qint64(10000));
    }

    // Without a cap of its own, a file may inflate to thirty times its size,
    // but always to 16 MB and never past 1 GB. An entry of zeros inflates to
    // exactly the cap, or one byte past it; `padding` bytes stored and never
    // read make the file large enough for the thirty times to count.
    void read_inflatedBytes_thirtyTimesTheFileFrom16MB_data()
    {
        QTest::addColumn<int>("padding");
        QTest::addColumn<int>("past_the_cap");
        QTest::newRow("small file, 16 MB") << 0 << 0;
        QTest::newRow("small file, 16 MB + 1") << 0 << 1;
        QTest::newRow("1 MB file, thirty times") << (1 << 20) << 0;
        QTest::newRow("1 MB file, thirty times + 1") << (1 << 20) << 1;
    }

    void read_inflatedBytes_thirtyTimesTheFileFrom16MB()
    {
        QFETCH(int, padding);
        QFETCH(int, past_the_cap);
        QRandomGenerator random(20261208);
        QByteArray stored(padding, '\0');
        for (char &byte : stored)
            byte = char(random.bounded(256));
        // The file's size depends a little on the entry's, which depends on
        // the cap, which depends on the file's size: a few rounds settle it.
        qint64 cap = qint64(16) << 20;
        QByteArray zip;
        for (int round = 0; round < 5; ++round) {
            zip = zip_of(
                {{"pad", stored, false}, {"zeros", QByteArray(int(cap) + past_the_cap, '\0')}});
            const qint64 next =
                std::clamp<qint64>(qint64(zip.size()) * 30, qint64(16) << 20, qint64(1) << 30);
            if (next == cap)
                break;
            cap = next;
        }
        QCOMPARE(cap, padding == 0 ? qint64(16) << 20 : qint64(zip.size()) * 30);

        ExchangeError error;
        auto archive = ZipArchive::open(zip, error);
        QVERIFY(archive);
        const std::optional<QByteArray> zeros = archive->read("zeros", error);
        if (past_the_cap == 0) {
            QVERIFY2(!error.failed(), qPrintable(error.part));
            QCOMPARE(zeros ? zeros->size() : -1, int(cap));
            return;
        }
        QCOMPARE(zeros, std::nullopt);
        QCOMPARE(error.what, ExchangeError::What::ZipTooLarge);
        QCOMPARE(error.limit, cap);
    }

    void open_bytesThatAreNoZip_isBroken()
    {
        ExchangeError error;
        QVERIFY(!ZipArchive::open("PK\3\4 but nothing after", error));
        QCOMPARE(error.what, ExchangeError::What::BrokenZip);
    }
};

QTEST_MAIN(TestZipArchive)
#include "test_zip_archive.moc"
