// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/EntryTextSource.h"

#include "modem/varicode/Windows1252.h"

#include <QTextDocument>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;  // between the document's blocks
constexpr char16_t kLineSeparator = 0x2028;       // Shift+Enter within a block
constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

bool isLineEnd(char16_t unit)
{
    return unit == kParagraphSeparator || unit == kLineSeparator || unit == u'\n' || unit == u'\r';
}
bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Bytes a document character becomes on the air: a line end two (CR LF), the second
// half of a character beyond the 16-bit range none (the first half stands for the
// pair as one '?'), anything else one; a half without its partner is a '?' too.
int byteWidth(char16_t unit, char16_t previous)
{
    if (isLineEnd(unit))
        return 2;
    if (isLowSurrogate(unit) && isHighSurrogate(previous))
        return 0;
    return 1;
}

}  // namespace

EntryTextSource::EntryTextSource(QTextDocument& document) : document_(document)
{
    rebuild();
    lowestChangedUnit_ = kNoUnit;  // the text the queue first sees is no edit
    connection_ = QObject::connect(&document_, &QTextDocument::contentsChange, &document_,
                                   [this](int position, int removed, int added) { contentsChanged(position, removed, added); });
}

EntryTextSource::~EntryTextSource()
{
    QObject::disconnect(connection_);
}

std::int64_t EntryTextSource::length() const
{
    // The document always closes with a paragraph separator that is not text.
    return units_.empty() ? 0 : bytes_ - widthAt(units_.size() - 1);
}

std::uint8_t EntryTextSource::byteAt(std::int64_t index) const
{
    if (index < cachedByte_) {
        cachedUnit_ = 0;
        cachedByte_ = 0;
    }
    while (cachedUnit_ < units_.size() && cachedByte_ + widthAt(cachedUnit_) <= index) {
        cachedByte_ += widthAt(cachedUnit_);
        ++cachedUnit_;
    }
    if (cachedUnit_ >= units_.size())
        return windows1252::kUnrepresentable;  // beyond the text: not asked by the queue

    const char16_t unit = units_[cachedUnit_];
    if (isLineEnd(unit))
        return index == cachedByte_ ? kCr : kLf;
    if (isHighSurrogate(unit) || isLowSurrogate(unit))
        return windows1252::kUnrepresentable;  // the code page stops at U+FFFF
    return windows1252::fromUnicode(unit);
}

std::int64_t EntryTextSource::takeLowestChange() const
{
    const std::size_t unit = lowestChangedUnit_;
    lowestChangedUnit_ = kNoUnit;
    return unit == kNoUnit ? kNoChange : byteOffsetOf(unit);
}

std::int64_t EntryTextSource::bytesBefore(int position) const
{
    return byteOffsetOf(static_cast<std::size_t>(std::max(position, 0)));
}

int EntryTextSource::positionOfByte(std::int64_t bytes) const
{
    if (bytes < playedByte_) {
        playedUnit_ = 0;
        playedByte_ = 0;
    }
    // The closing separator is no text: it is never counted.
    const std::size_t textUnits = units_.empty() ? 0 : units_.size() - 1;
    while (playedUnit_ < textUnits && playedByte_ + widthAt(playedUnit_) <= bytes) {
        playedByte_ += widthAt(playedUnit_);
        ++playedUnit_;
    }
    return static_cast<int>(playedUnit_);
}

std::int64_t EntryTextSource::byteOffsetOf(std::size_t unit) const
{
    // Only the units before `unit` count, and those are unchanged since the edit:
    // start from the place byteAt() found last if it lies before.
    std::size_t at = 0;
    std::int64_t bytes = 0;
    if (cachedUnit_ <= unit) {
        at = cachedUnit_;
        bytes = cachedByte_;
    }
    for (; at < unit && at < units_.size(); ++at)
        bytes += widthAt(at);
    return bytes;
}

void EntryTextSource::noteChange(std::size_t unit)
{
    lowestChangedUnit_ = std::min(lowestChangedUnit_, unit);
}

void EntryTextSource::contentsChanged(int position, int removed, int added)
{
    // The counts Qt reports may cover more than changed (the closing separator is
    // sometimes included); re-reading the added range from the document keeps the
    // copy exact as long as the sizes agree, and a full re-read covers the rest.
    const auto count = static_cast<std::size_t>(document_.characterCount());
    if (position < 0 || removed < 0 || added < 0 ||
        static_cast<std::size_t>(position) + static_cast<std::size_t>(removed) > units_.size() ||
        units_.size() - static_cast<std::size_t>(removed) + static_cast<std::size_t>(added) != count) {
        rebuild();
        return;
    }
    // The character after the change is counted again too: its width depends on
    // the one before it.
    const auto at = static_cast<std::size_t>(position);
    const auto removedEnd = std::min(at + static_cast<std::size_t>(removed) + 1, units_.size());
    for (std::size_t i = at; i < removedEnd; ++i)
        bytes_ -= widthAt(i);
    std::u16string inserted(static_cast<std::size_t>(added), u'\0');
    for (int i = 0; i < added; ++i)
        inserted[static_cast<std::size_t>(i)] = document_.characterAt(position + i).unicode();
    // The change begins at the first character that differs; a range given back
    // as it was (a format change, or the closing separator counted in) is none.
    const std::u16string_view before(units_.data() + at, static_cast<std::size_t>(removed));
    const auto differs = std::mismatch(before.begin(), before.end(), inserted.begin(), inserted.end());
    if (differs.first != before.end() || differs.second != inserted.end())
        noteChange(at + static_cast<std::size_t>(differs.first - before.begin()));
    units_.replace(at, static_cast<std::size_t>(removed), inserted);
    const auto addedEnd = std::min(at + static_cast<std::size_t>(added) + 1, units_.size());
    for (std::size_t i = at; i < addedEnd; ++i)
        bytes_ += widthAt(i);

    if (at <= cachedUnit_) {
        cachedUnit_ = 0;
        cachedByte_ = 0;
    }
    if (at <= playedUnit_) {
        playedUnit_ = 0;
        playedByte_ = 0;
    }
}

int EntryTextSource::widthAt(std::size_t unit) const
{
    return byteWidth(units_[unit], unit > 0 ? units_[unit - 1] : u'\0');
}

void EntryTextSource::rebuild()
{
    const int count = document_.characterCount();
    std::u16string units(static_cast<std::size_t>(count), u'\0');
    for (int i = 0; i < count; ++i)
        units[static_cast<std::size_t>(i)] = document_.characterAt(i).unicode();
    const auto differs = std::mismatch(units_.begin(), units_.end(), units.begin(), units.end());
    if (differs.first != units_.end() || differs.second != units.end())
        noteChange(static_cast<std::size_t>(differs.first - units_.begin()));
    units_ = std::move(units);
    bytes_ = 0;
    for (std::size_t i = 0; i < units_.size(); ++i)
        bytes_ += widthAt(i);
    cachedUnit_ = 0;
    cachedByte_ = 0;
    playedUnit_ = 0;
    playedByte_ = 0;
}
