#pragma once
// The transmitter's menu bar, added above the window's controls when the first
// menu asks for it: the controls keep their places relative to one another, pixel
// for pixel, and the window grows by the bar's height. Window thread only.

class QDialog;
class QMenu;
class QMenuBar;
class QString;

// The window's menu bar, made on first use.
QMenuBar* transmitterMenuBar(QDialog& window);
// A new menu at the right end of the bar.
QMenu* addTransmitterMenu(QDialog& window, const QString& title);
