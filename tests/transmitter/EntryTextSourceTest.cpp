// SPDX-License-Identifier: GPL-3.0-or-later
// The entry as the bit queue reads it: Windows-1252 bytes with CR LF line ends,
// kept up to date through every kind of edit without re-reading the whole text.

#include "modem/receive/ReceiveChain.h"
#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TransmitPreamble.h"
#include "modem/transmit/TxBitQueue.h"
#include "tests/transmitter/RecordingStatus.h"
#include "tools/ModemEncode.h"
#include "tools/SampleRateConverter.h"
#include "transmitter/EntryTextSource.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

namespace {

std::string readAll(const TxTextSource& source)
{
    std::string bytes;
    for (std::int64_t i = 0; i < source.length(); ++i)
        bytes += static_cast<char>(source.byteAt(i));
    return bytes;
}

// What the queue should see for the entry's text, worked out the slow way.
std::string expectedBytes(const QPlainTextEdit& edit)
{
    return modem::entryTextFromUtf8(edit.toPlainText().toStdString());
}

// An operator typing into the entry during a transmission at 125 baud, and what
// the other station's receive chain makes of it.
struct OnTheAir {
    static constexpr int kSamplesPerBit = 256;   // 125 baud at 32000 samples per second
    static constexpr double kTickRate = 2000.0;  // 16 ticks per bit at 125 baud
    static constexpr int kReceiveRate = 8000;    // samples per second

    QPlainTextEdit edit;
    EntryTextSource source{*edit.document()};
    RecordingStatus status;
    TxBitQueue queue{source, status};
    MskSynthesizer synthesizer;
    std::vector<std::int16_t> sent;

    OnTheAir()
    {
        synthesizer.setSamplesPerBit(kSamplesPerBit);
        for (int i = 0; i < kPreambleBuffers; ++i)
            play(preambleBit(i));
    }
    void play(int bit)
    {
        const std::size_t at = sent.size();
        sent.resize(at + kSamplesPerBit);
        synthesizer.fillBit(sent.data() + at, bit);
    }
    void requests(std::int64_t count)
    {
        for (std::int64_t i = 0; i < count; ++i)
            play(queue.nextBit());
    }
    // Key by key, a few bits going out between two keys, as typing during an over.
    void type(const QString& text)
    {
        for (const QChar c : text) {
            if (c == u'\n')
                QTest::keyClick(&edit, Qt::Key_Return);
            else
                QTest::keyClicks(&edit, QString(c));
            requests(3);
        }
    }
    // Everything in the entry on the air, then two idle units.
    void sendAll()
    {
        do
            requests(1);
        while (queue.textTaken() != source.length());
        requests(queue.queuedBits() - queue.readPos() + 1 + 24);
    }
    std::string received() const
    {
        const auto recorded = convertSampleRate(sent, MskSynthesizer::kSampleRate, kReceiveRate);
        ReceiveChain chain;
        chain.settings.tickRate = kTickRate;
        chain.feed(recorded.data(), recorded.size());
        return chain.text();
    }
};

}  // namespace

class EntryTextSourceTest : public QObject {
    Q_OBJECT

private slots:
    void givesLineEndsAsCrLf();
    void mapsCharactersThroughTheCodePage();
    void followsEveryKindOfEdit();
    void removedTextMakesTheQueueSendBackspaces();
    void editsOfSentTextReachTheOtherScreen();
    void readsALongEntryInOnePass();
    void mapsBytesOnTheAirBackToCharacters();
};

void EntryTextSourceTest::givesLineEndsAsCrLf()
{
    QPlainTextEdit edit;
    EntryTextSource source(*edit.document());
    QCOMPARE(source.length(), std::int64_t{0});
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "c");
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);  // a line break inside the paragraph
    QTest::keyClicks(&edit, "d");
    QCOMPARE(readAll(source), std::string("ab\r\nc\r\nd"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(readAll(source), std::string("ab\r\nc\r\nd\r\n"));

    edit.insertPlainText("x\r\ny\rz");  // pasted text with its own line ends
    QCOMPARE(readAll(source), std::string("ab\r\nc\r\nd\r\nx\r\ny\r\nz"));
}

void EntryTextSourceTest::mapsBytesOnTheAirBackToCharacters()
{
    // "a", a line end (CR LF: two bytes), a character beyond U+FFFF (two UTF-16
    // units, one '?' byte), "b": bytes a CR LF ? b, characters a 0x2029 hi lo b.
    QPlainTextEdit edit;
    EntryTextSource source(*edit.document());
    edit.setPlainText(QString::fromUtf8("a\n\xF0\x9F\x98\x80" "b"));
    const int expected[] = {0, 1, 1, 2, 4, 5};  // characters wholly within 0..5 bytes
    for (int bytes = 0; bytes <= 5; ++bytes)
        QCOMPARE(source.positionOfByte(bytes), expected[bytes]);
    QCOMPARE(source.positionOfByte(99), 5);  // never beyond the text
    QCOMPARE(source.positionOfByte(1), 1);   // asked again lower down
    QCOMPARE(source.bytesBefore(2), std::int64_t{3});
    QCOMPARE(source.bytesBefore(4), std::int64_t{4});
    // An edit before the place it walked to last: counted again from the start.
    QCOMPARE(source.positionOfByte(4), 4);
    QTextCursor(edit.document()).insertText(QStringLiteral("xy"));  // at the start
    QCOMPARE(source.positionOfByte(4), 3);  // x y a, then the line end's first byte only
}

void EntryTextSourceTest::mapsCharactersThroughTheCodePage()
{
    QPlainTextEdit edit;
    EntryTextSource source(*edit.document());
    edit.insertPlainText(QString::fromUtf8("\xE2\x82\xAC\xE2\x98\xBA\xC3\xA9\xF0\x9F\x98\x80!"));  // €☺é😀!
    QCOMPARE(source.length(), std::int64_t{5});
    QCOMPARE(source.byteAt(0), std::uint8_t{0x80});
    QCOMPARE(source.byteAt(1), std::uint8_t{'?'});
    QCOMPARE(source.byteAt(2), std::uint8_t{0xE9});
    QCOMPARE(source.byteAt(3), std::uint8_t{'?'});  // one character beyond U+FFFF, one byte
    QCOMPARE(source.byteAt(4), std::uint8_t{'!'});
    QCOMPARE(source.byteAt(1), std::uint8_t{'?'});  // reading back again
}

void EntryTextSourceTest::followsEveryKindOfEdit()
{
    QPlainTextEdit edit;
    EntryTextSource source(*edit.document());
    QRandomGenerator random(20240611);
    const QStringList pieces = {
        "a", "CQ ", "\n", "\xE2\x82\xAC", "\xE2\x98\xBA", "\xF0\x9F\x98\x80", "73\nde x", "\xC3\xA9t\xC3\xA9", "\t"};

    for (int step = 0; step < 600; ++step) {
        QTextCursor cursor(edit.document());
        const int count = edit.document()->characterCount() - 1;
        const int at = static_cast<int>(random.bounded(count + 1));
        cursor.setPosition(at);
        switch (random.bounded(6)) {
        case 0:
        case 1:
        case 2:
            cursor.insertText(pieces[static_cast<int>(random.bounded(pieces.size()))]);
            break;
        case 3: {
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                                static_cast<int>(random.bounded(4)) + 1);
            cursor.removeSelectedText();
            break;
        }
        case 4:
            edit.undo();
            break;
        default:
            if (random.bounded(20) == 0)
                edit.setPlainText(QStringLiteral("fresh\ntext"));
            else
                edit.redo();
            break;
        }
        // Read back partly in order (as the queue does) and then all of it.
        const std::int64_t length = source.length();
        if (length > 0)
            (void)source.byteAt(static_cast<std::int64_t>(random.bounded(static_cast<quint64>(length))));
        const std::string want = expectedBytes(edit);
        QCOMPARE(length, static_cast<std::int64_t>(want.size()));
        QCOMPARE(readAll(source), want);
    }
}

void EntryTextSourceTest::removedTextMakesTheQueueSendBackspaces()
{
    QPlainTextEdit edit;
    EntryTextSource source(*edit.document());
    RecordingStatus status;
    TxBitQueue queue(source, status);
    QTest::keyClicks(&edit, "abc");
    std::string sent;
    while (queue.textTaken() < 3)
        sent += static_cast<char>('0' + queue.nextBit());

    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    const std::int64_t queuedBefore = queue.queuedBits();
    sent += static_cast<char>('0' + queue.nextBit());
    QCOMPARE(queue.textTaken(), std::int64_t{1});
    QCOMPARE(queue.queuedBits() - queuedBefore, std::int64_t{24});
    for (int i = 0; i < 80; ++i)
        sent += static_cast<char>('0' + queue.nextBit());
    QVERIFY(sent.find("101111111100101111111100") != std::string::npos);

    // Typing again after the removal sends the new letter once.
    QTest::keyClicks(&edit, "e");
    queue.nextBit();
    QCOMPARE(queue.textTaken(), std::int64_t{2});
}

void EntryTextSourceTest::editsOfSentTextReachTheOtherScreen()
{
    {
        // Select all of a sent over and type a new one.
        OnTheAir air;
        air.type("AAAA BBBB CCCC DDDD");
        air.sendAll();
        QTest::keyClick(&air.edit, Qt::Key_A, Qt::ControlModifier);
        air.type("HELLO WORLD");
        air.sendAll();
        QCOMPARE(air.received(), std::string("HELLO WORLD"));
    }
    {
        // A typo fixed behind a line end: the withdrawn line end takes two
        // backspaces, as its space and LF take two characters on the other screen.
        OnTheAir air;
        air.type("CQ CQ de DL1ABX\npse k");
        air.sendAll();
        QTextCursor all(air.edit.document());  // a change of format is no edit
        all.select(QTextCursor::Document);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        all.mergeCharFormat(bold);
        QCOMPARE(air.source.takeLowestChange(), TxTextSource::kNoChange);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(&air.edit, Qt::Key_Left);
        QTest::keyClick(&air.edit, Qt::Key_Backspace);
        air.type("C");
        air.sendAll();
        QCOMPARE(air.received(), std::string("CQ CQ de DL1ABC \npse k"));
    }
    {
        // A paste over the middle, across a line end, while the text still goes out.
        OnTheAir air;
        air.edit.setPlainText("first line\nsecond line\nthird");
        air.requests(40);  // "first line" is on the air, the rest still waits
        QTextCursor cursor(air.edit.document());
        cursor.setPosition(6);
        cursor.setPosition(17, QTextCursor::KeepAnchor);  // "line\nsecond"
        air.edit.setTextCursor(cursor);
        air.edit.insertPlainText("XYZ");
        air.sendAll();
        QCOMPARE(air.received(), std::string("first XYZ line \nthird"));
    }
}

void EntryTextSourceTest::readsALongEntryInOnePass()
{
    // A converter that re-read the whole entry per request would take hours here.
    QPlainTextEdit edit;
    EntryTextSource source(*edit.document());
    QString text;
    for (int line = 0; line < 4000; ++line)
        text += QString::fromUtf8("line %1 of a long QSO \xE2\x82\xAC\n").arg(line);
    edit.setPlainText(text);
    std::int64_t euros = 0;
    for (std::int64_t i = 0; i < source.length(); ++i)
        euros += source.byteAt(i) == 0x80;
    QCOMPARE(euros, std::int64_t{4000});
    QTest::keyClick(&edit, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&edit, "k");
    QCOMPARE(source.byteAt(source.length() - 1), std::uint8_t{'k'});
}

QTEST_MAIN(EntryTextSourceTest)
#include "EntryTextSourceTest.moc"
