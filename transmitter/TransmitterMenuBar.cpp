#include "transmitter/TransmitterMenuBar.h"

#include <QDialog>
#include <QMenu>
#include <QMenuBar>

namespace {
const char* const kBarName = "transmitterMenuBar";
const char* const kClientName = "transmitterClientArea";
}  // namespace

QMenuBar* transmitterMenuBar(QDialog& window)
{
    if (auto* bar = window.findChild<QMenuBar*>(QString::fromLatin1(kBarName), Qt::FindDirectChildrenOnly))
        return bar;
    // Everything the window holds moves, unchanged, into one client area below the bar.
    const QSize clientSize = window.size();
    auto* client = new QWidget(&window);
    client->setObjectName(QString::fromLatin1(kClientName));
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == client || child->isWindow())
            continue;
        const bool hidden = child->isHidden() && child->testAttribute(Qt::WA_WState_ExplicitShowHide);
        child->setParent(client);
        if (!hidden)
            child->show();  // a new parent hides a widget
    }
    auto* bar = new QMenuBar(&window);
    bar->setObjectName(QString::fromLatin1(kBarName));
    bar->setNativeMenuBar(false);  // in the window, where the client area's offset is known
    client->setGeometry(0, 0, clientSize.width(), clientSize.height());
    return bar;
}

QMenu* addTransmitterMenu(QDialog& window, const QString& title)
{
    QMenuBar* bar = transmitterMenuBar(window);
    QMenu* menu = bar->addMenu(title);
    // The bar's height is known once it holds a menu; the client area keeps its size.
    auto* client = window.findChild<QWidget*>(QString::fromLatin1(kClientName), Qt::FindDirectChildrenOnly);
    const int barHeight = bar->sizeHint().height();
    bar->setGeometry(0, 0, client->width(), barHeight);
    client->move(0, barHeight);
    window.setFixedSize(client->width(), client->height() + barHeight);
    return menu;
}
