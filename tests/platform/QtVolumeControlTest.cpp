// SPDX-License-Identifier: GPL-3.0-or-later
// The volume control starts detached on the view asked for, and a missing program
// is silently nothing. A stand-in "pavucontrol" on PATH records its arguments.

#include "platform/QtVolumeControl.h"

#include "tests/platform/TurnEventLoop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

#ifdef __linux__
class PathOverride {
public:
    explicit PathOverride(const QString& path) : saved_(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~PathOverride() { qputenv("PATH", saved_); }
    PathOverride(const PathOverride&) = delete;
    PathOverride& operator=(const PathOverride&) = delete;

private:
    QByteArray saved_;
};

TEST(QtVolumeControl, StartsPavucontrolOnTheTabOfTheView)
{
    QTemporaryDir bin;
    const QString record = bin.filePath("arguments");
    QFile script(bin.filePath("pavucontrol"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QString("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(record).toLocal8Bit());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    PathOverride path(bin.path() + ":/bin:/usr/bin");
    QtVolumeControl control;
    control.start(VolumeView::Recording);
    ASSERT_TRUE(turnEventLoopUntil([&] { return QFile::exists(record); }, 5000));
    control.start(VolumeView::Playback);
    QString lines;
    turnEventLoopUntil(
        [&] {
            QFile file(record);
            file.open(QIODevice::ReadOnly);
            lines = QString::fromLocal8Bit(file.readAll());
            return lines.count('\n') == 2;
        },
        5000);
    EXPECT_EQ(lines, "--tab=2\n--tab=1\n");
}

TEST(QtVolumeControl, AMissingProgramIsNothing)
{
    QTemporaryDir empty;
    PathOverride path(empty.path());
    QtVolumeControl control;
    control.start(VolumeView::Playback);  // returns at once, shows nothing
    control.start(VolumeView::Recording);
    SUCCEED();
}
#endif

}  // namespace
