// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/ScopeWidget.h"

#include <QPainter>

#include <cstring>

ScopeWidget::ScopeWidget(QWidget* parent)
    : QFrame(parent), screen_(SignalDisplay::kWidth, SignalDisplay::kHeight, QImage::Format_RGB32)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    screen_.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ScopeWidget::showDisplayImage(const QImage& image)
{
    if (released_)
        return;
    if (image.size() == screen_.size() && image.format() == screen_.format()) {
        // Same shape: copy the pixels in place, keeping this image's own storage.
        const auto rowBytes = static_cast<std::size_t>(screen_.bytesPerLine());
        for (int y = 0; y < screen_.height(); ++y)
            std::memcpy(screen_.scanLine(y), image.constScanLine(y), rowBytes);
    } else {
        screen_ = image.convertToFormat(QImage::Format_RGB32);
    }
    update();
}

void ScopeWidget::PaintDisplay(QPainter& painter)
{
    const QRect inside = contentsRect();
    painter.fillRect(inside, Qt::black);
    if (released_)
        return;
    painter.setClipRect(inside);
    painter.drawImage(inside.topLeft(), screen_);
}

void ScopeWidget::ReleaseDisplay()
{
    released_ = true;
    screen_ = QImage();
}

void ScopeWidget::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        PaintDisplay(painter);
    }
    QFrame::paintEvent(event);
}
