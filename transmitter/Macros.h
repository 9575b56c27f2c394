// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The twelve macros behind F1-F12 and the tokens in them.
//
// A macro is text put at the end of the entry, with tokens filled in as it goes:
//   <MYCALL>  the operator's callsign
//   <CALL>    the other station's call
//   <UTC>     the time in UTC as HHMM
//   <DATE>    the date in UTC as YYYY-MM-DD
//   <RX>      nothing in the text: the over ends once the text is out (Ctrl+R)
// Tokens are matched without regard to case; anything else in angle brackets is
// text. A call a macro needs but nobody has given is reported, so that no
// "de  pse k" goes on the air.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

class QSettings;

struct MacroContext {
    QString myCall;
    QString otherCall;
    QDateTime now;  // any time zone; the tokens give it in UTC
};

struct ExpandedMacro {
    QString text;
    bool endsOver = false;    // the macro holds <RX>
    QStringList missing;      // the tokens that had no value: "<MYCALL>", "<CALL>"
};

ExpandedMacro ExpandMacro(const QString& macro, const MacroContext& context);

class MacroSet {
public:
    static constexpr int kCount = 12;  // F1 to F12
    static constexpr const char* kGroup = "macros";
    static constexpr const char* kMyCallKey = "operator/callsign";

    // F1 to F3 as a contact runs: a call, an answer, the last over; the rest empty.
    MacroSet();

    const QString& text(int index) const { return texts_.at(static_cast<std::size_t>(index)); }
    void setText(int index, const QString& text) { texts_.at(static_cast<std::size_t>(index)) = text; }
    static QString defaultText(int index);

    // Remembered between runs; what was never saved keeps its default.
    void load(QSettings& settings);
    void save(QSettings& settings) const;

private:
    std::array<QString, kCount> texts_;
};
