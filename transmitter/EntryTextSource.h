// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entry control's text as the bit queue reads it: Windows-1252 bytes, each line
// end as CR LF, a character the code page lacks as '?'.
//
// The queue asks for the length at every bit, up to 500 times a second, and for one
// byte each time it takes a character, so the text is not converted as a whole per
// bit. A copy of the document's characters is kept up to date from its change
// notifications, with a running byte count (length() is O(1)); byteAt() walks from
// the position it found last time, which is where the queue reads next.
//
// Window thread only: the document changes and the queue reads on that thread.

#include "modem/transmit/TxBitQueue.h"

#include <QMetaObject>

#include <cstdint>
#include <string>

class QTextDocument;

class EntryTextSource : public TxTextSource {
public:
    explicit EntryTextSource(QTextDocument& document);
    ~EntryTextSource() override;
    EntryTextSource(const EntryTextSource&) = delete;
    EntryTextSource& operator=(const EntryTextSource&) = delete;

    std::int64_t length() const override;
    std::uint8_t byteAt(std::int64_t index) const override;
    std::int64_t takeLowestChange() const override;

    // The bytes the document's first `position` characters become on the air.
    std::int64_t bytesBefore(int position) const;
    // How many of the document's leading characters lie wholly within the first
    // `bytes` bytes: the characters a receiver has seen once that many bytes are
    // out. Walks on from where it stopped last time, as byteAt() does.
    int positionOfByte(std::int64_t bytes) const;

private:
    void contentsChanged(int position, int removed, int added);
    void rebuild();
    void noteChange(std::size_t unit);
    int widthAt(std::size_t unit) const;  // bytes of units_[unit] on the air
    std::int64_t byteOffsetOf(std::size_t unit) const;

    QTextDocument& document_;
    QMetaObject::Connection connection_;
    // The document's characters (UTF-16), its closing paragraph separator included.
    std::u16string units_;
    std::int64_t bytes_ = 0;  // bytes of units_, the closing separator counted too
    // The unit where byteAt() found the last byte, and the byte that unit starts at.
    mutable std::size_t cachedUnit_ = 0;
    mutable std::int64_t cachedByte_ = 0;
    // The same for positionOfByte(), which follows the bits played, not the queue.
    mutable std::size_t playedUnit_ = 0;
    mutable std::int64_t playedByte_ = 0;
    // The lowest unit changed since takeLowestChange() was last called, or kNoUnit.
    static constexpr std::size_t kNoUnit = std::u16string::npos;
    mutable std::size_t lowestChangedUnit_ = kNoUnit;
};
