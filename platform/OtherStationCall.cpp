// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OtherStationCall.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isCallCharacter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('/');
}

}  // namespace

OtherStationCall::OtherStationCall(QObject* parent)
    : QObject(parent),
      store_(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication))
{
    call_ = CallFrom(store_.value(QString::fromLatin1(kKey)).toString());
    watch();
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &OtherStationCall::reread);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &OtherStationCall::reread);
}

void OtherStationCall::watch()
{
    // The folder may not exist before the first program ever saved anything.
    const QFileInfo file(store_.fileName());
    QDir().mkpath(file.absolutePath());
    if (!watcher_.directories().contains(file.absolutePath()))
        watcher_.addPath(file.absolutePath());
    if (file.exists() && !watcher_.files().contains(file.absoluteFilePath()))
        watcher_.addPath(file.absoluteFilePath());
}

QString OtherStationCall::CallFrom(const QString& word)
{
    qsizetype first = 0;
    qsizetype end = word.size();
    while (first < end && !isCallCharacter(word[first]))
        ++first;
    while (end > first && !isCallCharacter(word[end - 1]))
        --end;
    const QString call = word.mid(first, end - first).toUpper();
    if (call.isEmpty() || call.size() > kMaxLength)
        return {};
    bool hasLetterOrDigit = false;
    for (const QChar c : call) {
        if (!isCallCharacter(c))
            return {};
        hasLetterOrDigit = hasLetterOrDigit || c != QLatin1Char('/');
    }
    return hasLetterOrDigit ? call : QString();
}

void OtherStationCall::set(const QString& call)
{
    const QString cleaned = CallFrom(call);
    if (cleaned.isEmpty())
        return;
    store_.setValue(QString::fromLatin1(kKey), cleaned);
    store_.sync();
    watch();
    if (cleaned != call_) {
        call_ = cleaned;
        emit changed(call_);
    }
}

void OtherStationCall::reread()
{
    store_.sync();  // picks up what another instance wrote
    watch();        // a replaced file is a new file to watch
    const QString call = CallFrom(store_.value(QString::fromLatin1(kKey)).toString());
    if (!call.isEmpty() && call != call_) {
        call_ = call;
        emit changed(call_);
    }
}
