// The "Schematic" window (Form5): the circuit of the designed loop filter with its title, the
// component values of both sections beside it, the C1 and C4 entries with their unit lists, and
// under the values what the loop does when it is built from the rounded parts. Not modal; the
// design dialog's "Schematic" button shows it, and Done sends C1 back to the design.
//
// The window holds no rules: SchematicSession decides what is shown and computes it, and
// SchematicPainter draws the picture here, on paper and into exported files.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/schematic/SchematicSession.h"
#include "gui/base/SessionView.h"
#include "render/schematic/SchematicPainter.h"

#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace loopcraft {

class HelpService;
class UserDialogs;
struct WorkingArea;

class SchematicWindow : public QWidget, public SessionView {
    Q_OBJECT
public:
    SchematicWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                    QWidget* parent = nullptr);

    // Where the drawing files are looked up; the default is the program's data-file look-up.
    void setDataFileFinder(std::function<QString(const QString&)> find);

    // The Bode window's place: over the main window's client area, below its tool bar.
    void place(const WorkingArea& area);

    // The design dialog's "Schematic": makes the window visible, then Show schematic.
    void showView() override;
    // The C1 and C4 entries and units into the session.
    void copyIn() override;
    // What the session shows: the rows of the configuration, the values and the picture.
    void copyOut() override;

    // The rectangle the drawing is scaled into, in client coordinates.
    QRect pictureRect() const;
    // Where the figures of the rounded parts are drawn: under section 2, above the buttons.
    QRect figuresRect() const;
    // The part of the window a print-out holds: the drawing, its title and both sections.
    QRect printSourceRect() const;

    const SchematicSession& session() const { return mSession; }
    const SchematicPainter& picture() const { return mPicture; }

signals:
    // Done accepted the entries: C1 (session().chosenC1()) goes back into the design, which then
    // recomputes its figures for the new capacitor.
    void c1Chosen();

public slots:
    // Loads the drawing of the stored configuration, shows its rows and calculates.
    void ShowSchematic();
    void ButtonSchemaCalculateClick();
    void ButtonSchemaDoneClick();
    void ButtonSchemaPrintClick();
    void ButtonSchemaHelpClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void layoutControls();

    ParameterSet& mParams;
    HelpService& mHelp;
    UserDialogs& mDialogs;
    SchematicSession mSession;
    SchematicPainter mPicture;
    std::function<QString(const QString&)> mFindDataFile;

    QGroupBox* mSection1 = nullptr;
    QGroupBox* mSection2 = nullptr;
    QLineEdit* mC1Edit = nullptr;
    QLineEdit* mC4Edit = nullptr;
    QListWidget* mC1Unit = nullptr;
    QListWidget* mC4Unit = nullptr;
    QPlainTextEdit* mMemo = nullptr;
    QPushButton* mHelpButton = nullptr;
    QPushButton* mPrintButton = nullptr;
    QPushButton* mCalculateButton = nullptr;
    QPushButton* mDoneButton = nullptr;
};

} // namespace loopcraft
