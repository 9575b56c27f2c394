// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The other station's call, shared by the two programs: the receiver sets it when
// the operator double-clicks a word in the received text, the transmitter shows it
// and sends it for <CALL>.
//
// It lives in a small settings file of its own beside the programs' settings
// (organisation "MSK modem", application "msk-shared"), and every instance watches
// that file's folder for changes. A file rather than a socket: either program may
// start first, or run alone, and finds the call the other left; any number of
// instances follow it; there is no server to lose and no stale socket to clean
// up; and QSettings already locks the file against two writers. A write replaces
// the file, so the folder is watched, not the file itself.
//
// Window thread only: changes arrive through its event loop.

#include <QFileSystemWatcher>
#include <QObject>
#include <QSettings>
#include <QString>

class OtherStationCall final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kOrganisation = "MSK modem";
    static constexpr const char* kApplication = "msk-shared";
    static constexpr const char* kKey = "otherStation/call";
    static constexpr int kMaxLength = 16;  // characters; the longest portable call with prefix and suffix

    explicit OtherStationCall(QObject* parent = nullptr);

    // The call as last set by any instance, or empty.
    const QString& call() const { return call_; }
    // Sets the call for every instance (this one at once, the others when they see
    // the file change). Letters are made capitals; nothing is set for a text that
    // is no call (see CallFrom).
    void set(const QString& call);

    // The call in a word picked from received text: its letters, digits and '/',
    // trimmed of anything else around it, in capitals; empty when that leaves no
    // letter or digit, or more than kMaxLength characters.
    static QString CallFrom(const QString& word);

signals:
    void changed(const QString& call);

private:
    void reread();
    void watch();

    QSettings store_;
    QFileSystemWatcher watcher_;
    QString call_;
};
