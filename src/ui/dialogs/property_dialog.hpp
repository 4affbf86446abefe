// "Specify Properties": the material list, name, type panel, colour and pattern pop-ups
// and the property fields of the selected frames. The logic is the core's
// (editing/property_dialog_logic); this form shows its state and feeds it the clicks.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "dialogs/spec_dialog_base.hpp"
#include "editing/property_dialog_logic.hpp"

class QMenu;

namespace kova::ui {

class TSetPropDlg : public SpecDialogBase {
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
    QMenu* PatternP;
    QMenu* FrameColor;

    const PropertyDialogState& state() const { return m_state; }

protected:
    DialogResult Apply() override;

private:
    void ShowState();
    void ReadTexts();

    Problem& m_problem;
    PropertyDialogState m_state;
};

}  // namespace kova::ui
