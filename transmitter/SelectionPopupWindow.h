// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window of the selection pop-up: a prompt, an editable drop-down list and the
// three drawn buttons "Accept", "Cancel" and "Clear" on a grey-green ground. It
// only reports what the operator does; SelectionPopup decides what follows.
// While it watches the keyboard (watchKeyboard), Enter and Esc anywhere in the
// program act as Accept and Cancel. Window thread only.

#include <QColor>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class DrawnButton;

class SelectionPopupWindow : public QWidget {
    Q_OBJECT
public:
    // Control IDs, carried by each control as the int property "controlId".
    static constexpr int kComboId = 1525;
    static constexpr int kPromptId = 1526;
    static constexpr int kAcceptId = 254;
    static constexpr int kCancelId = 255;
    static constexpr int kClearId = 253;
    static constexpr const char* kControlIdProperty = "controlId";

    static constexpr QRgb kBackground = 0xff8bc5c5;     // RGB(139, 197, 197)
    static constexpr QRgb kPromptText = 0xffffff00;     // yellow
    static constexpr QRgb kListText = 0xffff00ff;       // magenta
    static constexpr QRgb kListBackground = 0xff00ffff; // cyan
    static constexpr QRgb kAcceptFill = 0xffffff00;     // yellow
    static constexpr QRgb kAcceptCaption = 0xff000000;  // black
    static constexpr QRgb kCancelFill = 0xffff0000;     // red
    static constexpr QRgb kCancelCaption = 0xffffff00;  // yellow
    static constexpr QRgb kClearFill = 0xff00ffff;      // cyan
    static constexpr QRgb kClearCaption = 0xff000000;   // black

    // Dialog units of the window's client area.
    static constexpr int kWidthUnits = 200;
    static constexpr int kHeightUnits = 70;

    SelectionPopupWindow(const QString& caption, const QString& prompt,
                         const std::vector<std::string>& choices);
    ~SelectionPopupWindow() override;

    QComboBox* combo() const { return combo_; }
    // True when the operator has moved the highlight of the dropped list since it
    // last opened (Qt highlights a row of its own as the list opens: that is none).
    bool listHighlightMoved() const { return highlightMoved_; }
    QLabel* prompt() const { return prompt_; }
    // The control carrying that ID, or nullptr.
    QWidget* control(int controlId) const;

    // Enter and Esc of every window of the program go to this pop-up while on.
    void watchKeyboard(bool on);
    void centreOnScreen();

signals:
    void acceptCommand();
    void cancelCommand();
    void clearCommand();
    void entryChosen(const QString& text);
    void fieldEdited(const QString& text);
    // The close box, the system menu's Close or Alt+F4.
    void systemClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    DrawnButton* addButton(int id, const QString& caption, QRgb fill, QRgb captionColour);

    QComboBox* combo_ = nullptr;
    QLabel* prompt_ = nullptr;
    bool watching_ = false;
    bool highlightMoved_ = false;
};
