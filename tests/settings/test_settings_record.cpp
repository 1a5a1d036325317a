#include "settings/SettingsRecord.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace zk;
using namespace Qt::StringLiterals;

namespace {

void put32(QByteArray &b, int offset, qint32 v) {
    qToLittleEndian<qint32>(v, b.data() + offset);
}

qint32 get32(const QByteArray &b, int offset) {
    return qFromLittleEndian<qint32>(b.constData() + offset);
}

void putAscii(QByteArray &b, int offset, const char *text) {
    const QByteArray s(text);
    b[offset] = char(s.size());
    b.replace(offset + 1, s.size(), s);
}

// The stored record keeps every byte except the spinners' high halves, which
// are rewritten as the sign extension of their low 16 bits.
QByteArray expectedReencoding(const QByteArray &input) {
    QByteArray out = input.left(1912);
    for (int offset : {1900, 1904, 1908})
        put32(out, offset, qFromLittleEndian<qint16>(out.constData() + offset));
    return out;
}

} // namespace

class TestSettingsRecord final : public QObject {
    Q_OBJECT

private slots:
    void designedDefaults_matchGoldenBytes() {
        QByteArray g(1912, '\0');
        put32(g, 0, 54);
        put32(g, 4, 66);
        put32(g, 8, 583);
        put32(g, 12, 418);
        g[24] = 1; // ReactOnSigns
        g[28] = 1; // WithoutPause
        g[36] = char(204);
        put32(g, 40, 0x0000FFFF);
        put32(g, 44, -78);
        putAscii(g, 48, "Bookman Old Style");
        put32(g, 308, 47);
        g[316] = char(204);
        put32(g, 324, -20);
        putAscii(g, 328, "MS Sans Serif");
        put32(g, 588, 12);
        put32(g, 600, 0x00C0C0C0);
        g[604] = 1;
        g[605] = 1;
        g[606] = 1;
        g[609] = 1;
        put32(g, 1900, 140);
        put32(g, 1904, 10);
        put32(g, 1908, 1);

        const SettingsRecord defaults = SettingsRecord::designedDefaults();
        QCOMPARE(defaults.encode(), g);
        QVERIFY(SettingsRecord::decode(g) == defaults);
    }

    void everyField_landsAtItsOffsetAndRoundTrips() {
        SettingsRecord r;
        r.WindowTop = -5;
        r.WindowLeft = 1234567;
        r.WindowWidth = 800;
        r.WindowHeight = 600;
        RecordFlag *flags[] = {
            &r.Maximized,         &r.FullScreen,     &r.MusicOn,          &r.ReadingOn,
            &r.EditorOn,          &r.ReactOnSigns,   &r.DelMin,           &r.ReadNonStop,
            &r.ReactOnFocus,      &r.WithoutPause,   &r.ShortPause,       &r.LongPause,
            &r.SmartPause,        &r.RemAll,         &r.ShowPicture,      &r.ShowTimeAndSpeed,
            &r.ShowTimeOfReading, &r.ShowTimeOfWork, &r.ShowSpeedInWords, &r.ShowSpeedInSigns};
        quint8 raw = 2;
        for (RecordFlag *f : flags)
            *f = RecordFlag::fromRaw(raw++);
        for (FontRecord *f : {&r.PanelFont, &r.EditFont}) {
            f->Charset = 1;
            f->Color = 0xFF00000F;
            f->Height = -33;
            QVERIFY(f->Name.set(u"Курьер"_s));
            f->Pitch = 2;
            f->Size = 25;
            f->Style = FontRecord::Bold | FontRecord::StrikeOut | 0x30;
            f->Reserved1 = {0xA1, 0xA2, 0xA3};
            f->Reserved269 = {0xB1, 0xB2, 0xB3};
            f->Reserved277 = {0xC1, 0xC2, 0xC3};
        }
        r.PanelColor = 0x00123456;
        r.EditColor = 0xFF000005;
        QVERIFY(r.TextFolder.set(u"/home/читатель/Тексты"_s));
        QVERIFY(r.MusicFolder.set(u"/srv/music"_s));
        QVERIFY(r.MusicFile.set(u"/srv/music/вальс.mid"_s));
        r.SavedLine = 0x00012345;
        r.Delay = -2;
        r.RowLength = 30;
        r.RowCount = 5;
        r.Reserved21 = {1, 2, 3};
        r.Reserved33 = {4, 5, 6};
        r.Reserved610 = {7, 8, 9, 10, 11, 12};
        for (int i = 0; i < 512; ++i)
            r.Reserved1384[i] = quint8(i * 7 + 3);

        const QByteArray b = r.encode();
        QCOMPARE(b.size(), 1912);
        QCOMPARE(get32(b, 0), -5);
        QCOMPARE(get32(b, 4), 1234567);
        QCOMPARE(quint8(b[16]), 2); // Maximized
        QCOMPARE(quint8(b[20]), 6); // EditorOn
        QCOMPARE(b.mid(21, 3), QByteArray("\1\2\3"));
        QCOMPARE(quint8(b[24]), 7);  // ReactOnSigns
        QCOMPARE(quint8(b[32]), 15); // RemAll
        QCOMPARE(quint8(b[37]), 0xA1);
        QCOMPARE(quint32(get32(b, 40)), 0xFF00000Fu);
        QCOMPARE(quint8(b[48]), 6);
        QCOMPARE(quint8(b[49]), 0xCA); // К
        QCOMPARE(quint8(b[304]), 2);
        QCOMPARE(quint8(b[312]), 0x39);
        QCOMPARE(get32(b, 588), 25); // EditFont.Size
        QCOMPARE(quint8(b[595]), 0xC3);
        QCOMPARE(get32(b, 596), 0x00123456);
        QCOMPARE(quint8(b[604]), 16); // ShowPicture
        QCOMPARE(quint8(b[609]), 21); // ShowSpeedInSigns
        QCOMPARE(quint8(b[615]), 12);
        QCOMPARE(quint8(b[616]), 21);
        QCOMPARE(b.mid(872, 11), QByteArray("\x0a/srv/music"));
        QCOMPARE(quint8(b[1128]), 20);
        QCOMPARE(quint8(b[1384]), 3);
        QCOMPARE(quint8(b[1895]), quint8(511 * 7 + 3));
        QCOMPARE(get32(b, 1896), 0x00012345);
        QCOMPARE(quint32(get32(b, 1900)), 0xFFFFFFFEu);
        QCOMPARE(get32(b, 1908), 5);

        const auto back = SettingsRecord::decode(b);
        QVERIFY(back && *back == r);
        QCOMPARE(back->encode(), b);
        QCOMPARE(back->MusicFile.value(), u"/srv/music/вальс.mid"_s);
    }

    void flagByte_keepsItsRawValueUntilItsStateChanges() {
        QByteArray b = SettingsRecord::designedDefaults().encode();
        b[25] = 7;
        auto r = SettingsRecord::decode(b);
        QVERIFY(r && r->DelMin.isOn());
        r->DelMin.set(true);
        QCOMPARE(quint8(r->encode()[25]), 7);
        r->DelMin.set(false);
        r->DelMin.set(true);
        QCOMPARE(quint8(r->encode()[25]), 1);
    }

    void spinners_readLow16Bits_savedLineReadsAll32() {
        QByteArray b = SettingsRecord::designedDefaults().encode();
        put32(b, 1896, 0x0001FFFF);
        put32(b, 1900, 0x0001FFFF);
        put32(b, 1904, 0x7FFF8000);
        put32(b, 1908, 0x12340005);
        const auto r = SettingsRecord::decode(b);
        QVERIFY(r);
        QCOMPARE(r->SavedLine, 0x0001FFFF);
        QCOMPARE(r->Delay, qint16(-1));
        QCOMPARE(r->RowLength, qint16(-32768));
        QCOMPARE(r->RowCount, qint16(5));
        const QByteArray out = r->encode();
        QCOMPARE(get32(out, 1896), 0x0001FFFF);
        QCOMPARE(quint32(get32(out, 1900)), 0xFFFFFFFFu);
        QCOMPARE(quint32(get32(out, 1904)), 0xFFFF8000u);
        QCOMPARE(get32(out, 1908), 5);
    }

    void stringBytesPastTheLength_surviveUntilTheValueChanges() {
        QByteArray b = SettingsRecord::designedDefaults().encode();
        b.replace(616, 8, QByteArray("\3abcXYZ!"));
        auto r = SettingsRecord::decode(b);
        QVERIFY(r);
        QCOMPARE(r->TextFolder.value(), u"abc"_s);
        QVERIFY(r->TextFolder.set(u"abc"_s));
        QCOMPARE(r->encode(), b);
        QVERIFY(r->TextFolder.set(u"abd"_s));
        QCOMPARE(r->encode().mid(616, 8), QByteArray("\3abd\0\0\0\0", 8));
    }

    void unfitString_isRefusedAndPreviousKept_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("chinese") << u"/home/用户"_s;
        QTest::newRow("emoji") << u"/music/\U0001F3B5.mp3"_s;
        QTest::newRow("latin accent") << u"/home/José"_s;
        QTest::newRow("256 chars") << QString(256, u'ж');
    }

    void unfitString_isRefusedAndPreviousKept() {
        QFETCH(QString, value);
        RecordString s;
        QVERIFY(s.set(u"/home/читатель"_s));
        const QByteArray before = s.raw();
        QVERIFY(!RecordString::fits(value));
        QVERIFY(!s.set(value));
        QCOMPARE(s.raw(), before);
        QCOMPARE(s.value(), u"/home/читатель"_s);
    }

    void longestString_andCutTypefaceName() {
        RecordString s;
        QVERIFY(s.set(QString(255, u'Я')));
        QCOMPARE(s.storedLength(), 255);
        QCOMPARE(s.raw().at(255), char(0xDF));
        QVERIFY(s.setTruncated(QString(255, u'a') + u"tail"_s));
        QCOMPARE(s.value(), QString(255, u'a'));
        QVERIFY(!s.setTruncated(u"文泉驿"_s));
        QCOMPARE(s.value(), QString(255, u'a'));
    }

    void randomAndMutatedBytes_decodeSafelyAndRoundTrip() {
        QRandomGenerator rng(20240607);
        const QByteArray base = SettingsRecord::designedDefaults().encode();
        auto check = [](const QByteArray &bytes) {
            const auto r = SettingsRecord::decode(bytes);
            if (bytes.size() < 1912)
                return !r.has_value();
            if (!r)
                return false;
            const QByteArray out = r->encode();
            const auto again = SettingsRecord::decode(out);
            return out == expectedReencoding(bytes) && again && *again == *r;
        };
        for (int len = 0; len <= 4000; ++len) {
            QByteArray bytes(len, '\0');
            for (char &c : bytes)
                c = char(rng.bounded(256));
            QVERIFY2(check(bytes), qPrintable(u"length %1"_s.arg(len)));
        }
        for (int i = 0; i < 3000; ++i) {
            QByteArray bytes = base;
            for (int n = rng.bounded(1, 12); n > 0; --n)
                bytes[rng.bounded(1912)] = char(rng.bounded(256));
            QVERIFY2(check(bytes), qPrintable(u"mutation %1"_s.arg(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "test_settings_record.moc"
