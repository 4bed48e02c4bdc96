// The display options panel (Panel2) of the main window: colours, pen widths and the two fonts
// of the simulation plot and the printed protocol. Every choice takes effect at once; Ok and
// Cancel only close the panel.
#pragma once

#include <QFrame>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace loopcraft {

class ParameterSet;
class UserDialogs;
struct DisplayFonts;

class DisplayOptionsPanel final : public QFrame {
    Q_OBJECT
public:
    DisplayOptionsPanel(ParameterSet& params, DisplayFonts& fonts, UserDialogs& dialogs,
                        QWidget* parent);

    void place(const QRect& geometry);

    // The display options of the parameter set into the font objects and the colour chooser.
    void ApplyDisplayOptions();
    // "Set Default Colors": every display option back to its default, applied.
    void SetDefaultColors();

signals:
    // A colour, pen width or font changed.
    void optionsChanged();

public slots:
    // Opening the panel ("Preferences").
    void open();
    void ListBox1Click();
    void ButtonOptionsSelectColorClick();
    void ButtonOptionsSelectPenWidthClick();
    void ButtonOptionsSelectFontClick();
    void ButtonOptionsOkClick();
    void ButtonOptionsCancelClick();

private:
    ParameterSet& mParams;
    DisplayFonts& mFonts;
    UserDialogs& mDialogs;

    QListWidget* mListBox1 = nullptr;
    QPlainTextEdit* mMemo1 = nullptr;
    QPushButton* mSelectColor = nullptr;
    QPushButton* mSelectPenWidth = nullptr;
    QPushButton* mSelectFont = nullptr;
    QPushButton* mOk = nullptr;
    QPushButton* mCancel = nullptr;
};

} // namespace loopcraft
