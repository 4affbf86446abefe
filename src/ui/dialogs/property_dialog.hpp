// "Specify Properties": the material list, name, type panel, colour and pattern pop-ups
// and the property fields of the selected frames. The logic is the core's
// (editing/property_dialog_logic); this form shows its state and feeds it the clicks.
#pragma once

#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "dialogs/definition_dialog_base.hpp"
#include "editing/property_dialog_logic.hpp"

namespace kova::ui {

// A pop-up panel of buttons under the control that opened it; shown without an event
// loop of its own. Escape or a click elsewhere closes it, and only it.
class PopupPanel : public QFrame {
    Q_OBJECT
public:
    explicit PopupPanel(QWidget* parent);
    void ShowBelow(QWidget* anchor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TSetPropDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSetPropDlg(Problem& problem, QWidget* parent = nullptr);

    QListWidget* PropertiesBox;
    QLineEdit* NameEdit;
    QPushButton* TypeP;
    QLineEdit* kykxedit;
    QLineEdit *ConductEdit, *DensityEdit, *SpecHeatEdit, *PerfusionEdit;
    QLabel *ConductLabel, *DensityLabel, *SpecHeatLabel, *PerfusionLabel;
    QLabel *ConductU, *DensityU, *SpecHeatU, *PerfusionU;
    QLabel* TXYTime;
    QToolButton* PatternBox;
    QToolButton* ColorBox;
    PopupPanel* PatternP;
    PopupPanel* FrameColor;

    const PropertyDialogState& state() const { return m_state; }

protected:
    DialogResult Apply() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowState();
    void ReadTexts();

    Problem& m_problem;
    PropertyDialogState m_state;
};

}  // namespace kova::ui
